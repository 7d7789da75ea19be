// Fuzzes what the driver reads from the system's devices: the bytes as a
// resource list and as a device name. Nothing is read past them, the ranges
// never pass the room, and every range found admits its own start.
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
    for (unsigned long i = 0; i < count; ++i)
        if (ranges[i].start <= 0xFFFF && ranges[i].length > 0 &&
            !hwi_ranges_admit(ranges, count, static_cast<unsigned short>(ranges[i].start)))
            std::abort();
    return 0;
}
