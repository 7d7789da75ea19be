#include "monitor/portaccess/core/LptDiscovery.h"

namespace portaccess {
namespace {

// The lookup's use of COM: interfaces go first, then COM, uninitialised only
// when this lookup initialised it.
class ComSession {
public:
    ComSession(LptDiscoverySystem& system, bool initialised) : m_system(system), m_initialised(initialised) {}
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    ~ComSession() {
        m_system.ReleaseInterfaces();
        if (m_initialised) m_system.UninitializeCom();
    }

private:
    LptDiscoverySystem& m_system;
    bool m_initialised;
};

}  // namespace

int FindLptDeviceId(LptDiscoverySystem& system, std::string& id) {
    const ComResult init = system.InitializeCom();
    // Another part of the program chose this thread's apartment first: the
    // lookup works in either, and the apartment is not ours to end.
    if (!ComSucceeded(init) && init != kComChangedMode) return 1;
    ComSession session(system, ComSucceeded(init));
    const ComResult security = system.InitializeSecurity();
    // A process sets its COM security once; the next lookup finds it set and goes on.
    if (!ComSucceeded(security) && security != kComSecurityAlreadySet) return 1;
    if (!ComSucceeded(system.CreateLocator())) return 1;
    if (!ComSucceeded(system.ConnectToNamespace())) return 1;
    if (!ComSucceeded(system.SetServicesBlanket())) return 1;
    if (!ComSucceeded(system.QueryPnpEntities())) return 1;
    WalkPnpEntities(system.Results(), id);
    return 0;
}

}  // namespace portaccess
