#include "monitor/portaccess/core/ResourceList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Builds a resource list in the registry's little-endian layout.
class ListBuilder {
public:
    explicit ListBuilder(std::uint32_t fullCount) { Put32(fullCount); }
    ListBuilder& Full(std::uint32_t partialCount) {
        Put32(15);  // interface type: PNP ISA
        Put32(0);   // bus
        Put16(1);   // version
        Put16(1);   // revision
        Put32(partialCount);
        return *this;
    }
    ListBuilder& Port(std::uint64_t start, std::uint32_t length = 8) { return Partial(1, start, length); }
    ListBuilder& Interrupt(std::uint32_t level = 7) { return Partial(2, level, level); }
    ListBuilder& Partial(unsigned char type, std::uint64_t start, std::uint32_t length) {
        bytes.push_back(type);
        bytes.push_back(1);  // share disposition
        Put16(0x11);         // flags
        Put32(static_cast<std::uint32_t>(start));
        Put32(static_cast<std::uint32_t>(start >> 32));
        Put32(length);
        return *this;
    }
    std::vector<unsigned char> bytes;

private:
    void Put16(std::uint16_t v) {
        bytes.push_back(v & 0xFF);
        bytes.push_back(v >> 8);
    }
    void Put32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back((v >> (8 * i)) & 0xFF);
    }
};

// Runs the parser over a heap copy of exactly `size` bytes so that the
// sanitizer sees any read past them.
bool Find(const std::vector<unsigned char>& list, std::uint64_t& start, std::size_t size) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[size ? size : 1]);
    std::copy(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
    return portaccess::FindFirstPortRange(exact.get(), size, start);
}
bool Find(const std::vector<unsigned char>& list, std::uint64_t& start) { return Find(list, start, list.size()); }

TEST(ResourceList, FirstPortRangeIsUsed) {
    std::uint64_t start = 0;
    ASSERT_TRUE(Find(ListBuilder(1).Full(2).Port(0x378).Port(0x778).bytes, start));
    EXPECT_EQ(start, 0x378u);
    ASSERT_TRUE(Find(ListBuilder(1).Full(1).Port(0x3BC, 4).bytes, start));
    EXPECT_EQ(start, 0x3BCu);
    ASSERT_TRUE(Find(ListBuilder(1).Full(2).Interrupt().Port(0x278).bytes, start));
    EXPECT_EQ(start, 0x278u);
}

TEST(ResourceList, WalksIntoLaterFullDescriptors) {
    std::uint64_t start = 0;
    // The second full descriptor starts right after the first one's last partial.
    ASSERT_TRUE(Find(ListBuilder(2).Full(2).Interrupt(5).Interrupt(6).Full(1).Port(0x3BC).bytes, start));
    EXPECT_EQ(start, 0x3BCu);
    // An empty first descriptor is skipped.
    ASSERT_TRUE(Find(ListBuilder(2).Full(0).Full(1).Port(0x278).bytes, start));
    EXPECT_EQ(start, 0x278u);
    // The full 64-bit start is returned.
    ASSERT_TRUE(Find(ListBuilder(1).Full(1).Port(0x1234567800000378ull).bytes, start));
    EXPECT_EQ(start, 0x1234567800000378ull);
}

TEST(ResourceList, NoPortRangeIsFalseAndLeavesStart) {
    std::uint64_t start = 42;
    EXPECT_FALSE(Find(ListBuilder(1).Full(2).Interrupt().Partial(3, 0xD0000, 0x1000).bytes, start));
    EXPECT_FALSE(Find(ListBuilder(0).bytes, start));
    EXPECT_FALSE(Find(ListBuilder(1).Full(0).bytes, start));
    EXPECT_FALSE(Find({}, start));
    EXPECT_FALSE(Find({1, 0, 0}, start));
    EXPECT_FALSE(portaccess::FindFirstPortRange(nullptr, 64, start));
    EXPECT_EQ(start, 42u);
}

TEST(ResourceList, CountsBeyondTheDataAreNotTrusted) {
    std::uint64_t start = 42;
    // Huge counts with no data behind them.
    EXPECT_FALSE(Find(ListBuilder(0xFFFFFFFF).bytes, start));
    EXPECT_FALSE(Find(ListBuilder(0xFFFFFFFF).Full(0).Full(0).bytes, start));
    EXPECT_FALSE(Find(ListBuilder(1).Full(0xFFFFFFFF).Interrupt().bytes, start));
    // A count that would overflow a 32-bit size computation (0x10000000 * 16).
    EXPECT_FALSE(Find(ListBuilder(1).Full(0x10000000).Interrupt().bytes, start));
    // More full descriptors claimed than present, the port range in the last real one.
    ASSERT_TRUE(Find(ListBuilder(0xFFFFFFFF).Full(0).Full(1).Port(0x378).bytes, start));
    EXPECT_EQ(start, 0x378u);
}

TEST(ResourceList, TruncatedDataIsNeverReadPast) {
    const std::vector<unsigned char> list = ListBuilder(1).Full(2).Interrupt().Port(0x378).bytes;
    std::uint64_t start = 0;
    ASSERT_TRUE(Find(list, start, list.size()));
    // Any cut inside the port descriptor loses it; a cut header loses everything.
    for (std::size_t size = 0; size < list.size(); ++size) {
        start = 42;
        EXPECT_FALSE(Find(list, start, size)) << "size " << size;
        EXPECT_EQ(start, 42u);
    }
}

}  // namespace
