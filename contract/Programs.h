// What the installer, the uninstaller and the status monitor agree on across
// process boundaries: the lock that keeps installation and removal apart, the
// monitor's window caption and the commands the others send to it.
#pragma once

namespace contract {

// Held by setup and the uninstaller for their whole run: only one of them works at a time.
inline constexpr char kInstallerLockName[] = "Global\\{05CA3573-B449-4e0b-83F5-7FD612E378E9}";

// The monitor's status window is captioned with the model name and this.
inline constexpr char kMonitorCaptionSuffix[] = " - Status Monitor";

// WM_COMMAND ids the monitor's status window answers: show the window (the
// tray menu's first item), start monitoring afresh, and exit (the tray menu's
// "Exit", which the uninstaller also sends).
inline constexpr unsigned kMonitorOpenCommand = 101;
inline constexpr unsigned kMonitorRestartCommand = 102;
inline constexpr unsigned kMonitorExitCommand = 104;

}  // namespace contract
