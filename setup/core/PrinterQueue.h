// Creation of the printer queue: the retry while the spooler does not know the
// port yet, the " (Copy n)" names while the name is taken, the default-printer
// call with the final name, and the driver-unknown report.
#pragma once

#include <string>

namespace setup::core {

// The spooler errors the queue creation tells apart.
constexpr unsigned long kErrorUnknownPort = 1796;
constexpr unsigned long kErrorUnknownPrinterDriver = 1797;
constexpr unsigned long kErrorPrinterAlreadyExists = 1802;

// What the queue creation asks of the spooler and the user interface.
class QueueSpooler {
public:
    virtual ~QueueSpooler() = default;
    // One attempt to create the queue under printerName; true when it was created.
    virtual bool AddQueue(const std::string& printerName) = 0;
    // The spooler's error of the last AddQueue attempt (0 after a success).
    virtual unsigned long LastError() const = 0;
    virtual void SetDefaultPrinter(const std::string& printerName) = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    // Tells the user that the spooler does not know the driver.
    virtual void ReportDriverUnknown() = 0;
};

struct QueueRetryPolicy {
    unsigned portRetryIntervalMs = 2000;
    // About a minute of waiting for a port the spooler does not know yet; then
    // the queue creation fails instead of blocking the installer for good.
    unsigned maxPortRetries = 30;
    // A spooler that refuses every name would otherwise keep the loop going forever.
    unsigned maxCopies = 999;
};

// " (Copy n)" appended to the model name.
std::string CopyName(const std::string& modelName, unsigned n);

// Creates the queue; returns true when one was created, with its name in printerName.
bool AddPrinterQueue(QueueSpooler& spooler, const std::string& modelName, std::string& printerName,
                     const QueueRetryPolicy& policy = {});

}  // namespace setup::core
