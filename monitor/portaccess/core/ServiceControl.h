// The open / start / install branching of the port-I/O driver client, written
// against a narrow view of the service manager so it can be tested without one.
#pragma once

namespace portaccess {

enum class ManagerAccess { Full, Read };          // SC_MANAGER_ALL_ACCESS / GENERIC_READ
enum class OpenResult { Ok, AccessDenied, Failed };

// What the branching needs from the system (names avoid the A/W macros of
// the Win32 headers). The real one (PortAccess.cpp)
// owns the handles it opens and closes any left open when destroyed.
class DriverServiceSystem {
public:
    virtual ~DriverServiceSystem() = default;
    // Opens the local service manager with the given access.
    virtual OpenResult OpenManager(ManagerAccess access) = 0;
    virtual void CloseManager() = 0;
    // Opens the service "hwinterface" for starting (GENERIC_EXECUTE) through the open manager.
    virtual bool OpenDriverService() = 0;
    virtual void CloseDriverService() = 0;
    // StartServiceA on the open service, no arguments.
    virtual bool StartDriverService() = 0;
    // CreateServiceA with the driver's constants through the open manager;
    // on success the new service handle is held until CloseDriverService.
    virtual bool CreateDriverService() = 0;
    // Writes the driver image carried by the program to the drivers directory.
    virtual void WriteDriverImage() = 0;
    // Opens "\\.\hwinterface" and keeps the result as the driver handle; true when valid.
    virtual bool OpenDevice() = 0;
    // True while a device handle is held whose last request did not fail.
    virtual bool DeviceUsable() = 0;
};

// StartPortDriver: 0 started; 1 manager or service open failed; 3 start refused
// after a full-access open; 4 start refused after the read-access fallback.
int StartPortDriver(DriverServiceSystem& system);

// InstallPortDriver: writes the image, then registers the service; 5 when the
// manager refuses access, 0 otherwise. An existing registration is left as it is.
int InstallPortDriver(DriverServiceSystem& system);

// OpenPortDriver: 0 when the device opened at once, 1 otherwise (whatever
// followed). A usable handle is kept (0): closing it could let a driver
// being stopped unload, and a resolution of the same port needs no new one.
int OpenPortDriver(DriverServiceSystem& system);

// GetPortAccessMode from the platform query: query(size, platformId) asks for the
// version record of `size` bytes (156, then 148). 1 for Windows 9x, 2 for NT, else 0.
class VersionQuery {
public:
    virtual ~VersionQuery() = default;
    virtual bool GetVersion(unsigned long recordSize, unsigned long& platformId) = 0;
};
int SelectPortAccessMode(VersionQuery& query);

}  // namespace portaccess
