// Fuzzes the device-broadcast check: any bytes as the broadcast, the size
// field as the sender claims it, never a read past the bytes given.
#include "monitor/portaccess/core/DeviceName.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    portaccess::BroadcastNameMatches(data, size, "zyk-455sent");
    portaccess::ClassifyDeviceChange(0x8000, data, size, "zyk-455sent");
    portaccess::ClassifyDeviceChange(0x8004, data, size, "");
    return 0;
}
