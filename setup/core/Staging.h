// What the staging of the package decides: which of the package patterns the
// shell is given (only those that match a file of the medium), and which
// deletions waiting for the next restart it takes out because the
// installation writes those paths again.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace setup::core {

// The package patterns, in the order of the copy list.
inline constexpr std::array<const char*, 6> kPackagePatternNames = {"*.GPD", "*.DLL", "*.INF",
                                                                    "*.HLP", "*.CAT", "*.EXE"};

// The copy list of the patterns that matched a file of the medium, in their
// order, double-null-terminated (size() counts the first null; c_str()
// supplies the second). A pattern that matches nothing is left out: the
// shell may refuse the whole copy for it. Empty when nothing matched.
std::string PackageCopyList(const std::array<bool, kPackagePatternNames.size()>& matched);

// Every path in D and the Start menu that an installation writes: the staged
// files (by their names on the medium), the spooler's copies, the monitor
// and its folder, the shortcut and its folder (when `commonPrograms`, the
// all-users Programs folder, is known).
std::vector<std::string> WrittenPaths(const std::string& driverDir, const std::vector<std::string>& stagedNames,
                                      const std::string& commonPrograms);

// The PendingFileRenameOperations value (UTF-16 code units as the registry
// returned them) without the deletions of `paths` (as the system's UTF-16
// converts them). nullopt when none of them is pending: the value stays as
// it is. An empty result means no entry is left.
std::optional<std::u16string> WithoutDeletionsOf(const std::u16string& value, const std::vector<std::u16string>& paths);

}  // namespace setup::core
