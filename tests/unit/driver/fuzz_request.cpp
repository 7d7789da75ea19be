// Fuzzes the driver's request checks with any code, lengths and input bytes:
// the decision never reads past the input and never acts on a short buffer.
// The same bytes, taken as a token's privilege record, are never read past their end.
#include "core/request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
int Allow(void*) { return 1; }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    hwi_token_may_write(size ? data : nullptr, static_cast<unsigned long>(size));
    if (size < 8) return 0;
    std::uint32_t code, output;
    std::memcpy(&code, data, 4);
    std::memcpy(&output, data + 4, 4);
    const unsigned char* input = size > 8 ? data + 8 : nullptr;
    const unsigned long inputLength = static_cast<unsigned long>(size - 8);
    hwi_decision d;
    hwi_decide(code, input, inputLength, output, Allow, nullptr, &d);
    // Invariants that must hold for every request.
    if (d.action == HWI_ACTION_READ && (inputLength < 2 || output < 1)) std::abort();
    if (d.action == HWI_ACTION_WRITE && inputLength < 3) std::abort();
    if (d.information > output) std::abort();
    if (d.result != HWI_RESULT_SUCCESS && d.action != HWI_ACTION_NONE) std::abort();
    return 0;
}
