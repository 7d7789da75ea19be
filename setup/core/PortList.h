// The port dialog's list: one entry per spooler port, in the spooler's order,
// its text "NAME (DESCRIPTION)" and its bare name, with "LPT1:" preselected.
//
// The spooler answers with an array of port records whose string pointers
// point into the same buffer. ParsePortRecords reads that buffer without
// trusting it: every record and every string must lie inside the bytes the
// spooler said it filled, or the whole answer is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::core {

struct PortRecord {
    std::string name;
    std::optional<std::string> description;  // absent when the spooler gave none
};

struct PortEntry {
    std::string text;  // shown in the list and in the Current Port field
    std::string name;  // handed to the installation
};

struct PortListing {
    std::vector<PortEntry> entries;          // entry i is inserted at position i
    std::optional<std::size_t> preselected;  // index of "LPT1:", if listed
};

// "LPT1: (Printer Port)"; an absent description gives "LPT1: ()".
std::string PortEntryText(const std::string& name, const std::optional<std::string>& description);

// Only the exact, case-sensitive "LPT1:" is preselected.
bool IsPreselectedPort(const std::string& name);

PortListing BuildPortListing(const std::vector<PortRecord>& records);

// Reads `count` level-2 port records (three string pointers of `pointerSize`
// bytes, then two 32-bit fields) from `buffer`, which the spooler filled at
// address `baseAddress`. A null name or description pointer is an absent
// string. Returns false, leaving `out` empty, when a record or string lies
// outside the buffer, a string is not terminated inside it or a name is null.
bool ParsePortRecords(const std::uint8_t* buffer, std::size_t size, std::uint32_t count, std::uint64_t baseAddress,
                      unsigned pointerSize, std::vector<PortRecord>& out);

}  // namespace setup::core
