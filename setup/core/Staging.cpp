#include "setup/core/Staging.h"

#include "common/core/PendingRenames.h"
#include "setup/core/InstallLayout.h"

#include <algorithm>

namespace setup::core {

std::string PackageCopyList(const std::array<bool, kPackagePatternNames.size()>& matched) {
    std::string list;
    for (std::size_t i = 0; i < kPackagePatternNames.size(); ++i) {
        if (!matched[i]) continue;
        list += kPackagePatternNames[i];
        list.push_back('\0');
    }
    return list;
}

std::vector<std::string> WrittenPaths(const std::string& driverDir, const std::vector<std::string>& stagedNames,
                                      const std::string& commonPrograms) {
    std::vector<std::string> paths = InstalledFiles(driverDir);
    for (const std::string& name : stagedNames) {
        std::string path = driverDir;
        path += '\\';
        path += name;
        paths.push_back(std::move(path));
    }
    paths.push_back(contract::FolderPath(driverDir, contract::Folder::Monitor));
    if (!commonPrograms.empty()) {
        const std::string folder = ShortcutFolder(commonPrograms);
        paths.push_back(folder);
        paths.push_back(ShortcutFile(folder));
    }
    return paths;
}

std::optional<std::u16string> WithoutDeletionsOf(const std::u16string& value,
                                                 const std::vector<std::u16string>& paths) {
    std::vector<std::u16string> ours;
    ours.reserve(paths.size());
    for (const std::u16string& path : paths) ours.push_back(pw::PendingPathKey(path));
    std::vector<pw::PendingRename<char16_t>> renames = pw::ParsePendingRenames(value.data(), value.size());
    const auto before = renames.size();
    renames.erase(std::remove_if(
                      renames.begin(), renames.end(),
                      [&](const pw::PendingRename<char16_t>& r) {
        return r.target.empty() && std::find(ours.begin(), ours.end(), pw::PendingPathKey(r.source)) != ours.end();
                      }),
                  renames.end());
    if (renames.size() == before) return std::nullopt;
    return pw::JoinPendingRenames(renames);
}

}  // namespace setup::core
