#include "monitor/core/Startup.h"

namespace monitor {

std::string ProgramFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    // "C:" alone is the drive's current directory, not its root.
    if (slash == 2 && path[1] == ':') return path.substr(0, 3);
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

}  // namespace monitor
