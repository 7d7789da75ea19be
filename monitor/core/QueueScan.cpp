#include "monitor/core/QueueScan.h"

#include <cstring>

namespace monitor {

int ScanQueue(const QueueSnapshot* snapshot, std::int32_t& printerStatus, std::int32_t& jobStatus) {
    jobStatus = -1;
    if (!snapshot) return 0;
    printerStatus = snapshot->printerStatus;
    if (static_cast<std::uint32_t>(printerStatus) & kPrinterErrorMask) return 1;
    for (std::int32_t status : snapshot->jobStatuses) {
        std::uint32_t bits = static_cast<std::uint32_t>(status);
        if (!(bits & kJobPrinting)) continue;
        jobStatus = status;
        if (bits & kJobStopMask) return 1;
    }
    return 0;
}

std::vector<std::int32_t> ReadJobStatuses(const unsigned char* buffer, std::size_t size, std::size_t count,
                                          std::size_t recordSize, std::size_t statusOffset) {
    std::vector<std::int32_t> statuses;
    if (!buffer || recordSize == 0 || statusOffset > recordSize || recordSize - statusOffset < 4) return statuses;
    std::size_t fit = size / recordSize;
    if (count > fit) count = fit;
    statuses.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t value;
        std::memcpy(&value, buffer + i * recordSize + statusOffset, sizeof value);
        statuses.push_back(value);
    }
    return statuses;
}

}  // namespace monitor
