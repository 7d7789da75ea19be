// The drive of the Start-menu shortcut, as the installer and the uninstaller
// both find it: the first letter of the user's "Programs" shell folder, or the
// system drive when that value cannot be read; 0 when neither gives a drive.
#pragma once

#include "common/Handles.h"
#include "setup/core/InstallLayout.h"

#include <windows.h>

#include <string>

namespace setup::engine {

inline char FindShortcutDrive(REGSAM access) {
    char programsDrive = 0;
    {
        pw::unique_hkey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, core::kShellFoldersKey, 0, access, key.put()) == ERROR_SUCCESS) {
            BYTE programs[core::kProgramsBufferSize] = {};
            DWORD size = sizeof programs;
            DWORD type = 0;
            if (RegQueryValueExA(key.get(), core::kProgramsValue, nullptr, &type, programs, &size) == ERROR_SUCCESS &&
                (type == REG_SZ || type == REG_EXPAND_SZ))
                programsDrive = core::ProgramsDriveLetter(programs, size);
        }
    }
    char windowsDir[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windowsDir, MAX_PATH);
    return core::ShortcutDrive(programsDrive, length < MAX_PATH ? std::string(windowsDir) : std::string());
}

}  // namespace setup::engine
