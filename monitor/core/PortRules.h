// How the monitor reads the queue's port: the class a port name falls into,
// the plan of the parallel set-up that an LPT port needs, and the check of the
// spooler's published port against the one being watched.
#pragma once

#include "monitor/portaccess/core/LptDiscovery.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace monitor {

enum class PortKind { Lpt, Usb, Com, Other };

// The class text of a port: "LPT", "USB" or "COM" when the name contains that
// text (case-sensitive, tested in that order), otherwise the whole name.
struct PortClass {
    PortKind kind;
    std::string text;
};
PortClass ClassifyPort(const std::string& portName);

// The device search text for exactly "LPT1:", "LPT2:" or "LPT3:"; null for any
// other name ("LPT4:", a pool such as "LPT1:,LPT2:"), which has no device of
// its own to search for.
const char* LptSearchText(const std::string& portName);

// What a resolution of the queue's port asks of the window, decided from the
// port name alone. A parallel port needs the access mode and, on the driver
// platform, the port driver; only LPT1: to LPT3: have a device to look up.
// A parallel port without a device of its own stops timer 1, as USB and COM
// do: any earlier search text would find some other device and the monitor
// would read its register.
struct PortPlan {
    PortKind kind = PortKind::Other;
    const char* searchText = nullptr;   // the device to look up; null for none
    bool needsDriver = false;           // opened when the access mode is the driver's (2)
    bool resetsParallelStatus = false;  // the last sample belongs to the old port
    bool stopsTimer = false;            // timer 1 stops without a lookup
    // Whether this resolution opens the port driver on a platform of the given
    // access mode (0 none, 1 direct, 2 driver).
    bool OpensDriver(int accessMode) const { return needsDriver && accessMode == 2; }
};
PortPlan PlanPort(const std::string& portName);

// Timer 1 after the lookup: started when the register was found, stopped when
// it was not, left as it is when the query could not run.
enum class TimerStep { Keep, Start, Stop };
TimerStep TimerAfterLookup(portaccess::LptLookup lookup);

// Stops timer 1 if it runs (stop(id) answers whether it stopped); the id is
// cleared only when the stop succeeded.
template <typename Stop> void StopStatusTimer(std::uint32_t& timerId, Stop&& stop) {
    if (timerId != 0 && stop(timerId)) timerId = 0;
}

// The strings of a registry multi-string joined with ",", read only within the
// bytes the registry handed back: the list ends at its first empty string, and
// a value without a terminator ends at its last byte. A pooled queue's ports,
// published one string each, so give the name the spooler reports for it
// ("LPT1:\0LPT2:\0\0" gives "LPT1:,LPT2:").
std::string JoinMultiString(const unsigned char* data, std::size_t size);

// The spooler's published port list compared as a whole with the one being
// watched. Neither a key that did not open nor a value that could not be read
// (not published yet, or removed) counts as a change: nothing was published
// to compare with.
bool PortDiffers(bool keyOpened, bool valueRead, const unsigned char* data, std::size_t size,
                 const std::string& watchedPort);

}  // namespace monitor
