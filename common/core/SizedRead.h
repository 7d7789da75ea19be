// Reading a record whose size the system gives first (GetPrinterA, EnumJobsA,
// EnumPortsA, EnumPrintersA, QueryServiceConfigA...). The record may grow
// between the size query and the read (a job's status text is set exactly
// when a fault happens): the read then answers "too small" with the new
// size, and is made again, a few times at most.
#pragma once

#include <cstdint>

namespace pw {

enum class SizedAnswer { Ok, TooSmall, Failed, NoMemory };

// One call of the query: into a buffer of `size` bytes that the shell owns
// until the next call (0: the size query); `needed` receives the size asked for.
class SizedQuery {
public:
    virtual ~SizedQuery() = default;
    virtual SizedAnswer Query(std::uint32_t size, std::uint32_t& needed) = 0;
};

enum class SizedRead {
    Read,         // the shell's buffer holds the record
    Empty,        // the size query itself succeeded: nothing more to read
    ProbeFailed,  // the size query failed, or asked for a size outside the bounds
    NoMemory,     // a buffer of the size asked for could not be had
    ReadFailed,   // a read failed, or the record kept growing
};

// Reads after the size query; one read plus this many again.
constexpr int kSizedRereads = 3;
// Larger than any record the programs read; a bigger answer is not a size we trust.
constexpr std::uint32_t kMaxSizedRecord = 16u << 20;

// Reads the record; `size` receives the bytes read (0 unless Read). Sizes
// below `minimum` or above `maximum` are refused.
SizedRead ReadSized(SizedQuery& query, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t& size);

}  // namespace pw
