// The installation sequence of the installer engine: which step runs after
// which, the three step flags, whether the monitor is deployed, the success
// text, and the one result message chosen from the flags.
//
// The Win32 installer runs the steps and hands each result to
// NextInstallStep; the rules here decide only what runs next and what the
// user is told.
#pragma once

#include <string>

namespace setup::core {

// The steps of one installation, the first one first.
enum class InstallStep {
    GetDriverDirectory,
    RegisterDriver,
    AddPrinterQueue,  // on success the queue has a name, maybe not the model's
    DeployMonitor,
    RegisterAutoRun,  // this and the next two report nothing
    CreateShortcut,
    LaunchMonitor,
    StageInf,
    WriteUninstallEntry,
    Done  // nothing more runs; nothing done is undone
};

// What one step reported.
struct StepResult {
    bool succeeded = false;
    std::string printerName;  // AddPrinterQueue: the name the queue was created under
};

// What an installation leaves for ShowResult. A flag means something only
// when every earlier flag is set.
struct InstallOutcome {
    bool directoryFound = false;
    bool driverAdded = false;
    bool queueAdded = false;
    std::string printerName;  // the queue's name, once it was added
    std::string result;
};

// Takes the result of the step just run into the outcome and names the step
// to run next, for the queue name modelName. The sequence starts with
// InstallStep::GetDriverDirectory and ends at InstallStep::Done.
InstallStep NextInstallStep(InstallStep done, const StepResult& result, const std::string& modelName,
                            InstallOutcome& outcome);

// The success texts.
std::string DriverAndMonitorInstalledText(const std::string& printerName);
std::string DriverInstalledText(const std::string& printerName);

// The message box icons the result uses (the platform's values).
constexpr unsigned kIconStop = 0x10;
constexpr unsigned kIconInformation = 0x40;

struct ResultMessage {
    std::string text;
    unsigned icon;
};

// The one message that reports an outcome, chosen by its first unset flag.
ResultMessage ChooseResultMessage(const InstallOutcome& outcome);

}  // namespace setup::core
