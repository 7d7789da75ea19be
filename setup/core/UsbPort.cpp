#include "setup/core/UsbPort.h"

#include <cstdio>

namespace setup::core {

std::string UsbInterfaceKeyName(const std::string& usbSerial) {
    return "##?#USB#Vid_0f3a&Pid_1101#" + usbSerial + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

std::string FormatUsbPort(std::uint32_t portNumber) {
    char text[16];
    std::snprintf(text, sizeof text, "USB%03lu", static_cast<unsigned long>(portNumber));
    return text;
}

std::optional<std::string> ResolveUsbPort(UsbPortRegistry& registry, const std::string& usbSerial) {
    const std::string instance = UsbInterfaceKeyName(usbSerial);
    const std::optional<std::uint32_t> linked = registry.ReadDword({instance, "#", "Control"}, "Linked");
    if (!linked || *linked != 1) return std::nullopt;
    // "Device Parameters" lies under "#", beside "Control".
    const std::optional<std::uint32_t> port = registry.ReadDword({instance, "#", "Device Parameters"}, "Port Number");
    if (!port) return std::nullopt;
    return FormatUsbPort(*port);
}

}  // namespace setup::core
