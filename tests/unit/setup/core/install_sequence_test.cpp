#include "setup/core/InstallSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kModel = "ZYK LXD 455 Sentinel";

using setup::core::InstallStep;

// Steps that answer as configured and record the order they were run in.
struct ScriptedSteps {
    bool directory = true, driver = true, queue = true, monitor = true, inf = true, uninstall = true;
    std::string printerName = kModel;
    std::vector<std::string> calls;

    bool Run(InstallStep step) {
        switch (step) {
        case InstallStep::GetDriverDirectory: return Record("directory", directory);
        case InstallStep::RegisterDriver: return Record("driver", driver);
        case InstallStep::AddPrinterQueue: return Record("queue", queue);
        case InstallStep::DeployMonitor: return Record("deploy", monitor);
        case InstallStep::RegisterAutoRun: return Record("autorun", true);
        case InstallStep::CreateShortcut: return Record("shortcut", true);
        case InstallStep::LaunchMonitor: return Record("launch", true);
        case InstallStep::StageInf: return Record("inf", inf);
        case InstallStep::WriteUninstallEntry: return Record("uninstall", uninstall);
        case InstallStep::Done: break;
        }
        return Record("done", false);
    }

private:
    bool Record(const char* name, bool answer) {
        calls.push_back(name);
        return answer;
    }
};

// Runs the steps as the installer does, handing each result to the sequence.
setup::core::InstallOutcome RunInstallation(ScriptedSteps& steps, const std::string& modelName) {
    setup::core::InstallOutcome outcome;
    InstallStep step = InstallStep::GetDriverDirectory;
    while (step != InstallStep::Done) {
        const bool succeeded = steps.Run(step);
        step = setup::core::NextInstallStep(step, {succeeded, steps.printerName}, modelName, outcome);
    }
    return outcome;
}

using Calls = std::vector<std::string>;

TEST(InstallSequence, FullInstallationDeploysRegistersAndLaunchesTheMonitor) {
    ScriptedSteps steps;
    const setup::core::InstallOutcome outcome = RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls,
              (Calls{"directory", "driver", "queue", "deploy", "autorun", "shortcut", "launch", "inf", "uninstall"}));
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
        const setup::core::InstallOutcome outcome = RunInstallation(steps, kModel);
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
    const setup::core::InstallOutcome outcome = RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "deploy", "inf", "uninstall"}));
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).text,
              "ZYK LXD 455 Sentinel Printer Driver installed successfully.");
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).icon, 0x40u);
}

TEST(InstallSequence, CopyQueueSkipsTheMonitorButStagesInfAndWritesUninstall) {
    ScriptedSteps steps;
    steps.printerName = kModel + " (Copy 2)";
    const setup::core::InstallOutcome outcome = RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "inf", "uninstall"}));
    EXPECT_EQ(outcome.result, "ZYK LXD 455 Sentinel (Copy 2) Printer Driver installed successfully.");
}

TEST(InstallSequence, NameComparisonIsCaseSensitive) {
    ScriptedSteps steps;
    steps.printerName = "zyk lxd 455 sentinel";
    RunInstallation(steps, kModel);
    EXPECT_EQ(steps.calls, (Calls{"directory", "driver", "queue", "inf", "uninstall"}));
}

TEST(InstallSequence, LateFailuresChangeNeitherFlagsNorText) {
    ScriptedSteps steps;
    steps.inf = false;
    steps.uninstall = false;
    const setup::core::InstallOutcome outcome = RunInstallation(steps, kModel);
    EXPECT_TRUE(outcome.queueAdded);
    EXPECT_EQ(setup::core::ChooseResultMessage(outcome).text,
              "ZYK LXD 455 Sentinel Printer Driver & Status Monitor installed successfully.");
}

}  // namespace
