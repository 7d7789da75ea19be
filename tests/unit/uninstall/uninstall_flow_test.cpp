// One uninstallation against a scripted system: refusals that touch nothing,
// the one question, every step tried even after a failure, the entry and the
// uninstaller kept when the user must come back, and the closing message.
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

class ScriptedSystem : public uninstall::UninstallSystem {
public:
    bool lockFree = true;
    bool mayRemove = true;       // Wine never refuses; Windows 7 does for a standard user
    bool installed = true;
    bool shared = false;
    bool answer = true;
    std::map<Step, Outcome> outcomes;   // Done unless scripted

    std::vector<std::string> calls;
    std::vector<std::pair<std::string, Icon>> told;
    int questions = 0;

    bool TakeInstallerLock() override { calls.push_back("lock"); return lockFree; }
    bool MayRemovePrinters() override { calls.push_back("may"); return mayRemove; }
    bool AnythingInstalled() override { calls.push_back("inventory"); return installed; }
    bool SharedWithOtherModel() override { calls.push_back("shared"); return shared; }
    bool AskYesNo(const std::string& question) override {
        ++questions;
        calls.push_back("ask");
        EXPECT_EQ(question, uninstall::QuestionText());
        return answer;
    }
    void Tell(const std::string& text, Icon icon) override { told.emplace_back(text, icon); }
    Outcome Remove(Step step) override {
        calls.push_back(std::string("remove:") + uninstall::PartName(step));
        const auto it = outcomes.find(step);
        return it == outcomes.end() ? Outcome::Done : it->second;
    }
    void RemoveSelf() override { calls.push_back("self"); }

    int Removals() const {
        int n = 0;
        for (const std::string& c : calls) n += c.rfind("remove:", 0) == 0 || c == "self";
        return n;
    }
};

std::string Removal(Step step) { return std::string("remove:") + uninstall::PartName(step); }

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
        secondRun.installed = false;
        EXPECT_EQ(uninstall::RunUninstall(secondRun), uninstall::kExitNothingInstalled);
        ASSERT_EQ(secondRun.told.size(), 1u);
        EXPECT_EQ(secondRun.told[0].first, uninstall::NothingToRemoveText());
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

TEST(UninstallFlow, YesEndsTheMonitorFirstAndRemovesItselfLastAskingOnce) {
    ScriptedSystem system;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitRemoved);
    EXPECT_EQ(system.questions, 1);
    const std::vector<std::string> expected = {
        "lock", "may", "inventory", "ask", "shared",
        Removal(Step::EndMonitor), Removal(Step::AutoRun), Removal(Step::PortDriver), Removal(Step::Queues),
        Removal(Step::PrinterDriver), Removal(Step::Inf), Removal(Step::Shortcut), Removal(Step::MonitorFiles),
        Removal(Step::PackageFiles), Removal(Step::UninstallEntry), "self"};
    EXPECT_EQ(system.calls, expected);
    ASSERT_EQ(system.told.size(), 1u);
    EXPECT_EQ(system.told[0].first, uninstall::kRemoved);
    EXPECT_EQ(system.told[0].second, Icon::Information);
}

TEST(UninstallFlow, FilesInUseAreReportedAsRemovedAtRestart) {
    ScriptedSystem system;
    system.outcomes[Step::MonitorFiles] = Outcome::Scheduled;
    system.outcomes[Step::Queues] = Outcome::Nothing;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitRemoved);
    ASSERT_EQ(system.told.size(), 1u);
    EXPECT_EQ(system.told[0].first, std::string(uninstall::kRemoved) + "\n\n" + uninstall::kRestartNote);
    EXPECT_EQ(system.calls.back(), "self");
}

TEST(UninstallFlow, AFailedStepDoesNotStopTheOthersButKeepsTheWayBack) {
    ScriptedSystem system;
    system.outcomes[Step::PortDriver] = Outcome::Failed;
    system.outcomes[Step::PrinterDriver] = Outcome::Failed;
    system.outcomes[Step::PackageFiles] = Outcome::Scheduled;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitIncomplete);
    // Every later step was still tried; the entry and the uninstaller stay so the user can run it again.
    for (Step step : {Step::Queues, Step::Inf, Step::Shortcut, Step::MonitorFiles, Step::PackageFiles})
        EXPECT_NE(std::find(system.calls.begin(), system.calls.end(), Removal(step)), system.calls.end());
    EXPECT_EQ(std::find(system.calls.begin(), system.calls.end(), Removal(Step::UninstallEntry)), system.calls.end());
    EXPECT_EQ(std::find(system.calls.begin(), system.calls.end(), "self"), system.calls.end());
    ASSERT_EQ(system.told.size(), 1u);
    EXPECT_EQ(system.told[0].second, Icon::Stop);
    EXPECT_EQ(system.told[0].first, std::string(uninstall::kIncompleteHead) + "\n- " +
                                        uninstall::PartName(Step::PortDriver) + "\n- " +
                                        uninstall::PartName(Step::PrinterDriver) + "\n\n" + uninstall::kRestartNote +
                                        "\n\n" + uninstall::kIncompleteTail);
}

TEST(UninstallFlow, AnotherModelKeepsTheSharedEntryAndUninstaller) {
    ScriptedSystem system;
    system.shared = true;
    EXPECT_EQ(uninstall::RunUninstall(system), uninstall::kExitRemoved);
    EXPECT_EQ(std::find(system.calls.begin(), system.calls.end(), Removal(Step::UninstallEntry)), system.calls.end());
    EXPECT_EQ(std::find(system.calls.begin(), system.calls.end(), "self"), system.calls.end());
    EXPECT_EQ(system.told.at(0).first, uninstall::kRemoved);
}

TEST(UninstallFlow, AnEntryThatCannotBeRemovedKeepsTheUninstaller) {
    ScriptedSystem system;
    system.outcomes[Step::UninstallEntry] = Outcome::Failed;
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
