// One uninstallation against a scripted system: refusals that touch nothing,
// the one question, every step tried even after a failure, each installed
// model removed before the shared parts, the shared parts, the entry and the
// uninstaller kept while a model is left, and the closing message.
#include "uninstall/core/UninstallFlow.h"
#include "uninstall/core/UninstallRules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <string>
#include <vector>

namespace {

using uninstall::Icon;
using uninstall::Outcome;
using uninstall::Step;

std::string Removal(Step step, int model = uninstall::kNoModel) { return "remove:" + uninstall::LeftOver(step, model); }

class ScriptedSystem : public uninstall::UninstallSystem {
public:
    bool lockFree = true;
    bool mayRemove = true;  // Wine never refuses; Windows 7 does for a standard user
    std::vector<int> models = {13};
    bool sharedParts = true;
    bool shared = false;
    bool answer = true;
    std::map<std::pair<Step, int>, Outcome> outcomes;  // Done unless scripted

    std::vector<std::string> calls;
    std::vector<std::pair<std::string, Icon>> told;
    int questions = 0;

    bool TakeInstallerLock() override {
        calls.push_back("lock");
        return lockFree;
    }
    bool MayRemovePrinters() override {
        calls.push_back("may");
        return mayRemove;
    }
    std::vector<int> InstalledModels() override {
        calls.push_back("inventory");
        return models;
    }
    bool SharedPartsInstalled() override {
        calls.push_back("shared parts");
        return sharedParts;
    }
    bool SharedFilesInUse() override {
        calls.push_back("shared");
        return shared;
    }
    bool AskYesNo(const std::string& question) override {
        ++questions;
        calls.push_back("ask");
        EXPECT_EQ(question, uninstall::QuestionText(models));
        return answer;
    }
    void Tell(const std::string& text, Icon icon) override { told.emplace_back(text, icon); }
    Outcome Remove(Step step, int model) override {
        calls.push_back(Removal(step, model));
        const auto it = outcomes.find({step, model});
        return it == outcomes.end() ? Outcome::Done : it->second;
    }
    bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    void RemoveSelf() override { calls.push_back("self"); }

    int Removals() const {
        int n = 0;
        for (const std::string& c : calls) n += c.rfind("remove:", 0) == 0 || c == "self";
        return n;
    }
};

// A model's own steps, in their order.
std::vector<std::string> ModelRemovals(int model) {
    std::vector<std::string> calls;
    for (int i = 0; i < static_cast<int>(uninstall::kFirstSharedStep); ++i)
        calls.push_back(Removal(static_cast<Step>(i), model));
    return calls;
}

TEST(UninstallFlow, BadInputIsRefusedWithAMessageAndTouchesNothing) {
    {
        ScriptedSystem setupRunning;
        setupRunning.lockFree = false;
        EXPECT_EQ(uninstall::RunUninstall(setupRunning), uninstall::kExitRefused);
        ASSERT_EQ(setupRunning.told.size(), 1u);
        EXPECT_EQ(setupRunning.told[0].first, uninstall::kSetupRunning);
        EXPECT_EQ(setupRunning.told[0].second, Icon::Stop);
        EXPECT_EQ(setupRunning.calls, std::vector<std::string>{"lock"});
    }
    {
        // A standard user on Windows 7: refused before the inventory, no question.
        ScriptedSystem notAllowed;
        notAllowed.mayRemove = false;
        EXPECT_EQ(uninstall::RunUninstall(notAllowed), uninstall::kExitRefused);
        ASSERT_EQ(notAllowed.told.size(), 1u);
        EXPECT_EQ(notAllowed.told[0].first, uninstall::kNotAllowed);
        EXPECT_EQ(notAllowed.questions, 0);
        EXPECT_EQ(notAllowed.Removals(), 0);
    }
    {
        ScriptedSystem secondRun;
        secondRun.models.clear();
        secondRun.sharedParts = false;
        EXPECT_EQ(uninstall::RunUninstall(secondRun), uninstall::kExitNothingInstalled);
        ASSERT_EQ(secondRun.told.size(), 1u);
        EXPECT_EQ(secondRun.told[0].first, uninstall::kNothingToRemove);
        EXPECT_EQ(secondRun.told[0].second, Icon::Information);
        EXPECT_EQ(secondRun.questions, 0);
        EXPECT_EQ(secondRun.Removals(), 0);
    }
}

TEST(UninstallFlow, NoKeepsEverything) {
    ScriptedSystem system;
    system.answer = false;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitDeclined);
    EXPECT_EQ(system.Removals(), 0);
    EXPECT_TRUE(system.told.empty());
}

