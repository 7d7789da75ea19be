// What the installer does once it knows where the printer is: the USB arrival
// path (stage the INF, read the USB port, install on it) and the manual path
// (install on the chosen port). The dialogs run the steps and hand their
// results in; the decisions about which step runs next and which message ends
// the flow live here.
#pragma once

#include <optional>
#include <string>

namespace setup::core {

// The steps of the arrival path, the first one first.
enum class ArrivalStep { StageInf, ReadUsbPort, InstallPrinter, Done };

// What one step reported.
struct ArrivalResult {
    bool succeeded = false;  // StageInf: the INF is staged
    // ReadUsbPort: the printer's USB port; nothing when it cannot be read (the
    // reader has told the user to connect the printer properly).
    std::optional<std::string> port;
};

enum class FlowReport {
    InstallerResult,  // the installer's own one result message
    NothingInstalled  // no installation was attempted: say so plainly
};

// Where the arrival path has come to.
struct ArrivalOutcome {
    std::string port;                                 // the port InstallPrinter installs on
    FlowReport report = FlowReport::InstallerResult;  // the message that ends the flow
};

// Takes the result of the step just run into the outcome and names the step
// to run next. A failed INF staging is reported through the installer's
// result (all its steps still undone). An unreadable USB port attempts no
// installation at all: a queue on a port that does not exist could never be
// created.
ArrivalStep NextArrivalStep(ArrivalStep done, const ArrivalResult& result, ArrivalOutcome& outcome);

// OK of the port dialog may hand over only a real port name.
bool CanInstallOnPort(const std::string& port);

}  // namespace setup::core
