#include "setup/core/DriverRegistration.h"

namespace setup::core {

DriverRoute ChooseDriverRoute(bool universalFilesPresent, bool canInstallFromPackage) {
    return !universalFilesPresent && canInstallFromPackage ? DriverRoute::Package : DriverRoute::DriverRecord;
}

DriverStep FirstDriverStep(DriverRoute route) {
    return route == DriverRoute::DriverRecord ? DriverStep::AddDriverRecord : DriverStep::StagePackage;
}

DriverStep NextDriverStep(DriverStep done, bool succeeded, bool& registered) {
    registered = false;
    switch (done) {
    // The record would be refused for the missing files: a failed package
    // installation is the answer, with no second way tried.
    case DriverStep::StagePackage: return succeeded ? DriverStep::InstallFromPackage : DriverStep::Done;
    case DriverStep::AddDriverRecord:
    case DriverStep::InstallFromPackage: registered = succeeded; break;
    case DriverStep::Done: break;
    }
    return DriverStep::Done;
}

}  // namespace setup::core
