// Feeds arbitrary bytes to the readers of the registry port value and of the
// spooler's job records; the sanitizers catch any read outside the bytes.
#include "monitor/core/PortRules.h"
#include "monitor/core/QueueScan.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t count = data[0];
    const std::size_t recordSize = data[1] % 80;
    const std::size_t offset = data[2] % 80;
    // Copy into an exact-size heap block so that any overrun is caught.
    std::vector<unsigned char> bytes(data + 3, data + size);
    unsigned char* p = bytes.empty() ? nullptr : bytes.data();
    monitor::PortDiffers(true, true, p, bytes.size(), "LPT1:");
    // Joining only ever drops bytes: each terminator becomes at most one comma.
    if (monitor::JoinMultiString(p, bytes.size()).size() > bytes.size()) __builtin_trap();
    auto statuses = monitor::ReadJobStatuses(p, bytes.size(), count, recordSize, offset);
    if (statuses.size() > count || (recordSize && statuses.size() > bytes.size() / recordSize)) __builtin_trap();
    monitor::QueueSnapshot snap;
    snap.jobStatuses = statuses;
    std::int32_t printer = 0, job = 0;
    monitor::ScanQueue(&snap, printer, job);
    return 0;
}
