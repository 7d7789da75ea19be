#include "monitor/portaccess/core/ParallelStatus.h"

#include <gtest/gtest.h>

namespace {

// The decision rows as the register bits read: bit 7, bit 5, bit 4, bit 3 -> code.
struct Row {
    int b7, b5, b4, b3, code;
};
constexpr Row kRows[] = {
    {0, 1, 1, 1, 1}, {1, 0, 0, 0, 1}, {1, 0, 1, 1, 2}, {0, 1, 0, 0, 3}, {0, 0, 0, 1, 4},
};

int Expected(unsigned byte) {
    const int b7 = (byte >> 7) & 1, b5 = (byte >> 5) & 1, b4 = (byte >> 4) & 1, b3 = (byte >> 3) & 1;
    for (const Row& row : kRows)
        if (row.b7 == b7 && row.b5 == b5 && row.b4 == b4 && row.b3 == b3) return row.code;
    return -1;
}

TEST(ParallelStatus, EveryByteFollowsTheRows) {
    int seen[5] = {};
    for (unsigned byte = 0; byte < 256; ++byte) {
        const int code = portaccess::ClassifyParallelStatus(static_cast<unsigned char>(byte));
        ASSERT_EQ(code, Expected(byte)) << "byte 0x" << std::hex << byte;
        if (code > 0) ++seen[code];
    }
    // Each matching row covers 16 bytes (bit 6 and bits 0-2 free); code 1 has two rows.
    EXPECT_EQ(seen[1], 32);
    EXPECT_EQ(seen[2], 16);
    EXPECT_EQ(seen[3], 16);
    EXPECT_EQ(seen[4], 16);
}

TEST(ParallelStatus, KnownSamples) {
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x78), 1);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x80), 1);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x98), 2);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0xD8), 2);  // bit 6 ignored
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x9F), 2);  // bits 0-2 ignored
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x20), 3);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x08), 4);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0xF8), -1);
    EXPECT_EQ(portaccess::ClassifyParallelStatus(0x00), -1);
}

}  // namespace
