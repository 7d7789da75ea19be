// Fuzzes the resource-list walk: any bytes, never a read past them.
#include "monitor/portaccess/core/ResourceList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t start = 0;
    portaccess::FindFirstPortRange(data, size, start);
    return 0;
}
