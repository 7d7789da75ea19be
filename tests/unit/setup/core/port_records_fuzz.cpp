// Feeds arbitrary bytes to the spooler-answer reader as if the spooler had
// filled them: the first bytes choose the record count, the pointer width and
// where the buffer pretends to live, so pointers land inside and outside it.
#include "setup/core/PortList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint32_t count = data[0];
    const unsigned width = (data[1] & 1) ? 8 : 4;
    const std::uint64_t base = static_cast<std::uint64_t>(data[2]) << 4;
    // A copy of exactly the remaining bytes, so a read past them is caught.
    std::vector<std::uint8_t> buffer(data + 3, data + size);
    std::vector<setup::core::PortRecord> records;
    if (setup::core::ParsePortRecords(buffer.data(), buffer.size(), count, base, width, records)) {
        const setup::core::PortListing listing = setup::core::BuildPortListing(records);
        if (listing.entries.size() != records.size()) __builtin_trap();
    }
    return 0;
}
