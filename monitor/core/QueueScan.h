// The queue scan of every poll: the printer's Status and the Status of the job
// that is printing, from one snapshot of the spooler's queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace monitor {

// Printer Status bits that make the jobs irrelevant: paused, error, paper jam,
// paper out, paper problem, offline, output bin full, not available, no toner,
// out of memory, door open.
constexpr std::uint32_t kPrinterErrorMask = 0x6418DB;
// Job Status bits that end the walk at once: error, paper out, blocked.
constexpr std::uint32_t kJobStopMask = 0x242;
constexpr std::uint32_t kJobPrinting = 0x10;
// PRINTER_STATUS_PENDING_DELETION: the queue goes once every handle to it is
// closed, so a handle kept open would keep a deleted queue alive.
constexpr std::uint32_t kPrinterPendingDeletion = 0x4;

inline bool QueueBeingDeleted(std::int32_t printerStatus) {
    return (static_cast<std::uint32_t>(printerStatus) & kPrinterPendingDeletion) != 0;
}

struct QueueSnapshot {
    std::int32_t printerStatus = 0;
    std::vector<std::int32_t> jobStatuses;  // in the spooler's order
};

// Sets jobStatus to -1, then (when the query succeeded, snapshot non-null)
// printerStatus to the queue's Status and jobStatus to the printing job's.
// Returns 1 when it stopped early on a finding, 0 otherwise.
int ScanQueue(const QueueSnapshot* snapshot, std::int32_t& printerStatus, std::int32_t& jobStatus);

// Reads the Status field of each of count fixed-size records in a spooler
// buffer. Records that do not lie wholly inside the buffer are not read, so
// a count larger than the buffer holds yields only the records it holds.
std::vector<std::int32_t> ReadJobStatuses(const unsigned char* buffer, std::size_t size, std::size_t count,
                                          std::size_t recordSize, std::size_t statusOffset);

}  // namespace monitor
