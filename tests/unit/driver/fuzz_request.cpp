// Fuzzes the driver's request checks with any code, lengths and input bytes:
// the decision never reads past the input and never acts on a short buffer.
// The same bytes, taken as each of a token's records, are never read past
// their end; a caller without the write right never gets past the status register.
#include "core/request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
int Allow(void*) { return 1; }
int Refuse(void*) { return 0; }
// LPT1's registers: a refused caller reads only its status register.
unsigned long Lpt1(void*, hwi_port_range* ranges, unsigned long capacity) {
    if (capacity < 1) return 0;
    ranges[0].start = 0x378;
    ranges[0].length = 8;
    return 1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Returned at address 0, the label's SID pointer is its offset in the bytes.
    for (unsigned long level = 0; level < 5; ++level) {
        const unsigned long n = static_cast<unsigned long>(size);
        const unsigned char* bytes = size ? data : nullptr;
        const hwi_token token = {static_cast<hwi_token_type>(level % 3), level, bytes, n, bytes, n, 0, bytes, n};
        hwi_token_may_write(&token);
    }
    if (size < 8) return 0;
    std::uint32_t code, output;
    std::memcpy(&code, data, 4);
    std::memcpy(&output, data + 4, 4);
    const unsigned char* input = size > 8 ? data + 8 : nullptr;
    const unsigned long inputLength = static_cast<unsigned long>(size - 8);
    hwi_decision d;
    const hwi_caller admin = {Allow, Lpt1, nullptr};
    hwi_decide(code, input, inputLength, output, &admin, &d);
    // Invariants that must hold for every request.
    if (d.action == HWI_ACTION_READ && (inputLength < 2 || output < 1)) std::abort();
    if (d.action == HWI_ACTION_WRITE && inputLength < 3) std::abort();
    if (d.information > output) std::abort();
    if (d.result != HWI_RESULT_SUCCESS && d.action != HWI_ACTION_NONE) std::abort();
    // A caller without the write right never writes, and reads only LPT1.
    const hwi_caller user = {Refuse, Lpt1, nullptr};
    hwi_decide(code, input, inputLength, output, &user, &d);
    if (d.action == HWI_ACTION_WRITE) std::abort();
    if (d.action == HWI_ACTION_READ && d.port != 0x379) std::abort();
    if (d.result != HWI_RESULT_SUCCESS && d.action != HWI_ACTION_NONE) std::abort();
    return 0;
}
