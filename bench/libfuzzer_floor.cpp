// The baseline of the fuzzing figures: a fuzz target that only reads its
// input, built with the same instrumentation as the targets it is set
// against. Its executions in a minute are libFuzzer's own rate on this
// machine; a parser's executions are reported as a fraction of it.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < size; ++i) sink = static_cast<std::uint8_t>(sink ^ data[i]);
    return 0;
}
