// Bytes of a PendingFileRenameOperations value and a driver's dependent-file
// list as the system might hand them over: never read past their end.
#include "uninstall/core/UninstallRules.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that the sanitizer sees any overread.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    const auto pending = uninstall::PendingDeletions(copy.get(), size);
    // Every path the reader gives back is one the uninstaller finds pending.
    for (const std::string& path : pending)
        if (!uninstall::IsPendingDeletion(pending, path)) __builtin_trap();
    (void)uninstall::NamesSharedDll(reinterpret_cast<const char*>(copy.get()), size);
    std::string out;
    if (size) (void)uninstall::BoundedString(copy.get(), size, reinterpret_cast<const char*>(copy.get()) + size / 2, out);
    return 0;
}
