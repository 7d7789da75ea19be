#include "setup/core/InstallFlow.h"

namespace setup::core {

FlowReport RunArrivalInstallation(ArrivalSteps& steps) {
    if (!steps.StageInf()) return FlowReport::InstallerResult;
    const std::optional<std::string> port = steps.ReadUsbPort();
    if (!port || !CanInstallOnPort(*port)) return FlowReport::NothingInstalled;
    steps.InstallPrinter(*port);
    return FlowReport::InstallerResult;
}

bool CanInstallOnPort(const std::string& port) { return !port.empty(); }

}  // namespace setup::core
