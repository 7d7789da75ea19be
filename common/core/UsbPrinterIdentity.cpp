#include "common/core/UsbPrinterIdentity.h"

#include <cstdint>
#include <cstring>

namespace pw::usb {
namespace {

constexpr std::size_t kBroadcastHeader = 28;     // size, device type, reserved, class GUID
constexpr std::size_t kDevBroadcastHeader = 12;  // size, device type, reserved
constexpr std::size_t kNamePrefix = 4;           // "\\?\"

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::string ExpectedInterfacePath(std::string_view serial) {
    std::string path = "\\\\?\\usb#vid_0f3a&pid_1101#";
    path.append(serial);
    path += '#';
    path += kUsbPrintClassText;
    // The path must fit its buffer with the terminator.
    if (path.size() >= kExpectedPathCapacity) return std::string();
    return path;
}

bool MatchesInterfacePath(std::string_view path, std::string_view serial) {
    if (path.size() >= kInterfacePathCapacity) return false;
    const std::string expected = ExpectedInterfacePath(serial);
    return !expected.empty() && path == expected;
}

bool BroadcastNameMatches(const unsigned char* broadcast, std::size_t dbcc_size, std::string_view serial) {
    if (broadcast == nullptr || dbcc_size <= kBroadcastHeader) return false;
    const char* name = reinterpret_cast<const char*>(broadcast + kBroadcastHeader);
    const std::size_t room = dbcc_size - kBroadcastHeader;
    const void* end = std::memchr(name, '\0', room);
    if (end == nullptr) return false;  // not terminated inside the broadcast
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(end) - name);
    if (length < kNamePrefix) return false;
    std::string_view rest(name + kNamePrefix, length - kNamePrefix);
    const std::size_t hash = rest.rfind('#');
    if (hash == std::string_view::npos) return false;
    std::string identity = kUsbDeviceIdentityPrefix;
    identity.append(serial);
    return EqualIgnoringCase(rest.substr(0, hash), identity);
}

DeviceChange ClassifyDeviceChange(unsigned long eventType, const unsigned char* broadcast, std::size_t readable,
                                  std::string_view serial) {
    if (eventType != kDbtDeviceArrival && eventType != kDbtDeviceRemoveComplete) return DeviceChange::None;
    if (broadcast == nullptr || readable < kDevBroadcastHeader) return DeviceChange::None;
    std::size_t size = Read32(broadcast);
    if (size > readable) size = readable;
    if (size < kDevBroadcastHeader) return DeviceChange::None;
    if (Read32(broadcast + 4) != kDbtDevtypDeviceInterface) return DeviceChange::None;
    if (!BroadcastNameMatches(broadcast, size, serial)) return DeviceChange::None;
    return eventType == kDbtDeviceArrival ? DeviceChange::Arrived : DeviceChange::Removed;
}

}  // namespace pw::usb
