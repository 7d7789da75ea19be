#include "setup/core/InstallLayout.h"

#include "catalogue/Catalogue.h"

#include <cstring>

namespace setup::core {

namespace {
// This installer's row only, read at compile time: it carries no other model's names.
constexpr contract::ModelRow kRow = {catalogue::ModelKey, catalogue::ModelGpdFile, catalogue::ModelInfFile};

constexpr std::size_t ConstLength(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}
}  // namespace

std::string MonitorTargetDir(const std::string& driverDir) {
    std::string dir = contract::FolderPath(driverDir, contract::Folder::Monitor) + "\\";
    dir.push_back('\0');
    return dir;
}

std::array<char, kMonitorSourceSize> MonitorSource() {
    std::array<char, kMonitorSourceSize> source{};
    // The last two bytes stay zero: the shell reads a double-null-terminated list.
    constexpr std::size_t kPathLength = ConstLength(contract::kMonitorFolder) + ConstLength("\\") +
                                        ConstLength(catalogue::ModelKey) + ConstLength(".exe");
    static_assert(kPathLength + 2 <= kMonitorSourceSize, "monitor source buffer too small for the model key");
    const std::string path = std::string(contract::kMonitorFolder) + "\\" + contract::MonitorImageName(kRow);
    std::memcpy(source.data(), path.data(), path.size());
    return source;
}

std::string MonitorExecutable(const std::string& driverDir) { return contract::MonitorExecutable(driverDir, kRow); }

std::string AutoRunValueName() { return contract::AutoRunValueName(kRow); }

std::string AutoRunValueData(const std::string& driverDir) {
    return contract::FolderPath(driverDir, contract::Folder::Monitor) + "\\" + catalogue::ModelKey;
}

std::string ShortcutDescription() { return std::string("Shortcut to Status Monitor - ") + catalogue::ModelName; }

std::string ShortcutFolder(const std::string& commonPrograms) { return contract::ShortcutFolder(commonPrograms); }

std::string ShortcutFile(const std::string& folder) { return folder + "\\" + contract::ShortcutFileName(kRow); }

UninstallValues MakeUninstallValues(const std::string& driverDir) {
    const std::string uninstaller = driverDir + "\\" + contract::kUninstaller;
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
    std::vector<std::string> files;
    for (const contract::InstalledFile& file : contract::kInstalledFiles)
        if (file.written) files.push_back(contract::FilePath(driverDir, file, kRow));
    return files;
}

RegistryDword EstimatedSize(std::uint64_t bytes) {
    const std::uint64_t kb = (bytes + 1023) / 1024;
    return {"EstimatedSize", kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb)};
}

std::string InfPath(const std::string& driverDir) { return contract::InfPath(driverDir, kRow); }

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
