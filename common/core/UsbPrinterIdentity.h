// How both programs recognise the printer's USB device: vendor 0F3A, product
// 1101 and the model's USB serial string, in the two forms the system shows
// it: the path of a USB printer interface (the monitor's scan) and the device
// name of a WM_DEVICECHANGE broadcast (the monitor and the installer).
// Portable: no Windows headers, so both programs and the host tests share it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pw::usb {

// Interface class of USB printers, as it appears in an interface path.
constexpr const char kUsbPrintClassText[] = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
// Identity prefix that a notification name is compared with (serial appended).
constexpr const char kUsbDeviceIdentityPrefix[] = "USB#VID_0F3A&PID_1101#";
// A device interface path is examined in a buffer of this many characters;
// a path that does not fit with its terminator never matches.
constexpr std::size_t kInterfacePathCapacity = 256;
// The expected path is built in a buffer of this many characters, so a serial
// string longer than 84 characters makes no path match.
constexpr std::size_t kExpectedPathCapacity = 150;

// "\\?\usb#vid_0f3a&pid_1101#" + serial + "#{28d78fad-...}"; empty when it does
// not fit the expected-path buffer.
std::string ExpectedInterfacePath(std::string_view serial);

// The scan's rule: the interface path equals the expected path, exactly and
// case-sensitively. Paths of kInterfacePathCapacity characters or more never match.
bool MatchesInterfacePath(std::string_view path, std::string_view serial);

// The notification's rule over a DEV_BROADCAST_DEVICEINTERFACE_A of dbcc_size
// bytes starting at broadcast (header of 28 bytes, then the ANSI name): the name
// is bounded by dbcc_size, its "\\?\" prefix skipped, cut before its last '#'
// and compared case-insensitively with kUsbDeviceIdentityPrefix + serial.
// A name shorter than the prefix, without '#', or not terminated within
// dbcc_size never matches; nothing outside [broadcast, broadcast + dbcc_size)
// is read.
bool BroadcastNameMatches(const unsigned char* broadcast, std::size_t dbcc_size, std::string_view serial);

// What a WM_DEVICECHANGE means for the printer.
enum class DeviceChange { None, Arrived, Removed };

constexpr unsigned long kDbtDeviceArrival = 0x8000;
constexpr unsigned long kDbtDeviceRemoveComplete = 0x8004;
constexpr unsigned long kDbtDevtypDeviceInterface = 5;

// Full decision of a WM_DEVICECHANGE: event type (wParam), then the broadcast
// header (lParam) of which at most `readable` bytes may be read (the header's
// own dbch_size is honoured when smaller). Only arrival and remove-complete of
// a device-interface broadcast naming the printer give Arrived / Removed.
DeviceChange ClassifyDeviceChange(unsigned long eventType, const unsigned char* broadcast, std::size_t readable,
                                  std::string_view serial);

}  // namespace pw::usb
