// What the uninstaller reads from the system before it removes anything: the
// folders, the files' version resources, the deletions waiting for a restart,
// the spooler's queues and drivers, the INF store, the monitor's windows and
// the port driver's service.
#pragma once

#include "common/Handles.h"
#include "uninstall/core/UninstallRules.h"

#include <windows.h>

#include <string>
#include <vector>

namespace uninstall::win32 {

std::string WindowsDirectory();
std::string SystemDirectory();
std::string OwnPath();
// The spooler's printer driver directory; empty when it cannot be read.
std::string DriverDirectory();

bool Exists(const std::string& path);
// A whole file of at most `maxBytes`.
bool ReadFileBytes(const std::string& path, DWORD maxBytes, std::string& out);
// The company and original file name from a file's version resource.
VersionStrings ReadVersionStrings(const std::string& path);
bool IsOurFile(const std::string& path, const std::string& originalName);
std::vector<std::string> ReadPendingDeletions();

// One local printer or driver record as the shell needs it.
struct QueueRecord {
    std::string printerName;
    std::string driverName;
};
// False when the spooler could not be asked.
bool EnumerateQueues(std::vector<QueueRecord>& queues);

struct DriverFacts {
    bool enumerated = false;
    std::vector<bool> registered = std::vector<bool>(catalogue::kModelCount, false);
    bool namesSharedDll = false;  // some driver record still lists ZYKE9pin.dll
};
DriverFacts ReadDrivers();

// A model's INFs in the system's INF store, of whichever release staged them.
std::vector<std::string> FindStoredInf(int model);

// The status windows of a model's monitor, hidden or not, in this session.
std::vector<HWND> FindMonitorWindows(int model);

// System32\Drivers\hwinterface.sys, where the monitor puts the port driver.
std::string FixedImagePath();
// The hwinterface service is ours when it is a kernel driver whose image
// carries our version resource (company "ZYK Electronics", original name
// "hwinterface.sys"); another maker's driver of that name is left alone.
// `image` receives the image's path; `keep`, when given, the service opened
// for stopping and deleting.
bool OurServiceImage(std::string& image, pw::unique_service* keep = nullptr);

}  // namespace uninstall::win32
