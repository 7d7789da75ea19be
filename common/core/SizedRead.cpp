#include "common/core/SizedRead.h"

namespace pw {

SizedRead ReadSized(SizedQuery& query, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t& size) {
    std::uint32_t needed = 0;
    size = 0;
    SizedAnswer answer = query.Query(0, needed);
    if (answer == SizedAnswer::Ok) return SizedRead::Empty;
    if (answer != SizedAnswer::TooSmall) return SizedRead::ProbeFailed;
    for (int read = 0; read <= kSizedRereads; ++read) {
        if (needed < minimum || needed > maximum) return read == 0 ? SizedRead::ProbeFailed : SizedRead::ReadFailed;
        const std::uint32_t asked = needed;
        answer = query.Query(asked, needed);
        if (answer == SizedAnswer::Ok) {
            size = asked;
            return SizedRead::Read;
        }
        if (answer == SizedAnswer::NoMemory) return SizedRead::NoMemory;
        // Too small, yet asking no more: the next read would answer the same.
        if (answer != SizedAnswer::TooSmall || needed <= asked) return SizedRead::ReadFailed;
    }
    return SizedRead::ReadFailed;
}

}  // namespace pw
