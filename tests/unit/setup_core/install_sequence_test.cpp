#include "setup/core/InstallSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kModel = "ZYK LXD 455 Sentinel";

// Steps that answer as configured and record the order they were called in.
class ScriptedSteps : public setup::core::InstallSteps {
public:
    bool directory = true, driver = true, queue = true, monitor = true, inf = true, uninstall = true;
    std::string printerName = kModel;
    std::vector<std::string> calls;

    bool GetDriverDirectory() override { return Record("directory", directory); }
    bool RegisterDriver() override { return Record("driver", driver); }
    bool AddPrinterQueue() override { return Record("queue", queue); }
    const std::string& PrinterName() const override { return printerName; }
    bool DeployMonitor() override { return Record("deploy", monitor); }
    void RegisterAutoRun() override { calls.push_back("autorun"); }
    void CreateShortcut() override { calls.push_back("shortcut"); }
    void LaunchMonitor() override { calls.push_back("launch"); }
    bool StageInf() override { return Record("inf", inf); }
    bool WriteUninstallEntry() override { return Record("uninstall", uninstall); }

private:
    bool Record(const char* name, bool answer) {
        calls.push_back(name);
        return answer;
    }
};

using Calls = std::vector<std::string>;

TEST(InstallSequence, FullInstallationDeploysRegistersAndLaunchesTheMonitor) {
    ScriptedSteps steps;
    const setup::core::InstallOutcome outcome = setup::core::RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "deploy", "autorun", "shortcut", "launch", "inf",
                                  "uninstall"}));
    EXPECT_TRUE(outcome.directoryFound && outcome.driverAdded && outcome.queueAdded);
    EXPECT_EQ(outcome.result, "ZYK LXD 455 Sentinel Printer Driver & Status Monitor installed successfully.");

    const setup::core::ResultMessage message = setup::core::ChooseResultMessage(outcome);
    EXPECT_EQ(message.text, outcome.result);
    EXPECT_EQ(message.icon, 0x40u);
}

TEST(InstallSequence, EachFailedStepStopsTheSequenceAndSelectsItsCode) {
    struct Case {
        bool directory, driver, queue;
        Calls calls;
        const char* text;
    };
    const Case cases[] = {
        {false, true, true, {"directory"}, "Unexpected error 0x001C occured."},
        {true, false, true, {"directory", "driver"}, "Unexpected error 0x002C occured."},
        {true, true, false, {"directory", "driver", "queue"}, "Unexpected error 0x003C occured."},
    };
    for (const Case& c : cases) {
        ScriptedSteps steps;
        steps.directory = c.directory;
        steps.driver = c.driver;
        steps.queue = c.queue;
        const setup::core::InstallOutcome outcome = setup::core::RunInstallation(steps, kModel);
        EXPECT_EQ(steps.calls, c.calls) << c.text;
        EXPECT_TRUE(outcome.result.empty()) << c.text;
        const setup::core::ResultMessage message = setup::core::ChooseResultMessage(outcome);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.icon, 0x10u) << c.text;
    }
}

TEST(InstallSequence, MissingMonitorGivesTheDriverOnlyTextAndNoRegistration) {
    ScriptedSteps steps;
    steps.monitor = false;
    const setup::core::InstallOutcome outcome = setup::core::RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "deploy", "inf", "uninstall"}));
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).text,
              "ZYK LXD 455 Sentinel Printer Driver installed successfully.");
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).icon, 0x40u);
}

TEST(InstallSequence, CopyQueueSkipsTheMonitorButStagesInfAndWritesUninstall) {
    ScriptedSteps steps;
    steps.printerName = kModel + " (Copy 2)";
    const setup::core::InstallOutcome outcome = setup::core::RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "inf", "uninstall"}));
    EXPECT_EQ(outcome.result, "ZYK LXD 455 Sentinel (Copy 2) Printer Driver installed successfully.");
}

TEST(InstallSequence, NameComparisonIsCaseSensitive) {
    ScriptedSteps steps;
    steps.printerName = "zyk lxd 455 sentinel";
    setup::core::RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "inf", "uninstall"}));
}

TEST(InstallSequence, LateFailuresChangeNeitherFlagsNorText) {
    ScriptedSteps steps;
    steps.inf = false;
    steps.uninstall = false;
    const setup::core::InstallOutcome outcome = setup::core::RunInstallation(steps, kModel);
    EXPECT_TRUE(outcome.queueAdded);
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).text,
              "ZYK LXD 455 Sentinel Printer Driver & Status Monitor installed successfully.");
}

}  // namespace
