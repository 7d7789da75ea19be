#include "monitor/portaccess/core/ServiceControl.h"

namespace portaccess {

int StartPortDriver(PortDriverControl& driver) {
    switch (driver.Start(ManagerAccess::Full)) {
    case StartAnswer::Started: return 0;
    case StartAnswer::Refused: return 3;
    case StartAnswer::ManagerDenied: break;
    case StartAnswer::ManagerFailed:
    case StartAnswer::NoService: return 1;
    }
    // A standard user may still start a registered service from a read-access open.
    switch (driver.Start(ManagerAccess::Read)) {
    case StartAnswer::Started: return 0;
    case StartAnswer::Refused: return 4;
    case StartAnswer::ManagerDenied:
    case StartAnswer::ManagerFailed:
    case StartAnswer::NoService: break;
    }
    return 1;
}

int InstallPortDriver(PortDriverControl& driver) { return driver.Register() == RegisterAnswer::ManagerDenied ? 5 : 0; }

int OpenPortDriver(PortDriverControl& driver) {
    if (driver.DeviceUsable() || driver.OpenDevice()) return 0;
    if (StartPortDriver(driver) == 0) {
        driver.OpenDevice();
        return 1;
    }
    InstallPortDriver(driver);
    StartPortDriver(driver);  // its result does not change what follows
    driver.OpenDevice();
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
