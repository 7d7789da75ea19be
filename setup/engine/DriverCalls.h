// The system calls the driver registration makes, behind one seam: the real
// ones, or in a test a system that answers as Windows 7 does where Wine
// cannot (Wine exports no package installation).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

namespace setup::engine {

class DriverCalls {
public:
    virtual ~DriverCalls() = default;
    // A file (not a directory) at this path.
    virtual bool FileExists(const std::string& path) = 0;
    // AddPrinterDriverA on the local machine at level 6; true when accepted.
    virtual bool AddDriverRecord(DRIVER_INFO_6A& record) = 0;
    // The spooler exports InstallPrinterDriverFromPackageA (Windows 7 does).
    virtual bool CanInstallFromPackage() = 0;
    // The driver store's copy of an INF staged into the INF store; empty when
    // the system does not say.
    virtual std::string DriverStoreInf(const std::string& stagedInf) = 0;
    // InstallPrinterDriverFromPackageA on the local machine for the spooler's
    // own environment; its HRESULT.
    virtual HRESULT InstallFromPackage(const std::string& infPath, const std::string& driverName) = 0;
};

// The running system's calls.
DriverCalls& SystemDriverCalls();

}  // namespace setup::engine
