// The open / start / install branching of the port-I/O driver client, written
// against the answers of the service manager so it can be tested without one.
#pragma once

namespace portaccess {

enum class ManagerAccess { Full, Read };  // SC_MANAGER_ALL_ACCESS / GENERIC_READ

// What one attempt to start the driver's service met.
enum class StartAnswer {
    ManagerDenied,  // the service manager refused this access
    ManagerFailed,  // the service manager could not be opened at all
    NoService,      // the service could not be opened for starting
    Refused,        // the start was refused (already running, or a bad image)
    Started,
};

// What the registration of the driver's service met.
enum class RegisterAnswer {
    ManagerDenied,  // the service manager refused full access
    ManagerFailed,
    Done,  // registered, or the registration that exists is left as it is
};

// The port driver as the branching sees it (names avoid the A/W macros of the
// Win32 headers). The real one (PortAccess.cpp) closes every handle of the
// service manager it opens before it answers, and holds the device handle.
class PortDriverControl {
public:
    virtual ~PortDriverControl() = default;
    // Opens the local service manager with the given access, the service
    // "hwinterface" for starting (GENERIC_EXECUTE) through it, and starts it
    // without arguments.
    virtual StartAnswer Start(ManagerAccess access) = 0;
    // Writes the driver image carried by the program to the drivers directory
    // (attempted whatever follows), then registers the kernel service through
    // a full-access manager.
    virtual RegisterAnswer Register() = 0;
    // Opens "\\.\hwinterface" and keeps the result as the driver handle; true when valid.
    virtual bool OpenDevice() = 0;
    // True while a device handle is held whose last request did not fail.
    virtual bool DeviceUsable() = 0;
};

// StartPortDriver: 0 started; 1 manager or service open failed; 3 start refused
// after a full-access open; 4 start refused after the read-access fallback.
int StartPortDriver(PortDriverControl& driver);

// InstallPortDriver: writes the image, then registers the service; 5 when the
// manager refuses access, 0 otherwise. An existing registration is left as it is.
int InstallPortDriver(PortDriverControl& driver);

// OpenPortDriver: 0 when the device opened at once, 1 otherwise (whatever
// followed). A usable handle is kept (0): closing it could let a driver
// being stopped unload, and a resolution of the same port needs no new one.
int OpenPortDriver(PortDriverControl& driver);

// GetPortAccessMode from the platform query: query(size, platformId) asks for the
// version record of `size` bytes (156, then 148). 1 for Windows 9x, 2 for NT, else 0.
class VersionQuery {
public:
    virtual ~VersionQuery() = default;
    virtual bool GetVersion(unsigned long recordSize, unsigned long& platformId) = 0;
};
int SelectPortAccessMode(VersionQuery& query);

}  // namespace portaccess