// Asked once; each installed model's own parts (its monitor ended first), one
// model after the other, then what they share, the uninstaller itself last.
// Shared parts alone (an earlier run kept them) are still asked about and removed.
TEST(UninstallFlow, YesRemovesEveryModelBeforeTheSharedPartsAskingOnce) {
    for (const std::vector<int>& models : {std::vector<int>{13}, std::vector<int>{0, 13}, std::vector<int>{}}) {
        ScriptedSystem system;
        system.models = models;
        EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitRemoved);
        EXPECT_EQ(system.questions, 1);
        std::vector<std::string> expected = {"lock", "may", "inventory"};
        if (models.empty()) expected.push_back("shared parts");
        expected.push_back("ask");
        for (int model : models)
            for (const std::string& call : ModelRemovals(model)) expected.push_back(call);
        for (const std::string& call : {std::string("shared"), Removal(Step::PortDriver), Removal(Step::SharedFiles),
                                        Removal(Step::UninstallEntry), std::string("self")})
            expected.push_back(call);
        EXPECT_EQ(system.calls, expected) << models.size();
        ASSERT_EQ(system.told.size(), 1u);
        EXPECT_EQ(system.told[0].first, uninstall::kRemoved);
        EXPECT_EQ(system.told[0].second, Icon::Information);
    }
    EXPECT_EQ(uninstall::QuestionText({0, 13}),
              "This program removes the ZYK Electronics printer software for the ZYK LXD 410 Nova and the ZYK LXD "
              "455 Sentinel: the printers, their drivers and the status monitors.\n\nRemove it now?");
}

TEST(UninstallFlow, FilesInUseAreReportedAsRemovedAtRestart) {
    ScriptedSystem system;
    system.outcomes[{Step::MonitorFiles, 13}] = Outcome::Scheduled;
    system.outcomes[{Step::Queues, 13}] = Outcome::Nothing;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitRemoved);
    ASSERT_EQ(system.told.size(), 1u);
    EXPECT_EQ(system.told[0].first, std::string(uninstall::kRemoved) + "\n\n" + uninstall::kRestartNote);
    EXPECT_EQ(system.calls.back(), "self");
}

// What the user needs to come back, and a model left needs to run: the port
// driver its monitor uses, the shared files, the entry and the uninstaller.
void ExpectSharedPartsKept(const ScriptedSystem& system) {
    for (Step step : {Step::PortDriver, Step::SharedFiles, Step::UninstallEntry})
        EXPECT_FALSE(system.Called(Removal(step))) << uninstall::PartName(step);
    EXPECT_FALSE(system.Called("self"));
}

TEST(UninstallFlow, AFailedStepDoesNotStopTheOthersButKeepsTheWayBack) {
    ScriptedSystem system;
    system.outcomes[{Step::Queues, 13}] = Outcome::Failed;
    system.outcomes[{Step::PrinterDriver, 13}] = Outcome::Failed;
    system.outcomes[{Step::ModelFiles, 13}] = Outcome::Scheduled;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitIncomplete);
    for (Step step : {Step::Inf, Step::Shortcut, Step::MonitorFiles, Step::ModelFiles})
        EXPECT_TRUE(system.Called(Removal(step, 13))) << uninstall::PartName(step);
    ExpectSharedPartsKept(system);
    ASSERT_EQ(system.told.size(), 1u);
    EXPECT_EQ(system.told[0].second, Icon::Stop);
    // What was left, model by model, and what to do about it; never "as an administrator":
    // the uninstaller always runs elevated.
    const std::string model = uninstall::ModelName(13);
    EXPECT_EQ(system.told[0].first, std::string(uninstall::kIncompleteHead) + "\n- " + model + ": the printer\n- " +
                                        model + ": the printer driver\n\n" + uninstall::kRestartNote + "\n\n" +
                                        uninstall::kIncompleteTail);
    EXPECT_EQ(system.told[0].first.find("administrator"), std::string::npos);
    EXPECT_NE(system.told[0].first.find("Programs and Features"), std::string::npos);

    // The first of two models left: the second is still removed, the shared parts kept.
    ScriptedSystem two;
    two.models = {0, 13};
    two.outcomes[{Step::EndMonitor, 0}] = Outcome::Failed;
    EXPECT_EQ(uninstall::RunUninstall(two), uninstall::kExitIncomplete);
    for (const std::string& call : ModelRemovals(13)) EXPECT_TRUE(two.Called(call)) << call;
    ExpectSharedPartsKept(two);
    EXPECT_NE(two.told.at(0).first.find("ZYK LXD 410 Nova: the running status monitor"), std::string::npos);

    // A printer driver this uninstaller does not know still lists the shared DLL.
    ScriptedSystem unknown;
    unknown.shared = true;
    EXPECT_EQ(uninstall::RunUninstall(unknown), uninstall::kExitRemoved);
    ExpectSharedPartsKept(unknown);
    EXPECT_EQ(unknown.told.at(0).first, uninstall::kRemoved);
}

TEST(UninstallFlow, AnEntryThatCannotBeRemovedKeepsTheUninstaller) {
    ScriptedSystem system;
    system.outcomes[{Step::UninstallEntry, uninstall::kNoModel}] = Outcome::Failed;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitIncomplete);
    EXPECT_EQ(system.calls.back(), Removal(Step::UninstallEntry));
    EXPECT_NE(system.told.at(0).first.find(uninstall::PartName(Step::UninstallEntry)), std::string::npos);
}

TEST(UninstallFlow, CombineKeepsTheWorstOutcome) {
    EXPECT_EQ(uninstall::Combine(Outcome::Nothing, Outcome::Done), Outcome::Done);
    EXPECT_EQ(uninstall::Combine(Outcome::Scheduled, Outcome::Done), Outcome::Scheduled);
    EXPECT_EQ(uninstall::Combine(Outcome::Scheduled, Outcome::Failed), Outcome::Failed);
    EXPECT_EQ(uninstall::Combine(Outcome::Failed, Outcome::Nothing), Outcome::Failed);
}

}  // namespace
