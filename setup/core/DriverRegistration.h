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

enum class DriverRoute {
    DriverRecord,  // every universal file is there: the record with bare names
    Package        // some are missing: the staged package, universal driver from the system's own
};

// Package only when a file is missing and the spooler can install packages;
// a spooler that cannot is left only the record.
DriverRoute ChooseDriverRoute(bool universalFilesPresent, bool canInstallFromPackage);

// The steps of a registration, run by the installer.
enum class DriverStep {
    AddDriverRecord,     // the record with bare file names; it succeeds when accepted
    StagePackage,        // the model's INF into the system's INF store; it succeeds when it is there
    InstallFromPackage,  // the model's driver from the staged package
    Done
};

// The first step of the route.
DriverStep FirstDriverStep(DriverRoute route);

// Takes the result of the step just run and names the next; once it is Done,
// `registered` says whether the spooler has the driver.
DriverStep NextDriverStep(DriverStep done, bool succeeded, bool& registered);

}  // namespace setup::core
