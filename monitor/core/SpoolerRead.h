// Reading a spooler record whose size is asked first (GetPrinterA, EnumJobsA).
// The record may grow between the size query and the read (a job's status
// text is set exactly when a fault happens): the read then answers "too
// small" with the new size, and is made again, a few times at most.
#pragma once

#include <cstdint>

namespace monitor {

enum class SpoolerAnswer { Ok, TooSmall, Failed };

// One call of the query: into a buffer of `size` bytes (none for 0) that the
// shell owns until the next call; `needed` receives the size the spooler asks for.
class SpoolerQuery {
public:
    virtual ~SpoolerQuery() = default;
    virtual SpoolerAnswer Query(std::uint32_t size, std::uint32_t& needed) = 0;
};

// Reads after the size query; one read plus this many again.
constexpr int kSpoolerRereads = 3;
// A record larger than this is not a queue's or its jobs'.
constexpr std::uint32_t kMaxSpoolerRecord = 16u << 20;

// True when the record was read: the shell's buffer then holds it, `size`
// bytes (0 when the size query itself succeeded: nothing to read). Sizes
// below `minimum` or above kMaxSpoolerRecord are refused.
bool ReadSpoolerRecord(SpoolerQuery& query, std::uint32_t minimum, std::uint32_t& size);

}  // namespace monitor
