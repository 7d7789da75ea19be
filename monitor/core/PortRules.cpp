#include "monitor/core/PortRules.h"

#include <cstring>

namespace monitor {

PortClass ClassifyPort(const std::string& portName) {
    if (portName.find("LPT") != std::string::npos) return {PortKind::Lpt, "LPT"};
    if (portName.find("USB") != std::string::npos) return {PortKind::Usb, "USB"};
    if (portName.find("COM") != std::string::npos) return {PortKind::Com, "COM"};
    return {PortKind::Other, portName};
}

const char* LptSearchText(const std::string& portName) {
    if (portName == "LPT1:") return "(LPT1)";
    if (portName == "LPT2:") return "(LPT2)";
    if (portName == "LPT3:") return "(LPT3)";
    return nullptr;
}

PortPlan PlanPort(const std::string& portName) {
    PortPlan plan;
    plan.kind = ClassifyPort(portName).kind;
    switch (plan.kind) {
    case PortKind::Usb:
    case PortKind::Com:
        plan.resetsParallelStatus = true;
        plan.stopsTimer = true;
        break;
    case PortKind::Other: break;
    case PortKind::Lpt:
        plan.needsDriver = true;
        plan.resetsParallelStatus = true;
        plan.searchText = LptSearchText(portName);
        plan.stopsTimer = plan.searchText == nullptr;
        break;
    }
    return plan;
}

TimerStep TimerAfterLookup(portaccess::LptLookup lookup) {
    switch (lookup) {
    case portaccess::LptLookup::Found: return TimerStep::Start;
    case portaccess::LptLookup::NoAddress: return TimerStep::Stop;
    case portaccess::LptLookup::QueryFailed: break;
    }
    return TimerStep::Keep;
}

std::string JoinMultiString(const unsigned char* data, std::size_t size) {
    std::string joined;
    if (!data) return joined;
    std::size_t at = 0;
    while (at < size) {
        const void* nul = std::memchr(data + at, 0, size - at);
        std::size_t end = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - data) : size;
        if (end == at) break;  // the empty string that ends the list
        if (!joined.empty()) joined += ',';
        joined.append(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
    }
    return joined;
}

bool PortDiffers(bool keyOpened, bool valueRead, const unsigned char* data, std::size_t size,
                 const std::string& watchedPort) {
    if (!keyOpened || !valueRead) return false;
    return JoinMultiString(data, size) != watchedPort;
}

}  // namespace monitor
