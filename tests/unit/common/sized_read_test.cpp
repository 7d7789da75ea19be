// A record whose size is asked first, read while it grows (GetPrinterA or
// EnumJobsA while a job's status text is being set).
#include "common/core/SizedRead.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pw;

// Each read finds the record grown, `grows` times.
class GrowingRecord : public SizedQuery {
public:
    std::uint32_t size = 400, growBy = 64;
    int grows = 0;
    bool fail = false;
    int calls = 0;
    SizedAnswer Query(std::uint32_t bytes, std::uint32_t& needed) override {
        ++calls;
        if (fail) return SizedAnswer::Failed;
        if (bytes > 0 && grows > 0 && grows--) size += growBy;
        needed = size;
        return bytes >= size ? SizedAnswer::Ok : SizedAnswer::TooSmall;
    }
};

TEST(SizedRead, ARecordThatGrewIsReadAgainAFewTimesAtMost) {
    std::uint32_t size = 0;
    for (int grows = 0; grows <= kSizedRereads + 1; ++grows) {
        GrowingRecord record;
        record.grows = grows;
        EXPECT_EQ(ReadSized(record, 100, kMaxSizedRecord, size) == SizedRead::Read, grows <= kSizedRereads) << grows;
        EXPECT_EQ(record.calls, std::min(grows, kSizedRereads) + 2) << grows;
    }
    GrowingRecord empty;  // no jobs: the size query itself succeeds
    empty.size = 0;
    EXPECT_EQ(ReadSized(empty, 0, kMaxSizedRecord, size), SizedRead::Empty);
    EXPECT_EQ(size, 0u);
    GrowingRecord failing, shorter, huge;
    failing.fail = true;
    huge.size = kMaxSizedRecord + 1;
    EXPECT_EQ(ReadSized(failing, 0, kMaxSizedRecord, size), SizedRead::ProbeFailed);
    EXPECT_EQ(ReadSized(shorter, 401, kMaxSizedRecord, size), SizedRead::ProbeFailed);
    EXPECT_EQ(ReadSized(huge, 0, kMaxSizedRecord, size), SizedRead::ProbeFailed);
    EXPECT_EQ(huge.calls, 1);
}
