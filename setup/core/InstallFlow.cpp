#include "setup/core/InstallFlow.h"

namespace setup::core {

ArrivalStep NextArrivalStep(ArrivalStep done, const ArrivalResult& result, ArrivalOutcome& outcome) {
    switch (done) {
    case ArrivalStep::StageInf:
        outcome.report = FlowReport::InstallerResult;
        return result.succeeded ? ArrivalStep::ReadUsbPort : ArrivalStep::Done;
    case ArrivalStep::ReadUsbPort:
        if (!result.port || !CanInstallOnPort(*result.port)) {
            outcome.report = FlowReport::NothingInstalled;
            return ArrivalStep::Done;
        }
        outcome.port = *result.port;
        return ArrivalStep::InstallPrinter;
    case ArrivalStep::InstallPrinter: outcome.report = FlowReport::InstallerResult; break;
    case ArrivalStep::Done: break;
    }
    return ArrivalStep::Done;
}

bool CanInstallOnPort(const std::string& port) { return !port.empty(); }

}  // namespace setup::core
