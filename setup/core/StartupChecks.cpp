#include "setup/core/StartupChecks.h"

#include "setup/core/SetupTexts.h"

namespace setup::core {

bool IsSupportedVersion(OsVersion version) { return version.major == 6 && version.minor >= 1; }

StartupVerdict CheckStartup(StartupProbe& probe) {
    if (probe.AnotherInstanceRunning()) return StartupVerdict::AlreadyRunning;
    if (!IsSupportedVersion(probe.Version())) return StartupVerdict::NotWindows7;
    if (probe.RunsUnderWow64()) return StartupVerdict::Not32Bit;
    if (!probe.UserIsAdministrator()) return StartupVerdict::NotAdministrator;
    ServiceState spooler = probe.Spooler();
    for (int i = 0; spooler == ServiceState::Starting && i < kSpoolerStartChecks; ++i) {
        probe.Pause(kSpoolerStartPauseMs);
        spooler = probe.Spooler();
    }
    // Every installation step needs the spooler. A service manager that cannot
    // be asked proves nothing: the steps then report what they meet.
    if (spooler != ServiceState::Running && spooler != ServiceState::Unknown) return StartupVerdict::SpoolerStopped;
    return StartupVerdict::Proceed;
}

const char* StartupMessage(StartupVerdict verdict) {
    switch (verdict) {
    case StartupVerdict::AlreadyRunning: return kAlreadyRunning;
    case StartupVerdict::NotWindows7: return kNotWindows7;
    case StartupVerdict::Not32Bit: return kNot32Bit;
    case StartupVerdict::NotAdministrator: return kNotAdministrator;
    case StartupVerdict::SpoolerStopped: return kSpoolerStopped;
    case StartupVerdict::Proceed: break;
    }
    return nullptr;
}

}  // namespace setup::core
