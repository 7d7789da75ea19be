#include "setup/core/PrinterQueue.h"

namespace setup::core {

std::string CopyName(const std::string& modelName, unsigned n) {
    return modelName + " (Copy " + std::to_string(n) + ")";
}

bool AddPrinterQueue(QueueSpooler& spooler, const std::string& modelName, std::string& printerName,
                     const QueueRetryPolicy& policy) {
    printerName = modelName;
    bool created = spooler.AddQueue(printerName);
    for (unsigned retry = 0; !created && spooler.LastError() == kErrorUnknownPort && retry < policy.maxPortRetries;
         ++retry) {
        // A USB port appears in the spooler a little after the device arrives.
        spooler.Sleep(policy.portRetryIntervalMs);
        created = spooler.AddQueue(printerName);
    }

    for (unsigned n = 1; !created && spooler.LastError() == kErrorPrinterAlreadyExists && n <= policy.maxCopies; ++n) {
        printerName = CopyName(modelName, n);
        created = spooler.AddQueue(printerName);
    }
    if (created) spooler.SetDefaultPrinter(printerName);

    if (spooler.LastError() == kErrorUnknownPrinterDriver) {
        spooler.ReportDriverUnknown();
        return false;
    }
    return created;
}

}  // namespace setup::core
