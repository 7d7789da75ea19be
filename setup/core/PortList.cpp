#include "setup/core/PortList.h"

#include <cstring>

namespace setup::core {

std::string PortEntryText(const std::string& name, const std::optional<std::string>& description) {
    std::string text = name;
    text += " (";
    if (description) text += *description;
    text += ")";
    return text;
}

bool IsPreselectedPort(const std::string& name) { return name == "LPT1:"; }

PortListing BuildPortListing(const std::vector<PortRecord>& records) {
    PortListing listing;
    listing.entries.reserve(records.size());
    for (const PortRecord& record : records) {
        // A later "LPT1:" replaces an earlier one, as each match selects its own entry.
        if (IsPreselectedPort(record.name)) listing.preselected = listing.entries.size();
        listing.entries.push_back({PortEntryText(record.name, record.description), record.name});
    }
    return listing;
}

namespace {

std::uint64_t ReadUnsigned(const std::uint8_t* p, unsigned bytes) {
    // The spooler's records are little-endian on every target we build for.
    std::uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return value;
}

// A string pointer from a record: null is absent; anything else must point
// inside the buffer and end with a NUL before the buffer does.
bool ReadString(const std::uint8_t* buffer, std::size_t size, std::uint64_t baseAddress, std::uint64_t pointer,
                std::optional<std::string>& out) {
    out.reset();
    if (pointer == 0) return true;
    if (pointer < baseAddress || pointer - baseAddress >= size) return false;
    const std::size_t offset = static_cast<std::size_t>(pointer - baseAddress);
    const void* end = std::memchr(buffer + offset, 0, size - offset);
    if (!end) return false;
    out.emplace(reinterpret_cast<const char*>(buffer + offset),
                static_cast<const std::uint8_t*>(end) - (buffer + offset));
    return true;
}

}  // namespace

bool ParsePortRecords(const std::uint8_t* buffer, std::size_t size, std::uint32_t count, std::uint64_t baseAddress,
                      unsigned pointerSize, std::vector<PortRecord>& out) {
    out.clear();
    if (pointerSize != 4 && pointerSize != 8) return false;
    const std::size_t recordSize = 3 * static_cast<std::size_t>(pointerSize) + 8;
    if (count == 0) return true;
    if (!buffer || count > size / recordSize) return false;
    std::vector<PortRecord> records;
    records.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* record = buffer + static_cast<std::size_t>(i) * recordSize;
        const std::uint64_t namePointer = ReadUnsigned(record, pointerSize);
        // The monitor name in between is not used.
        const std::uint64_t descriptionPointer =
            ReadUnsigned(record + 2 * static_cast<std::size_t>(pointerSize), pointerSize);
        std::optional<std::string> name;
        std::optional<std::string> description;
        if (!ReadString(buffer, size, baseAddress, namePointer, name) || !name) return false;
        if (!ReadString(buffer, size, baseAddress, descriptionPointer, description)) return false;
        records.push_back({std::move(*name), std::move(description)});
    }
    out = std::move(records);
    return true;
}

}  // namespace setup::core
