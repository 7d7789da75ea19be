// The parallel ports' ranges as the driver learns them from the system's
// bytes: a device's resource list and its name.
#include "core/ranges.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Partial {
    unsigned char type;
    unsigned long long start;
    unsigned long length;
};

void Put32(std::vector<unsigned char>& out, unsigned long long v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A resource list as the registry holds it: full descriptors of partial ones.
std::vector<unsigned char> List(const std::vector<std::vector<Partial>>& fulls, long count = -1) {
    std::vector<unsigned char> out;
    Put32(out, count < 0 ? fulls.size() : static_cast<unsigned long>(count));
    for (const auto& partials : fulls) {
        Put32(out, 1);           // interface type Isa
        Put32(out, 0);           // bus number
        Put32(out, 0x00010001);  // version, revision
        Put32(out, partials.size());
        for (const Partial& p : partials) {
            out.insert(out.end(), {p.type, 1, 1, 0});  // type, share, flags
            Put32(out, p.start);
            Put32(out, p.start >> 32);
            Put32(out, p.length);
        }
    }
    return out;
}

// Exactly `list` bytes on the heap, so that a read past them is caught.
std::vector<hwi_port_range> Ranges(const std::vector<unsigned char>& list, unsigned long capacity = HWI_RANGES_MAX) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[list.size() + 1]);
    if (!list.empty()) std::memcpy(copy.get(), list.data(), list.size());
    std::vector<hwi_port_range> out(HWI_RANGES_MAX);
    unsigned long count = 0;
    const unsigned long appended =
        hwi_resource_port_ranges(copy.get(), static_cast<unsigned long>(list.size()), out.data(), &count, capacity);
    EXPECT_EQ(appended, count);
    out.resize(count);
    return out;
}

constexpr unsigned char kPort = 1, kInterrupt = 2, kMemory = 3;

TEST(ResourceRanges, EveryPortRangeOfEveryDescriptor) {
    // An ECP port: its registers, its interrupt, its extended registers; and a second descriptor.
    const auto ranges = Ranges(List({{{kPort, 0x378, 8}, {kInterrupt, 7, 0}, {kPort, 0x778, 8}},
                                     {{kMemory, 0xD0000, 0x1000}, {kPort, 0xE800, 4}}}));
    std::vector<std::pair<unsigned long long, unsigned long>> got;
    for (const hwi_port_range& r : ranges) got.emplace_back(r.start, r.length);
    EXPECT_EQ(got, (decltype(got){{0x378, 8}, {0x778, 8}, {0xE800, 4}}));
    EXPECT_EQ(Ranges(List({{{kPort, 0x100000378ULL, 8}}}))[0].start, 0x100000378ULL) << "the start is 64 bits";
}

TEST(ResourceRanges, NothingBeyondTheReturnedBytesOrTheRoom) {
    const std::vector<unsigned char> list = List({{{kPort, 0x378, 8}, {kPort, 0x778, 8}}});
    for (std::size_t cut = 0; cut < list.size(); ++cut) {
        // A partial descriptor counts only when all of its 16 bytes are there.
        const std::size_t whole = cut < 20 ? 0 : (cut - 20) / 16;
        EXPECT_EQ(Ranges({list.begin(), list.begin() + cut}).size(), whole) << cut;
    }
    EXPECT_EQ(Ranges(List({{{kPort, 0x378, 8}}}, 0x7FFFFFFF)).size(), 1u) << "a count beyond the bytes";
    EXPECT_TRUE(Ranges(List({{{kPort, 0x378, 8}}}, 0)).empty()) << "descriptors beyond the count";
    EXPECT_EQ(Ranges(List({{{kPort, 0x378, 8}, {kPort, 0x778, 8}, {kPort, 0x278, 8}}}), 2).size(), 2u);
}

std::vector<unsigned char> Utf16(const std::string& text) {
    std::vector<unsigned char> out;
    for (char c : text) out.insert(out.end(), {static_cast<unsigned char>(c), 0});
    return out;
}

TEST(ParallelPortName, TheSystemsNameOfAParallelPort) {
    const struct {
        const char* name;
        bool parallel;
    } cases[] = {
        {"ECP Printer Port (LPT1)", true},  {"PCI Parallel Port (LPT12)", true}, {"Communications Port (COM1)", false},
        {"ECP Printer Port (lpt1)", false},  // the monitor's lookup is case-sensitive
        {"ECP Printer Port (LPT)", false},  {"ECP Printer Port (LPT1", false},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> name = Utf16(c.name);
        EXPECT_EQ(hwi_names_parallel_port(name.data(), static_cast<unsigned long>(name.size())) != 0, c.parallel)
            << c.name;
    }
    // A character outside ASCII breaks the match; so does a half character at the end.
    std::vector<unsigned char> wide = Utf16("Port (LPT1)");
    wide[2 * 6 + 1] = 0x01;  // 'L' + 0x100
    EXPECT_FALSE(hwi_names_parallel_port(wide.data(), static_cast<unsigned long>(wide.size())));
    std::vector<unsigned char> odd = Utf16("(LPT1)");
    EXPECT_FALSE(hwi_names_parallel_port(odd.data(), static_cast<unsigned long>(odd.size() - 1)));
}

}  // namespace
