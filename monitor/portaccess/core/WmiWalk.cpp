#include "monitor/portaccess/core/WmiWalk.h"

namespace portaccess {

bool NameContainsId(const std::string& name, const std::string& id) { return name.find(id) != std::string::npos; }

int WalkPnpEntities(PnpEntitySource& source, std::string& id) {
    int replaced = 0;
    std::string name;
    std::string pnpId;
    while (source.Next()) {
        if (!source.Name(name)) continue;
        if (!NameContainsId(name, id)) continue;
        if (!source.PnpDeviceId(pnpId)) continue;
        id = pnpId;
        ++replaced;
    }
    return replaced;
}

}  // namespace portaccess
