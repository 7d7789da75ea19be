#include "monitor/portaccess/core/ServiceControl.h"

namespace portaccess {
namespace {

// Opens the service through the open manager and starts it; closes both.
// -1 when the service could not be opened, else whether the start succeeded.
int StartThroughOpenManager(DriverServiceSystem& system) {
    if (!system.OpenDriverService()) {
        system.CloseManager();
        return -1;
    }
    const bool started = system.StartDriverService();
    system.CloseDriverService();
    system.CloseManager();
    return started ? 1 : 0;
}

}  // namespace

int StartPortDriver(DriverServiceSystem& system) {
    switch (system.OpenManager(ManagerAccess::Full)) {
    case OpenResult::Ok: {
        const int r = StartThroughOpenManager(system);
        return r < 0 ? 1 : (r ? 0 : 3);
    }
    case OpenResult::AccessDenied: {
        // A standard user may still start a registered service from a read-access open.
        if (system.OpenManager(ManagerAccess::Read) != OpenResult::Ok) return 1;
        const int r = StartThroughOpenManager(system);
        return r < 0 ? 1 : (r ? 0 : 4);
    }
    case OpenResult::Failed:
        break;
    }
    return 1;
}

int InstallPortDriver(DriverServiceSystem& system) {
    system.WriteDriverImage();
    switch (system.OpenManager(ManagerAccess::Full)) {
    case OpenResult::AccessDenied: return 5;
    case OpenResult::Failed: return 0;
    case OpenResult::Ok: break;
    }
    // An existing registration makes this fail and stays as it is.
    if (system.CreateDriverService()) system.CloseDriverService();
    system.CloseManager();
    return 0;
}

int OpenPortDriver(DriverServiceSystem& system) {
    if (system.DeviceUsable() || system.OpenDevice()) return 0;
    if (StartPortDriver(system) == 0) {
        system.OpenDevice();
        return 1;
    }
    InstallPortDriver(system);
    StartPortDriver(system);   // its result does not change what follows
    system.OpenDevice();
    return 1;
}

int SelectPortAccessMode(VersionQuery& query) {
    unsigned long platform = 0;
    // The extended record first; systems that predate it accept only the short one.
    if (!query.GetVersion(156, platform) && !query.GetVersion(148, platform)) return 0;
    if (platform == 1) return 1;
    if (platform == 2) return 2;
    return 0;
}

}  // namespace portaccess
