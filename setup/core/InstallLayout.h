// The names, paths and registry values that an installation leaves behind,
// built from the printer driver directory D (no trailing separator) and the
// current model's catalogue row. Plain concatenation throughout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup::core {

// The driver package patterns copied flat into D, as one double-null-terminated list.
extern const std::string kPackagePatterns;

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
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
std::string AutoRunValueName();
std::string AutoRunValueData(const std::string& driverDir);

// The Start-menu shortcut.
inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kProgramsValue = "Programs";
constexpr std::size_t kProgramsBufferSize = 91;
std::string ShortcutDescription();

// The drive letter of a "Programs" value read into the 91-byte buffer:
// bytes holds `size` bytes as the registry returned them (not necessarily
// terminated). Returns 0 when the value gives no drive letter.
char ProgramsDriveLetter(const unsigned char* bytes, std::size_t size);

// The drive the shortcut folder goes on: the Programs folder's drive, or when
// that is unknown the system drive (first letter of the Windows directory);
// 0 when neither gives a drive letter, and the shortcut is skipped.
char ShortcutDrive(char programsDrive, const std::string& windowsDir);

std::string ShortcutFolder(char drive);
std::string ShortcutFile(const std::string& folder);

// A REG_SZ value as written: its data length counts the terminating null.
struct RegistryString {
    std::string name;
    std::string data;
    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size() + 1); }
};

inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics";
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
// D\3, the monitor), whose sizes the entry's "EstimatedSize" adds up.
std::vector<std::string> InstalledFiles(const std::string& driverDir);
// "EstimatedSize": kilobytes, rounded up.
RegistryDword EstimatedSize(std::uint64_t bytes);

// D + "\" + ModelInfFile.
std::string InfPath(const std::string& driverDir);

// Copies text with its terminator into a fixed buffer of `capacity` bytes;
// false (buffer left empty) when it does not fit.
bool CopyBounded(char* buffer, std::size_t capacity, const std::string& text);

}  // namespace setup::core
