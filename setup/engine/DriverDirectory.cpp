#include "setup/engine/DriverDirectory.h"

#include "common/SizedRead.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <new>

namespace setup::engine {

namespace {
// Far beyond any real path; a larger answer is not a size we trust.
constexpr DWORD kMaxDirectoryBytes = 32768;
}  // namespace

int QueryDriverDirectory(std::unique_ptr<char[]>& buffer) {
    pw::sized_limits limits;
    limits.minimum = 1;
    limits.maximum = kMaxDirectoryBytes;
    // A driver directory path never fits ten bytes: the first call only asks for the size.
    limits.probe = 10;
    limits.announce = true;
    const auto call = [](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterDriverDirectoryA(nullptr, nullptr, 1, data, size, needed);
    };
    const pw::sized_record record = pw::read_sized(call, limits);
    switch (record.outcome) {
    case pw::SizedRead::Read: break;
    // The old directory stays when the size could not even be asked.
    case pw::SizedRead::Empty:
    case pw::SizedRead::ProbeFailed: return 0;
    case pw::SizedRead::NoMemory: buffer.reset(); return 0;
    case pw::SizedRead::ReadFailed:
        buffer.reset(new (std::nothrow) char[1]);
        if (buffer) buffer[0] = '\0';
        return 0;
    }
    buffer.reset(new (std::nothrow) char[record.size]);
    if (!buffer) return 0;
    std::memcpy(buffer.get(), record.buffer.get(), record.size);
    buffer[record.size - 1] = '\0';  // whatever the spooler wrote, the path ends inside the buffer
    return 1;
}

}  // namespace setup::engine
