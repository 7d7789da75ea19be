// Feeds arbitrary registry bytes to the "Programs" value reader.
#include "setup/core/InstallLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char letter = setup::core::ProgramsDriveLetter(data, size);
    if (letter != 0) {
        // A letter is only ever taken from a drive path that fits the buffer.
        if (size < 2 || size > setup::core::kProgramsBufferSize || data[1] != ':' ||
            data[0] != static_cast<unsigned char>(letter))
            std::abort();
        if (setup::core::ShortcutFolder(letter).size() < 3) std::abort();
    }
    return 0;
}
