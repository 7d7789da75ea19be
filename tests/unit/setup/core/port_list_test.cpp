#include "setup/core/PortList.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace setup::core;

TEST(PortList, EntryTextJoinsNameAndDescription) {
    EXPECT_EQ(PortEntryText("LPT1:", std::string("Printer Port")), "LPT1: (Printer Port)");
    EXPECT_EQ(PortEntryText("COM1:", std::string("Serial Port")), "COM1: (Serial Port)");
    EXPECT_EQ(PortEntryText("FILE:", std::nullopt), "FILE: ()");
    EXPECT_EQ(PortEntryText("X:", std::string()), "X: ()");
}

TEST(PortList, OnlyExactLpt1IsPreselected) {
    EXPECT_TRUE(IsPreselectedPort("LPT1:"));
    EXPECT_FALSE(IsPreselectedPort("lpt1:"));
    EXPECT_FALSE(IsPreselectedPort("LPT1"));
    EXPECT_FALSE(IsPreselectedPort("LPT1: "));
    EXPECT_FALSE(IsPreselectedPort("LPT2:"));
}

TEST(PortList, ListingKeepsSpoolerOrderAndBareNames) {
    const std::vector<PortRecord> records = {
        {"COM1:", std::string("Serial Port")},
        {"FILE:", std::nullopt},
        {"LPT1:", std::string("Printer Port")},
        {"USB001", std::string("Virtual printer port for USB")},
        {"AAA:", std::string("sorts first, listed last")},
    };
    const PortListing listing = BuildPortListing(records);
    ASSERT_EQ(listing.entries.size(), 5u);
    EXPECT_EQ(listing.entries[0].text, "COM1: (Serial Port)");
    EXPECT_EQ(listing.entries[0].name, "COM1:");
    EXPECT_EQ(listing.entries[1].text, "FILE: ()");
    EXPECT_EQ(listing.entries[3].name, "USB001");
    EXPECT_EQ(listing.entries[4].name, "AAA:");
    ASSERT_TRUE(listing.preselected.has_value());
    EXPECT_EQ(*listing.preselected, 2u);
    EXPECT_EQ(listing.entries[*listing.preselected].name, "LPT1:");
}

TEST(PortList, NoPreselectionWithoutExactLpt1) {
    const PortListing listing = BuildPortListing({{"lpt1:", std::string("Printer Port")}, {"COM1:", std::nullopt}});
    EXPECT_EQ(listing.entries.size(), 2u);
    EXPECT_FALSE(listing.preselected.has_value());
    EXPECT_FALSE(BuildPortListing({}).preselected.has_value());
}

namespace {

// Builds a spooler-style answer: records first, strings packed after them,
// pointers absolute to a pretend base address.
class SpoolerBuffer {
public:
    SpoolerBuffer(unsigned pointerSize, std::uint64_t base) : m_ptr(pointerSize), m_base(base) {}

    void Add(const char* name, const char* monitor, const char* description) {
        m_records.push_back({name, monitor, description});
    }

    std::vector<std::uint8_t> Build() {
        const std::size_t recordSize = 3 * m_ptr + 8;
        std::vector<std::uint8_t> bytes(m_records.size() * recordSize, 0);
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            const char* strings[3] = {m_records[i].name, m_records[i].monitor, m_records[i].description};
            for (int s = 0; s < 3; ++s) {
                std::uint64_t pointer = 0;
                if (strings[s]) {
                    pointer = m_base + bytes.size();
                    bytes.insert(bytes.end(), strings[s], strings[s] + std::strlen(strings[s]) + 1);
                }
                Put(bytes, i * recordSize + s * m_ptr, pointer);
            }
        }
        return bytes;
    }

    void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) const {
        for (unsigned b = 0; b < m_ptr; ++b) bytes[at + b] = static_cast<std::uint8_t>(value >> (8 * b));
    }

private:
    struct Strings {
        const char* name;
        const char* monitor;
        const char* description;
    };
    unsigned m_ptr;
    std::uint64_t m_base;
    std::vector<Strings> m_records;
};

}  // namespace

TEST(PortRecords, ReadsWellFormedAnswersOfBothPointerWidths) {
    for (unsigned width : {4u, 8u}) {
        const std::uint64_t base = width == 4 ? 0x00A30000u : 0x00007FF612340000ull;
        SpoolerBuffer spooler(width, base);
        spooler.Add("COM1:", "Local Port", "Serial Port");
        spooler.Add("FILE:", "Local Port", nullptr);
        spooler.Add("LPT1:", nullptr, "Printer Port");
        const std::vector<std::uint8_t> bytes = spooler.Build();
        std::vector<PortRecord> records;
        ASSERT_TRUE(ParsePortRecords(bytes.data(), bytes.size(), 3, base, width, records)) << width;
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].name, "COM1:");
        EXPECT_EQ(records[0].description, std::optional<std::string>("Serial Port"));
        EXPECT_FALSE(records[1].description.has_value());
        EXPECT_EQ(records[2].name, "LPT1:");
        EXPECT_EQ(records[2].description, std::optional<std::string>("Printer Port"));
    }
}

TEST(PortRecords, RefusesAnswersThatPointOutsideTheirBuffer) {
    const std::uint64_t base = 0x10000;
    SpoolerBuffer spooler(4, base);
    spooler.Add("LPT1:", "Local Port", "Printer Port");
    std::vector<std::uint8_t> bytes = spooler.Build();
    std::vector<PortRecord> records = {{"stale", std::nullopt}};

    // More records claimed than the buffer holds.
    EXPECT_FALSE(ParsePortRecords(bytes.data(), 40, 3, base, 4, records));
    EXPECT_TRUE(records.empty());
    EXPECT_FALSE(ParsePortRecords(bytes.data(), bytes.size(), 0xFFFFFFFFu, base, 4, records));

    // A name pointer below the buffer, and one past its end.
    std::vector<std::uint8_t> below = bytes;
    spooler.Put(below, 0, base - 1);
    EXPECT_FALSE(ParsePortRecords(below.data(), below.size(), 1, base, 4, records));
    std::vector<std::uint8_t> past = bytes;
    spooler.Put(past, 0, base + past.size());
    EXPECT_FALSE(ParsePortRecords(past.data(), past.size(), 1, base, 4, records));

    // A description that runs off the end without its terminator.
    std::vector<std::uint8_t> unterminated = bytes;
    unterminated.back() = 'x';
    EXPECT_FALSE(ParsePortRecords(unterminated.data(), unterminated.size(), 1, base, 4, records));

    // A record without a name cannot be installed on.
    std::vector<std::uint8_t> nameless = bytes;
    spooler.Put(nameless, 0, 0);
    EXPECT_FALSE(ParsePortRecords(nameless.data(), nameless.size(), 1, base, 4, records));

    EXPECT_FALSE(ParsePortRecords(bytes.data(), bytes.size(), 1, base, 2, records));
    EXPECT_TRUE(ParsePortRecords(nullptr, 0, 0, base, 4, records));
    EXPECT_TRUE(records.empty());
}
