// Reader of a resource list as the Plug and Play manager stores it in a
// device's "AllocConfig" value (the CM_RESOURCE_LIST layout, little-endian).
#pragma once

#include <cstddef>
#include <cstdint>

namespace portaccess {

// Resource type of an I/O port range in a partial descriptor.
constexpr unsigned char kResourceTypePort = 1;

// Finds the first I/O port range of the list, walking full descriptors and
// their partial descriptors in order. Returns true and sets start to the
// range's 64-bit start address; false when the list holds no port range.
// Never reads at or beyond data + size, whatever the counts in the list claim.
bool FindFirstPortRange(const unsigned char* data, std::size_t size, std::uint64_t& start);

}  // namespace portaccess
