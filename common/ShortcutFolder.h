// The folder the system names for all users' programs (CSIDL_COMMON_PROGRAMS),
// below which the installer puts the Start-menu shortcut's folder and the
// uninstaller looks for it: wherever the Start menu lives on the machine.
// Empty when the system names no such folder or it does not exist.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace pw {

inline std::string CommonProgramsFolder() {
    char path[MAX_PATH] = {};
    // S_FALSE: the folder is named but does not exist.
    if (SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
    path[MAX_PATH - 1] = '\0';
    return path;
}

}  // namespace pw
