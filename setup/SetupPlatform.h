// The installer's questions to Windows, answered as plain values for the rules
// in setup/core: the start-up checks, the spooler's port list and the USB
// printing support's port number. Part of the dialog layer (setup::ui), which
// is all that asks them.
#pragma once

#include "common/InstanceMutex.h"
#include "setup/core/PortList.h"
#include "setup/core/StartupChecks.h"
#include "setup/core/UsbPort.h"

#include <optional>
#include <string>
#include <vector>

namespace setup::ui {

// Imported from shell32 and comctl32 by ordinal: neither export has a name
// that every version of those libraries carries.
extern "C" BOOL WINAPI SetupIsUserAnAdmin();       // shell32 #680
extern "C" void WINAPI SetupInitCommonControls();  // comctl32 #17

class Win32StartupProbe : public core::StartupProbe {
public:
    explicit Win32StartupProbe(const CInstanceMutex& lock) : m_lock(lock) {}
    bool AnotherInstanceRunning() override;
    core::OsVersion Version() override;
    bool RunsUnderWow64() override;
    bool UserIsAdministrator() override;
    core::ServiceState Spooler() override;
    void Pause(unsigned milliseconds) override;

private:
    const CInstanceMutex& m_lock;
};

// Makes the folder of setup.exe the current directory: the package is copied
// from there, wherever the program was started from (a command prompt starts
// it in its own current directory). Read in UTF-16, so that a medium path
// outside the ANSI code page keeps working.
bool UseProgramFolderAsCurrentDirectory();

// The local spooler's ports at level 2, in its order. False when the spooler
// refuses, memory runs out or its answer does not hold together; true with an
// empty list when it has no ports at all.
bool EnumerateSpoolerPorts(std::vector<core::PortRecord>& ports);

// Reads the USB print interface's values below HKLM\...\DeviceClasses.
class Win32UsbPortRegistry : public core::UsbPortRegistry {
public:
    std::optional<std::uint32_t> ReadDword(const std::vector<std::string>& subkeys, const char* valueName) override;
};

// The registration that tells the USB connection dialog about arriving USB devices.
HDEVNOTIFY RegisterUsbDeviceArrivals(HWND window);

}  // namespace setup::ui
