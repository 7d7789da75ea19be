// The checks the installer makes before it shows anything: one instance only,
// the Windows 7 family (6.1 and later within 6.x), a 32-bit system, an
// administrator, a running Print Spooler. They run in that order and the
// first refusal ends the program, so a later check is never asked once an
// earlier one refuses.
#pragma once

namespace setup::core {

struct OsVersion {
    unsigned long major = 0;
    unsigned long minor = 0;
};

// The Print Spooler service as the service manager reports it. Unknown: the
// service manager could not be asked.
enum class ServiceState { Unknown, Stopped, Starting, Running, Stopping, Paused };

// The answers the checks need, asked one at a time in the checks' order.
class StartupProbe {
public:
    virtual ~StartupProbe() = default;
    virtual bool AnotherInstanceRunning() = 0;
    virtual OsVersion Version() = 0;
    virtual bool RunsUnderWow64() = 0;
    virtual bool UserIsAdministrator() = 0;
    virtual ServiceState Spooler() = 0;
    virtual void Pause(unsigned milliseconds) = 0;
};

// A spooler that is starting (at logon, right after a restart of the
// service) is asked again every half second, for 15 s at most.
inline constexpr unsigned kSpoolerStartPauseMs = 500;
inline constexpr int kSpoolerStartChecks = 30;

enum class StartupVerdict { Proceed, AlreadyRunning, NotWindows7, Not32Bit, NotAdministrator, SpoolerStopped };

// 6.1, 6.2 and 6.3 pass; 5.x, 6.0 and 7.x and later are refused.
bool IsSupportedVersion(OsVersion version);

StartupVerdict CheckStartup(StartupProbe& probe);

// The refusal's message box text; null for Proceed.
const char* StartupMessage(StartupVerdict verdict);

}  // namespace setup::core
