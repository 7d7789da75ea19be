// Fuzzes the device-broadcast check: any bytes as the broadcast, the size
// field as the sender claims it, never a read past the bytes given.
#include "common/core/UsbPrinterIdentity.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pw::usb::BroadcastNameMatches(data, size, "zyk-455sent");
    pw::usb::ClassifyDeviceChange(0x8000, data, size, "zyk-455sent");
    pw::usb::ClassifyDeviceChange(0x8004, data, size, "");
    return 0;
}
