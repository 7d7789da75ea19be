// The checks the installer makes before it shows anything: one instance only,
// the Windows 7 family (6.1 and later within 6.x), a 32-bit system, an
// administrator. They run in that order and the first refusal ends the
// program, so a later check is never asked once an earlier one refuses.
#pragma once

namespace setup::core {

struct OsVersion {
    unsigned long major = 0;
    unsigned long minor = 0;
};

// The answers the checks need, asked one at a time in the checks' order.
class StartupProbe {
public:
    virtual ~StartupProbe() = default;
    virtual bool AnotherInstanceRunning() = 0;
    virtual OsVersion Version() = 0;
    virtual bool RunsUnderWow64() = 0;
    virtual bool UserIsAdministrator() = 0;
};

enum class StartupVerdict { Proceed, AlreadyRunning, NotWindows7, Not32Bit, NotAdministrator };

// 6.1, 6.2 and 6.3 pass; 5.x, 6.0 and 7.x and later are refused.
bool IsSupportedVersion(OsVersion version);

StartupVerdict CheckStartup(StartupProbe& probe);

// The refusal's message box text; null for Proceed.
const char* StartupMessage(StartupVerdict verdict);

}  // namespace setup::core
