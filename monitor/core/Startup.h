// Small rules of the monitor's start.
#pragma once

#include <string>

namespace monitor {

// The folder of a program's full path: "C:\PGW\x.exe" gives "C:\PGW", and a
// drive's root keeps its backslash ("C:\x.exe" gives "C:\"). Empty when the
// path names no folder.
std::string ProgramFolder(const std::string& path);

}  // namespace monitor
