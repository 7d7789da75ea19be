// What the installer does once it knows where the printer is: the USB arrival
// path (stage the INF, read the USB port, install on it) and the manual path
// (install on the chosen port). The dialogs supply the steps; the decisions
// about which step runs and which message ends the flow live here.
#pragma once

#include <optional>
#include <string>

namespace setup::core {

class ArrivalSteps {
public:
    virtual ~ArrivalSteps() = default;
    virtual bool StageInf() = 0;
    // The printer's USB port; nothing when it cannot be read (the reader has
    // told the user to connect the printer properly).
    virtual std::optional<std::string> ReadUsbPort() = 0;
    virtual void InstallPrinter(const std::string& port) = 0;
};

enum class FlowReport {
    InstallerResult,  // the installer's own one result message
    NothingInstalled  // no installation was attempted: say so plainly
};

// A failed INF staging is reported through the installer's result (all its
// steps still undone). An unreadable USB port attempts no installation at all:
// a queue on a port that does not exist could never be created.
FlowReport RunArrivalInstallation(ArrivalSteps& steps);

// OK of the port dialog may hand over only a real port name.
bool CanInstallOnPort(const std::string& port);

}  // namespace setup::core
