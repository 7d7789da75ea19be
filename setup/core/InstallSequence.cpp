#include "setup/core/InstallSequence.h"

#include "setup/core/SetupTexts.h"

namespace setup::core {

std::string DriverAndMonitorInstalledText(const std::string& printerName) {
    return printerName + " Printer Driver & Status Monitor installed successfully.";
}

std::string DriverInstalledText(const std::string& printerName) {
    return printerName + " Printer Driver installed successfully.";
}

InstallStep NextInstallStep(InstallStep done, const StepResult& result, const std::string& modelName,
                            InstallOutcome& outcome) {
    switch (done) {
    case InstallStep::GetDriverDirectory:
        outcome.directoryFound = result.succeeded;
        return result.succeeded ? InstallStep::RegisterDriver : InstallStep::Done;
    case InstallStep::RegisterDriver:
        outcome.driverAdded = result.succeeded;
        return result.succeeded ? InstallStep::AddPrinterQueue : InstallStep::Done;
    case InstallStep::AddPrinterQueue:
        outcome.queueAdded = result.succeeded;
        if (!result.succeeded) return InstallStep::Done;
        outcome.printerName = result.printerName;
        outcome.result = DriverInstalledText(outcome.printerName);
        // An additional copy of an installed queue: the monitor deployed with
        // the first one serves it already.
        return outcome.printerName == modelName ? InstallStep::DeployMonitor : InstallStep::StageInf;
    case InstallStep::DeployMonitor:
        if (!result.succeeded) return InstallStep::StageInf;
        outcome.result = DriverAndMonitorInstalledText(outcome.printerName);
        return InstallStep::RegisterAutoRun;
    case InstallStep::RegisterAutoRun: return InstallStep::CreateShortcut;
    case InstallStep::CreateShortcut: return InstallStep::LaunchMonitor;
    case InstallStep::LaunchMonitor: return InstallStep::StageInf;
    // Neither of the last two results changes what the user is told.
    case InstallStep::StageInf: return InstallStep::WriteUninstallEntry;
    case InstallStep::WriteUninstallEntry:
    case InstallStep::Done: break;
    }
    return InstallStep::Done;
}

ResultMessage ChooseResultMessage(const InstallOutcome& outcome) {
    if (!outcome.directoryFound) return {kErrorNoDriverDirectory, kIconStop};
    if (!outcome.driverAdded) return {kErrorDriverRefused, kIconStop};
    if (!outcome.queueAdded) return {kErrorNoQueue, kIconStop};
    return {outcome.result, kIconInformation};
}

}  // namespace setup::core
