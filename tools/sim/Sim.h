// The simulated printer inside a Wine prefix whose stand-ins the testbed's
// fixture has placed (testbed/Fixture.h): its state is the status register
// value that the port driver's test build plays, and its USB cable is the
// printer interface that the fixture links and unlinks. What the simulator
// adds is telling the programs' windows, as the system would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/sim/States.h"

namespace sim {

// The printer's state: the status register byte the driver hands out next.
bool SetState(const StateInfo& state);

// Sends the arrival (true) or removal broadcast to the given windows, as the
// system sends it to registered windows; returns how many took it.
int SendUsbBroadcast(const std::vector<HWND>& windows, bool arrival, const std::string& serial);
// The two programs' windows that register for USB device notifications:
// the installer's dialog on screen and the monitor's status window, shown or not.
std::vector<HWND> NotificationWindows(const std::string& monitorCaption);

}  // namespace sim
