#include "setup/core/DriverRegistration.h"

namespace setup::core {

DriverRoute ChooseDriverRoute(DriverRegistrar& registrar) {
    for (const char* file : kUniversalDriverFiles)
        if (!registrar.InDriverDirectory(file))
            return registrar.CanInstallFromPackage() ? DriverRoute::Package : DriverRoute::DriverRecord;
    return DriverRoute::DriverRecord;
}

bool RegisterModelDriver(DriverRegistrar& registrar) {
    if (ChooseDriverRoute(registrar) == DriverRoute::DriverRecord) return registrar.AddDriverRecord();
    // The record would be refused for the missing files: a failed package
    // installation is the answer.
    return registrar.StagePackage() && registrar.InstallFromPackage();
}

}  // namespace setup::core
