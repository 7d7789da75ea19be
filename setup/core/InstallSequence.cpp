#include "setup/core/InstallSequence.h"

#include "setup/core/SetupTexts.h"

namespace setup::core {

std::string DriverAndMonitorInstalledText(const std::string& printerName) {
    return printerName + " Printer Driver & Status Monitor installed successfully.";
}

std::string DriverInstalledText(const std::string& printerName) {
    return printerName + " Printer Driver installed successfully.";
}

InstallOutcome RunInstallation(InstallSteps& steps, const std::string& modelName) {
    InstallOutcome outcome;
    outcome.directoryFound = steps.GetDriverDirectory();
    if (!outcome.directoryFound) return outcome;
    outcome.driverAdded = steps.RegisterDriver();
    if (!outcome.driverAdded) return outcome;
    outcome.queueAdded = steps.AddPrinterQueue();
    if (!outcome.queueAdded) return outcome;

    const std::string printerName = steps.PrinterName();
    if (printerName != modelName) {
        // An additional copy of an installed queue: the monitor deployed with
        // the first one serves it already.
        outcome.result = DriverInstalledText(printerName);
    } else if (steps.DeployMonitor()) {
        steps.RegisterAutoRun();
        steps.CreateShortcut();
        steps.LaunchMonitor();
        outcome.result = DriverAndMonitorInstalledText(printerName);
    } else {
        outcome.result = DriverInstalledText(printerName);
    }
    // Neither result changes what the user is told.
    steps.StageInf();
    steps.WriteUninstallEntry();
    return outcome;
}

ResultMessage ChooseResultMessage(const InstallOutcome& outcome) {
    if (!outcome.directoryFound) return {kErrorNoDriverDirectory, kIconStop};
    if (!outcome.driverAdded) return {kErrorDriverRefused, kIconStop};
    if (!outcome.queueAdded) return {kErrorNoQueue, kIconStop};
    return {outcome.result, kIconInformation};
}

}  // namespace setup::core
