// How the model's driver gets registered. It is built on the platform's
// universal printer driver, whose files the medium does not carry: a driver
// record with bare file names only works while all of them lie in the printer
// driver directory, and a clean Windows 7 may lack them there. Then the
// model's driver is installed from its staged package instead, and the
// spooler takes the universal driver from the system's own package.
#pragma once

#include <string>

namespace setup::core {

// The universal printer driver's files that the driver record names.
inline constexpr const char* kUniversalDriverFiles[] = {"unidrv.dll", "unidrvui.dll", "unidrv.hlp", "unires.dll",
                                                       "stdnames.gpd"};

// What the registration asks of the system.
class DriverRegistrar {
public:
    virtual ~DriverRegistrar() = default;
    // The file lies in the printer driver directory.
    virtual bool InDriverDirectory(const std::string& fileName) = 0;
    // The spooler can install a driver from a package (Windows 7 can).
    virtual bool CanInstallFromPackage() = 0;
    // Puts the model's INF into the system's INF store; true when it is there.
    virtual bool StagePackage() = 0;
    // Installs the model's driver from the staged package; true on success.
    virtual bool InstallFromPackage() = 0;
    // Hands the spooler the driver record with bare file names; true when accepted.
    virtual bool AddDriverRecord() = 0;
};

enum class DriverRoute {
    DriverRecord,  // every universal file is there: the record with bare names
    Package        // some are missing: the staged package, universal driver from the system's own
};

// Package only when a file is missing and the spooler can install packages;
// a spooler that cannot is left only the record.
DriverRoute ChooseDriverRoute(DriverRegistrar& registrar);

// Registers by the chosen route; true when the spooler has the driver.
bool RegisterModelDriver(DriverRegistrar& registrar);

}  // namespace setup::core
