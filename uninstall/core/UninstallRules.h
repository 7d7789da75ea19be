// What the uninstaller decides without Windows: which files and records are
// ours, where a service's image lies, which INF in the system's store is the
// one we staged, which files already wait for a restart, and the order and
// texts of one uninstallation.
//
// The uninstall entry, Uninstall.exe, ZYKE9pin.dll, the catalogue and the port
// driver are shared by every model of the family installed on the machine,
// and the entry names whichever model's uninstaller came last. So the
// uninstaller knows every row of the catalogue: one run removes each model
// it finds, then the shared parts once no model is left.
#pragma once

#include "contract/InstalledLayout.h"
#include "contract/PortDriver.h"
#include "contract/Programs.h"

#include <cstddef>
#include <string>
#include <vector>

namespace uninstall {

// ---------------------------------------------------------------- texts
inline constexpr const char kCaption[] = "ZYK Electronics Printer Software - Uninstall";
// The question names the models found; with none, what is left of the family's shared parts.
std::string QuestionText(const std::vector<int>& models);
inline constexpr const char kRemoved[] = "The ZYK Electronics printer software has been removed.";
inline constexpr const char kRestartNote[] =
    "Some of its files are still in use. They will be removed when you restart the computer.";
inline constexpr const char kNothingToRemove[] =
    "The ZYK Electronics printer software is not installed on this computer. There is nothing to remove.";
inline constexpr const char kSetupRunning[] =
    "Setup or another uninstallation of the ZYK Electronics printer software is running.\n"
    "Let it finish, then run this program again.";
inline constexpr const char kNotAllowed[] =
    "You are not allowed to remove printers and printer drivers on this computer.\n"
    "Ask an administrator to remove the ZYK Electronics printer software.";
inline constexpr const char kIncompleteHead[] =
    "The ZYK Electronics printer software could not be removed completely. Left in place:";
// What the user can do: what was in use is free after a restart, and the
// entry and this program stay until everything is gone.
inline constexpr const char kIncompleteTail[] =
    "Close the programs that print or show the printer, or restart the computer; then remove the rest with "
    "\"ZYK Electronics Printer Software\" in Programs and Features (or Uninstall.exe on the installation medium).";

// ---------------------------------------------------------------- names
inline constexpr const char kServiceName[] = HWI_SERVICE_NAME;
inline constexpr const char kDriverImageName[] = HWI_IMAGE_NAME;
inline constexpr const char kCompanyName[] = "ZYK Electronics";
using contract::kInstallerLockName;
using contract::kMonitorCaptionSuffix;
using contract::kMonitorExitCommand;
using contract::kSetupProgram;
using contract::kSharedCatalog;
using contract::kSharedDll;
using contract::kUninstaller;

// ---------------------------------------------------------------- models
// What each model's installation leaves under its own names (model 0 to 13),
// as the installed layout names them; another number has no names.
using contract::IsModel;
const char* ModelName(int model);
// The status monitor's window caption, its image's file name, its Run value,
// its deployed file D\PGW\<ModelKey>.exe and its shortcut's file name.
std::string MonitorCaption(int model);
std::string MonitorImageName(int model);
std::string AutoRunValueName(int model);
std::string MonitorExecutable(const std::string& driverDir, int model);
std::string ShortcutFileName(int model);
// D + "\" + the model's INF.
std::string InfPath(const std::string& driverDir, int model);
// The model whose driver record has this name, or -1.
int ModelOfDriver(const std::string& driverName);

// Case-insensitive (ASCII) comparison, as Windows compares file names.
bool SameName(const std::string& a, const std::string& b);

// The version strings a file carries; empty when it has none.
struct VersionStrings {
    std::string companyName;
    std::string originalFilename;
};

// A file is ours when its version resource names our company and the file
// name we built it under. Names alone prove nothing: "hwinterface.sys",
// "setup.exe" and "Uninstall.exe" are common names another maker may use.
bool IsOurs(const VersionStrings& version, const std::string& originalFilename);

// Files of the platform's universal printer driver, which the installation
// names in its driver record but never brought: never removed.
bool IsUniversalDriverFile(const std::string& fileName);

// The file a service's image path names, as the service manager resolves it
// against the Windows directory: "System32\...", "\SystemRoot\...",
// "%SystemRoot%\...", "\??\C:\..." or "C:\...". Empty for any other form.
std::string ResolveServiceImagePath(const std::string& imagePath, const std::string& windowsDir);

// ---------------------------------------------------------------- package files
struct PackageFile {
    std::string path;
    // Only removed when its version resource says it is ours.
    bool needsVersionCheck = false;
};

// The files staging copied into the driver directory D and the spooler's
// copies in D\3, never a universal driver file: a model's own (its GPD and
// INF, and the compiled GPD the universal driver writes beside the spooler's
// copy, <GPD name>.BUD), and those every model of the family shares (ZYKE9pin.dll, the
// catalogue, setup.exe), without the uninstaller itself (removed last) and the
// monitor (removed with its folder). Read from the installed layout; the files
// that need a version check come after the others.
std::vector<PackageFile> ModelFiles(const std::string& driverDir, int model);
std::vector<PackageFile> SharedFiles(const std::string& driverDir);

// True when a driver's dependent files (a double-null list in `files` of
// `size` bytes) name the family's shared DLL, bare or with a path (the spooler
// answers with full paths).
bool NamesSharedDll(const char* files, std::size_t size);

// ---------------------------------------------------------------- INF store
// Names in the INF folder that may be a staged INF of ours: oem<n>.inf, which
// Windows gives it, and a model INF's own name, which Wine keeps.
bool IsInfCandidate(const std::string& fileName);

// A candidate is the model's INF, of whichever release staged it, when it is
// our family's INF for the model: its [Version] section names our catalogue
// (CatalogFile) and one of its lines names the model's hardware id,
// USBPRINT\ZYK<ModelKey>, as a whole id (no other model's that begins alike).
bool InfMatches(const std::string& inf, int model);

// ---------------------------------------------------------------- restarts
// The files that the system deletes at the next restart, from the bytes of
// the PendingFileRenameOperations value (pairs of source and target, a delete
// has an empty target). Paths come back without "\??\", in lower case.
std::vector<std::string> PendingDeletions(const unsigned char* bytes, std::size_t size);
bool IsPendingDeletion(const std::vector<std::string>& pending, const std::string& path);

// The string a pointer from a system record points at, when it lies in the
// record's buffer and ends there; false (and `out` empty) otherwise.
bool BoundedString(const void* buffer, std::size_t size, const char* p, std::string& out);

}  // namespace uninstall
