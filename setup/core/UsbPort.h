// Which USB port the system's USB printing support gave the printer, read from
// the registry entry of the printer's USB print interface:
//   HKLM\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-...}
//     \##?#USB#Vid_0f3a&Pid_1101#<serial>#{28d78fad-...}\#
//        \Control            "Linked"      1 while the interface is active
//        \Device Parameters  "Port Number" n, the port is USB<n, three digits at least>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::core {

inline constexpr char kUsbPrintClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

// The interface instance key under kUsbPrintClassKey for a USB serial string.
std::string UsbInterfaceKeyName(const std::string& usbSerial);

// "USB%03d": 1 -> USB001, 12 -> USB012, 1234 -> USB1234. A port number is
// never negative, so the full 32-bit range is formatted as unsigned.
std::string FormatUsbPort(std::uint32_t portNumber);

// Reads a 32-bit value from the key reached by opening each of `subkeys` in
// turn below kUsbPrintClassKey. Nothing when a key cannot be opened or the
// value is missing or not exactly a 32-bit number.
class UsbPortRegistry {
public:
    virtual ~UsbPortRegistry() = default;
    virtual std::optional<std::uint32_t> ReadDword(const std::vector<std::string>& subkeys, const char* valueName) = 0;
};

// The printer's port name, or nothing when the interface is not linked or its
// port number cannot be read. A missing "Port Number" is a failure, not a
// guess at USB001.
std::optional<std::string> ResolveUsbPort(UsbPortRegistry& registry, const std::string& usbSerial);

}  // namespace setup::core
