// Drives the installer's dialogs and the monitor's window as a person would,
// through their real windows, and screenshots each step into $PW_OUT.
#pragma once

#include <string>

namespace sim {

// Screenshots are named <prefix><step number>-<step>; the prefix is empty by default.
void SetScreenshotPrefix(const std::string& prefix);

// How the printer is connected during the installation: picked by hand as
// LPT1:, or plugged in over USB while the installer waits for it.
enum class Route { Lpt, Usb };

// Splash, main dialog OK, then on the USB dialog either Manual, LPT1: in the
// port list and OK, or the USB printer plugged in; the result message OK; then
// waits for the monitor that setup starts. The installer must already be
// running. Returns true when every step was seen.
bool DriveSetup(const std::string& monitorCaption, Route route);

// Walks the printer through ready, paper out, offline and off, opening the
// monitor's window from its tray icon in each and screenshotting it; ends ready.
bool CycleMonitor(const std::string& monitorCaption);

// For a printer installed over USB: unplugs and plugs it again, opening and
// screenshotting the monitor's window in each state.
bool CycleUsb(const std::string& monitorCaption);

// Opens the monitor's status window as a double click on its tray icon does.
// False when the monitor is not running.
bool OpenMonitor(const std::string& monitorCaption);

}  // namespace sim
