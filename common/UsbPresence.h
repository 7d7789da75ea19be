// Whether the printer's USB printer interface is present now: a scan of the
// present interfaces of the USB printer class, by the shared identity rule.
// Nothing announces a device that is already plugged in, so both programs
// look once when they start waiting for one.
#pragma once

#include <string_view>

namespace pw::usb {

// True when an interface of the USB printer class with the path of the printer
// of this USB serial string (vendor 0F3A, product 1101) is present.
bool PrinterInterfacePresent(std::string_view serial);

}  // namespace pw::usb
