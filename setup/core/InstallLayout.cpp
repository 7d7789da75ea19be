#include "setup/core/InstallLayout.h"

#include "catalogue/Catalogue.h"

#include <cstring>

namespace setup::core {

namespace {
constexpr std::size_t ConstLength(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}
}  // namespace

std::string MonitorTargetDir(const std::string& driverDir) {
    std::string dir = driverDir + "\\PGW\\";
    dir.push_back('\0');
    return dir;
}

std::array<char, kMonitorSourceSize> MonitorSource() {
    std::array<char, kMonitorSourceSize> source{};
    // The last two bytes stay zero: the shell reads a double-null-terminated list.
    static_assert(ConstLength("PGW\\") + ConstLength(catalogue::ModelKey) + ConstLength(".exe") + 2 <=
                      kMonitorSourceSize,
                  "monitor source buffer too small for the model key");
    const std::string path = std::string("PGW\\") + catalogue::ModelKey + ".exe";
    std::memcpy(source.data(), path.data(), path.size());
    return source;
}

std::string MonitorExecutable(const std::string& driverDir) {
    return driverDir + "\\PGW\\" + catalogue::ModelKey + ".exe";
}

std::string AutoRunValueName() { return std::string("ZYKE") + catalogue::ModelKey; }

std::string AutoRunValueData(const std::string& driverDir) { return driverDir + "\\PGW\\" + catalogue::ModelKey; }

std::string ShortcutDescription() { return std::string("Shortcut to Status Monitor - ") + catalogue::ModelName; }

std::string ShortcutFolder(const std::string& commonPrograms) { return commonPrograms + "\\ZYK Electronics"; }

std::string ShortcutFile(const std::string& folder) {
    return folder + "\\Pagewarden" + catalogue::ModelKey + ".LNK";
}

UninstallValues MakeUninstallValues(const std::string& driverDir) {
    const std::string uninstaller = driverDir + "\\Uninstall.exe";
    return {{"DisplayName", "ZYK Electronics Printer Software"},
            {"UninstallString", uninstaller},
            {"DisplayIcon", uninstaller},
            {"Publisher", "ZYK Electronics"},
            // The version both programs show ("Version 2.01 (9W)", "Ver 2.01 (9W)").
            {"DisplayVersion", "2.01"},
            {"NoModify", 1},
            {"NoRepair", 1}};
}

std::vector<std::string> InstalledFiles(const std::string& driverDir) {
    const std::string d = driverDir + "\\";
    return {d + catalogue::ModelGpdFile, d + catalogue::ModelInfFile, d + "ZYKE9pin.dll", d + "ZYKE9pin.cat",
            d + "setup.exe", d + "Uninstall.exe", d + "3\\" + catalogue::ModelGpdFile, d + "3\\ZYKE9pin.dll",
            MonitorExecutable(driverDir)};
}

RegistryDword EstimatedSize(std::uint64_t bytes) {
    const std::uint64_t kb = (bytes + 1023) / 1024;
    return {"EstimatedSize", kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb)};
}

std::string InfPath(const std::string& driverDir) { return driverDir + "\\" + catalogue::ModelInfFile; }

bool CopyBounded(char* buffer, std::size_t capacity, const std::string& text) {
    if (buffer == nullptr || capacity == 0) return false;
    if (text.size() >= capacity || text.find('\0') != std::string::npos) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace setup::core
