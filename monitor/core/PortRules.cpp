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

void StopStatusTimer(PortState& state, PortEnvironment& env) {
    if (state.timerId != 0 && env.StopTimer(state.timerId)) state.timerId = 0;
}

PortKind ApplyPortName(const std::string& portName, PortState& state, PortEnvironment& env) {
    state.portName = portName;
    PortClass cls = ClassifyPort(portName);
    state.portClass = cls.text;
    switch (cls.kind) {
    case PortKind::Usb:
    case PortKind::Com:
        state.parallelStatus = -1;
        StopStatusTimer(state, env);
        break;
    case PortKind::Other:
        break;
    case PortKind::Lpt: {
        state.accessMode = env.AccessMode();
        state.parallelStatus = -1;
        if (state.accessMode == 2) env.OpenDriver();
        if (const char* search = LptSearchText(portName)) state.lptDeviceId = search;
        if (env.FindDevice(state.lptDeviceId) == 0) {
            if (env.ReadAddress())
                state.timerId = env.StartTimer();
            else
                StopStatusTimer(state, env);
        }
        break;
    }
    }
    return cls.kind;
}

std::string FirstMultiString(const unsigned char* data, std::size_t size) {
    if (!data || size == 0) return std::string();
    const void* nul = std::memchr(data, 0, size);
    std::size_t len = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - data) : size;
    return std::string(reinterpret_cast<const char*>(data), len);
}

bool PortDiffers(bool keyOpened, bool valueRead, const unsigned char* data, std::size_t size,
                 const std::string& watchedPort) {
    if (!keyOpened) return false;
    std::string published = valueRead ? FirstMultiString(data, size) : std::string();
    return published != watchedPort;
}

}  // namespace monitor
