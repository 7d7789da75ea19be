// How the monitor reads the queue's port: the class a port name falls into,
// the parallel set-up that an LPT port needs, and the check of the spooler's
// published port against the one being watched.
#pragma once

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

// What the parallel set-up needs from the machine. The Win32 shell supplies the
// real port access; tests supply a fake.
class PortEnvironment {
public:
    virtual ~PortEnvironment() = default;
    virtual int AccessMode() = 0;                           // 0 none, 1 direct, 2 driver
    virtual void OpenDriver() = 0;                          // only asked for in mode 2
    // Starts the device search from searchText; the shell keeps the search
    // text and the instance id found in the port access layer's one
    // LptDeviceId. 0 when the query ran, 1 when it failed.
    virtual int FindDevice(const char* searchText) = 0;
    virtual bool ReadAddress() = 0;                         // status register found
    virtual std::uint32_t StartTimer() = 0;                 // timer 1, 1000 ms; its id
    virtual bool StopTimer(std::uint32_t timerId) = 0;
};

// The status window's members that a resolution writes, by reference.
struct PortMembers {
    std::string& portName;         // m_strPortName
    std::string& portClass;        // m_strPortClass
    std::int32_t& parallelStatus;  // m_nParallelStatus
    std::uint32_t& timerId;        // m_nTimerId
};

// Records the queue's port name and classifies it; for a parallel port runs the
// set-up (access mode, driver, device search, address, timer 1); for USB and COM
// stops timer 1. A parallel port without a search text of its own gets no
// device search and no address, and timer 1 is stopped: any earlier search
// text would find some other device and the monitor would read its register.
// Returns the kind it found.
PortKind ApplyPortName(const std::string& portName, const PortMembers& port, PortEnvironment& env);

// Stops timer 1 if it runs; the id is cleared only when the stop succeeded.
void StopStatusTimer(std::uint32_t& timerId, PortEnvironment& env);

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
