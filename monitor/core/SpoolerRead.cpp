#include "monitor/core/SpoolerRead.h"

namespace monitor {

bool ReadSpoolerRecord(SpoolerQuery& query, std::uint32_t minimum, std::uint32_t& size) {
    std::uint32_t needed = 0;
    size = 0;
    SpoolerAnswer answer = query.Query(0, needed);
    if (answer == SpoolerAnswer::Ok) return true;
    for (int read = 0; answer == SpoolerAnswer::TooSmall && read <= kSpoolerRereads; ++read) {
        if (needed < minimum || needed > kMaxSpoolerRecord) return false;
        const std::uint32_t asked = needed;
        answer = query.Query(asked, needed);
        if (answer == SpoolerAnswer::Ok) {
            size = asked;
            return true;
        }
        // Too small, yet asking no more: the next read would answer the same.
        if (answer == SpoolerAnswer::TooSmall && needed <= asked) return false;
    }
    return false;
}

}  // namespace monitor
