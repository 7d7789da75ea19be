#include "monitor/portaccess/core/LptDiscovery.h"

namespace portaccess {
namespace {

// Owns one successful COM initialisation: interfaces go first, then COM.
class ComSession {
public:
    explicit ComSession(LptDiscoverySystem& system) : m_system(system) {}
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    ~ComSession() {
        m_system.ReleaseInterfaces();
        m_system.UninitializeCom();
    }

private:
    LptDiscoverySystem& m_system;
};

}  // namespace

int FindLptDeviceId(LptDiscoverySystem& system, std::string& id) {
    if (!ComSucceeded(system.InitializeCom())) return 1;
    ComSession session(system);
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
