// The names, paths and registry values that an installation leaves behind,
// built from the printer driver directory D (no trailing separator) and the
// current model's catalogue row. Plain concatenation throughout.
#pragma once

#include "contract/InstalledLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup::core {

// D + "\PGW\" with a second terminating null: the monitor copy's destination
// (size() counts the first null; c_str() supplies the second).
std::string MonitorTargetDir(const std::string& driverDir);

// The monitor's source relative to the installation medium, "PGW\" + ModelKey
// + ".exe", in the zero-filled 150-byte buffer the shell copy reads (double null).
constexpr std::size_t kMonitorSourceSize = 150;
std::array<char, kMonitorSourceSize> MonitorSource();

// D + "\PGW\" + ModelKey + ".exe": the deployed monitor, the shortcut target, the launched file.
std::string MonitorExecutable(const std::string& driverDir);

// The auto-start value: name "ZYKE" + ModelKey, data D + "\PGW\" + ModelKey without extension.
using contract::kRunKey;
std::string AutoRunValueName();
std::string AutoRunValueData(const std::string& driverDir);

// The Start-menu shortcut, in a folder of ours below the folder the system
// names for all users' programs (CSIDL_COMMON_PROGRAMS; the installer and the
// uninstaller ask the same).
std::string ShortcutDescription();
std::string ShortcutFolder(const std::string& commonPrograms);
std::string ShortcutFile(const std::string& folder);

// A REG_SZ value as written: its data length counts the terminating null.
struct RegistryString {
    std::string name;
    std::string data;
    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size() + 1); }
};

using contract::kUninstallKey;
// A REG_DWORD value.
struct RegistryDword {
    std::string name;
    std::uint32_t data;
};

// The entry's values: what Programs and Features shows in its columns (the
// publisher, the version, the size) and that it offers no Change or Repair,
// which the installer could not do. The icon is the uninstaller's own.
struct UninstallValues {
    RegistryString displayName;
    RegistryString uninstallString;
    RegistryString displayIcon;
    RegistryString publisher;
    RegistryString displayVersion;
    RegistryDword noModify;
    RegistryDword noRepair;
};
UninstallValues MakeUninstallValues(const std::string& driverDir);

// The files an installation leaves in D (the package, the spooler's copies in
// D\3, the monitor), whose sizes the entry's "EstimatedSize" adds up: those
// of the installed layout the installer writes.
std::vector<std::string> InstalledFiles(const std::string& driverDir);
// "EstimatedSize": kilobytes, rounded up.
RegistryDword EstimatedSize(std::uint64_t bytes);

// D + "\" + ModelInfFile.
std::string InfPath(const std::string& driverDir);

// Copies text with its terminator into a fixed buffer of `capacity` bytes;
// false (buffer left empty) when it does not fit.
bool CopyBounded(char* buffer, std::size_t capacity, const std::string& text);

}  // namespace setup::core
