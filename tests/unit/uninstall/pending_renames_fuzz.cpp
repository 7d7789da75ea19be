// Bytes of a PendingFileRenameOperations value (read as ANSI by the
// uninstaller, as UTF-16 by setup), a driver's dependent-file list and an INF
// of the store as the system might hand them over: never read past their end.
#include "setup/core/Staging.h"
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
    // Setup's rewrite keeps only pairs, so a second pass finds nothing more to take out.
    const std::u16string value(reinterpret_cast<const char16_t*>(copy.get()), size / 2);
    std::vector<std::u16string> ours;
    for (const std::string& path : pending) ours.emplace_back(path.begin(), path.end());
    if (const auto kept = setup::core::WithoutDeletionsOf(value, ours))
        if (setup::core::WithoutDeletionsOf(*kept, ours)) __builtin_trap();
    (void)uninstall::InfMatches(std::string(reinterpret_cast<const char*>(copy.get()), size), MODEL_INDEX);
    std::string out;
    if (size)
        (void)uninstall::BoundedString(copy.get(), size, reinterpret_cast<const char*>(copy.get()) + size / 2, out);
    return 0;
}
