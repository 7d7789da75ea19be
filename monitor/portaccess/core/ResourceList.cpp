#include "monitor/portaccess/core/ResourceList.h"

namespace portaccess {
namespace {

constexpr std::size_t kListHeader = 4;   // count of full descriptors
constexpr std::size_t kFullHeader = 16;  // interface, bus, version, revision, count
constexpr std::size_t kPartialSize = 16;
constexpr std::size_t kPartialCountOffset = 12;
constexpr std::size_t kPortStartOffset = 4;

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Read64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Read32(p)) | static_cast<std::uint64_t>(Read32(p + 4)) << 32;
}

}  // namespace

bool FindFirstPortRange(const unsigned char* data, std::size_t size, std::uint64_t& start) {
    if (data == nullptr || size < kListHeader) return false;
    const std::uint32_t fullCount = Read32(data);
    std::size_t pos = kListHeader;
    // Every step consumes at least 16 bytes that are known to be present, so
    // the walk ends at the end of the data however large the counts are.
    for (std::uint32_t full = 0; full < fullCount; ++full) {
        if (size - pos < kFullHeader) return false;
        const std::uint32_t partialCount = Read32(data + pos + kPartialCountOffset);
        pos += kFullHeader;
        for (std::uint32_t partial = 0; partial < partialCount; ++partial) {
            if (size - pos < kPartialSize) return false;
            if (data[pos] == kResourceTypePort) {
                start = Read64(data + pos + kPortStartOffset);
                return true;
            }
            pos += kPartialSize;
        }
    }
    return false;
}

}  // namespace portaccess
