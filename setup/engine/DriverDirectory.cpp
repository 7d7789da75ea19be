#include "setup/engine/DriverDirectory.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <new>

namespace setup::engine {

namespace {
// Far beyond any real path; a larger answer is not a size we trust.
constexpr DWORD kMaxDirectoryBytes = 32768;
}

int QueryDriverDirectory(std::unique_ptr<char[]>& buffer) {
    BYTE probe[10] = {};
    DWORD needed = 0;
    // A driver directory path never fits ten bytes: this call only asks for the size.
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, probe, sizeof probe, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    if (needed == 0 || needed > kMaxDirectoryBytes) return 0;

    std::printf("Allocating a buffer of size %d", static_cast<int>(needed));
    std::fflush(stdout);
    buffer.reset(new (std::nothrow) char[needed]);
    if (!buffer) {
        std::printf("Can't get memory for new data buffer");
        std::fflush(stdout);
        return 0;
    }
    DWORD written = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer.get()), needed, &written)) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[needed - 1] = '\0';  // whatever the spooler wrote, the path ends inside the buffer
    return 1;
}

}  // namespace setup::engine
