// Fuzzes what the driver reads from the system's devices: the bytes as a
// resource list and as a device name. Nothing is read past them, the ranges
// never pass the room, and a port admits its status register, not its start.
#include "core/ranges.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    hwi_names_parallel_port(size ? data : nullptr, static_cast<unsigned long>(size));
    hwi_port_range ranges[HWI_RANGES_MAX];
    unsigned long count = 0;
    const unsigned long capacity = size ? data[0] % (HWI_RANGES_MAX + 1) : HWI_RANGES_MAX;
    const unsigned long appended =
        hwi_resource_port_ranges(size ? data : nullptr, static_cast<unsigned long>(size), ranges, &count, capacity);
    if (appended != count || count > capacity) std::abort();
    // Each range takes a whole 16-byte partial descriptor after a 16-byte full header.
    if (count > 0 && size < 4 + 16 + 16 * count) std::abort();
    // The port a list describes is its first range, which admits its status register.
    hwi_port_range port = {0xFFFF, 0};
    unsigned long one = 0;
    hwi_resource_parallel_port(size ? data : nullptr, static_cast<unsigned long>(size), &port, &one, 1);
    if ((count > 0 && port.start != ranges[0].start) ||
        (port.start < 0xFFFF && !hwi_ranges_admit(&port, 1, static_cast<unsigned short>(port.start + 1))))
        std::abort();
    return 0;
}
