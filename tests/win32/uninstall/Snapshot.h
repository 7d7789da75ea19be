// A picture of a Wine prefix to compare before and after: the registry as
// `regedit /E` exports it, and the file tree under the given folders.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace snapshot {

struct Snapshot {
    // "[KEY]" for each key and "[KEY] name=data" for each value, as exported.
    std::set<std::string> registry;
    // "path\" for each folder and "path size" for each file.
    std::set<std::string> files;
};

// Exports the whole registry with regedit into `exportFile` and walks the folders.
bool Take(const std::string& exportFile, const std::vector<std::string>& folders, Snapshot& out, std::string& error);

// The entries of a parsed regedit export (UTF-16 with a byte order mark, or ANSI).
std::set<std::string> ParseRegistryExport(const std::string& bytes);

// One allowed difference: entries matching the pattern (ECMAScript, whole
// entry, case-insensitive) may appear or disappear, for the reason given.
struct Allowance {
    const char* pattern;
    const char* reason;
};

// Entries added ("+ ...") and removed ("- ...") that no allowance covers.
std::vector<std::string> Unexplained(const std::set<std::string>& before, const std::set<std::string>& after,
                                     const std::vector<Allowance>& allowed);

}  // namespace snapshot
