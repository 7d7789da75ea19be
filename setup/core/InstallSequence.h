// The installation sequence of the installer engine: which step runs after
// which, the three step flags, whether the monitor is deployed, the success
// text, and the one result message chosen from the flags.
//
// The Win32 installer supplies the steps through InstallSteps; the rules here
// decide only what runs and what the user is told.
#pragma once

#include <string>

namespace setup::core {

// The steps of one installation as the sequence needs them.
class InstallSteps {
public:
    virtual ~InstallSteps() = default;
    virtual bool GetDriverDirectory() = 0;
    virtual bool RegisterDriver() = 0;
    // Creates the queue; on success PrinterName() is the name it was created under.
    virtual bool AddPrinterQueue() = 0;
    virtual const std::string& PrinterName() const = 0;
    virtual bool DeployMonitor() = 0;
    virtual void RegisterAutoRun() = 0;
    virtual void CreateShortcut() = 0;
    virtual void LaunchMonitor() = 0;
    virtual bool StageInf() = 0;
    virtual bool WriteUninstallEntry() = 0;
};

// What an installation leaves for ShowResult. A flag means something only
// when every earlier flag is set.
struct InstallOutcome {
    bool directoryFound = false;
    bool driverAdded = false;
    bool queueAdded = false;
    std::string result;
};

// Runs the sequence for the queue name modelName; nothing done is undone.
InstallOutcome RunInstallation(InstallSteps& steps, const std::string& modelName);

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
