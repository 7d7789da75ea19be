// The test build's played ports over a fake service key: what a read answers,
// what it leaves behind, and what a write records. The Wine scenarios set
// these values with `reg add` and rely on exactly this.
#include "core/played.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Value {
    unsigned long type;
    std::vector<unsigned char> data;
};

// A service key: values by name, as the registry keeps them.
struct FakeKey {
    std::map<std::string, Value> values;
    std::vector<std::string> asked;

    void Dword(const std::string& name, unsigned long v) {
        values[name] = {HWI_PLAYED_DWORD,
                        {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                         static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)}};
    }
    void Binary(const std::string& name, std::vector<unsigned char> bytes) {
        values[name] = {HWI_PLAYED_BINARY, std::move(bytes)};
    }
    bool Get(const std::string& name, unsigned long& v) const {
        auto it = values.find(name);
        if (it == values.end() || it->second.type != HWI_PLAYED_DWORD || it->second.data.size() != 4) return false;
        const auto& d = it->second.data;
        v = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<unsigned long>(d[3]) << 24);
        return true;
    }

    static long Query(void* context, const char* name, unsigned long type, unsigned char* data,
                      unsigned long capacity) {
        auto* key = static_cast<FakeKey*>(context);
        key->asked.push_back(name);
        auto it = key->values.find(name);
        if (it == key->values.end() || it->second.type != type || it->second.data.size() > capacity) return -1;
        if (!it->second.data.empty()) std::memcpy(data, it->second.data.data(), it->second.data.size());
        return static_cast<long>(it->second.data.size());
    }
    static void SetDword(void* context, const char* name, unsigned long value) {
        static_cast<FakeKey*>(context)->Dword(name, value);
    }
    hwi_played_values Store() { return {this, Query, SetDword}; }
};

std::vector<int> Reads(FakeKey& key, unsigned short port, int count) {
    hwi_played_values store = key.Store();
    std::vector<int> out;
    for (int i = 0; i < count; ++i) out.push_back(hwi_played_read(&store, port));
    return out;
}

TEST(PlayedPorts, SequencePlaysOneBytePerReadAndHoldsItsLast) {
    FakeKey key;
    key.Binary("Sequence3BD", {0x98, 0x20, 0x78});
    key.Dword("Port3BD", 0x08);  // a sequence wins over the single value
    EXPECT_EQ(Reads(key, 0x3BD, 5), (std::vector<int>{0x98, 0x20, 0x78, 0x78, 0x78}));
    unsigned long index = 0;
    ASSERT_TRUE(key.Get("SequenceIndex3BD", index));
    EXPECT_EQ(index, 3u) << "stops one past the end";

    // A test restarts it by setting the index; an index left by a longer
    // sequence plays the new one's last byte.
    key.Dword("SequenceIndex3BD", 1);
    EXPECT_EQ(Reads(key, 0x3BD, 1), (std::vector<int>{0x20}));
    key.Binary("Sequence3BD", {0x98, 0x20});
    key.Dword("SequenceIndex3BD", 7);
    EXPECT_EQ(Reads(key, 0x3BD, 1), (std::vector<int>{0x20}));
    ASSERT_TRUE(key.Get("SequenceIndex3BD", index));
    EXPECT_EQ(index, 2u);

    // An index of another type starts the sequence over.
    key.Binary("SequenceIndex3BD", {1, 0, 0, 0});
    EXPECT_EQ(Reads(key, 0x3BD, 1), (std::vector<int>{0x98}));
}

TEST(PlayedPorts, WithoutASequenceTheSingleValueElseZero) {
    FakeKey key;
    EXPECT_EQ(Reads(key, 0x379, 1), (std::vector<int>{0}));
    EXPECT_TRUE(key.values.empty()) << "reading nothing writes nothing";

    key.Dword("Port379", 0x1F8);
    EXPECT_EQ(Reads(key, 0x379, 2), (std::vector<int>{0xF8, 0xF8})) << "its low byte, every read";
    EXPECT_EQ(key.values.count("SequenceIndex379"), 0u);

    // Not a sequence: empty, of another type, or longer than the driver takes.
    for (const Value& odd : {Value{HWI_PLAYED_BINARY, {}}, Value{HWI_PLAYED_DWORD, {0x20, 0, 0, 0}},
                             Value{HWI_PLAYED_BINARY, std::vector<unsigned char>(HWI_PLAYED_SEQUENCE_MAX + 1, 0x20)}}) {
        key.values["Sequence379"] = odd;
        EXPECT_EQ(Reads(key, 0x379, 1), (std::vector<int>{0xF8})) << odd.data.size();
    }
    key.Binary("Sequence379", std::vector<unsigned char>(HWI_PLAYED_SEQUENCE_MAX, 0x20));
    EXPECT_EQ(Reads(key, 0x379, 1), (std::vector<int>{0x20})) << "the longest sequence the driver takes";

    // A single value of the wrong type or size is no value.
    key.values.erase("Sequence379");
    key.Binary("Port379", {0x98, 0, 0, 0});
    EXPECT_EQ(Reads(key, 0x379, 1), (std::vector<int>{0}));
    key.values["Port379"] = {HWI_PLAYED_DWORD, {0x98, 0}};
    EXPECT_EQ(Reads(key, 0x379, 1), (std::vector<int>{0}));
}

TEST(PlayedPorts, ValueNamesAreThePortInUpperCaseHexWithoutPadding) {
    FakeKey key;
    for (unsigned short port : {0x0, 0x3BC, 0xFFFF, 0x10}) Reads(key, port, 1);
    EXPECT_EQ(key.asked, (std::vector<std::string>{"Sequence0", "Port0", "Sequence3BC", "Port3BC", "SequenceFFFF",
                                                   "PortFFFF", "Sequence10", "Port10"}));
}

TEST(PlayedPorts, WritesLeaveTheByteAndCountThemselves) {
    FakeKey key;
    hwi_played_values store = key.Store();
    hwi_played_write(&store, 0x37A, 0x0C);
    hwi_played_write(&store, 0x37A, 0x04);
    hwi_played_write(&store, 0x278, 0xFF);
    unsigned long written = 0, count = 0;
    ASSERT_TRUE(key.Get("Written37A", written));
    ASSERT_TRUE(key.Get("WriteCount37A", count));
    EXPECT_EQ(written, 0x04u);
    EXPECT_EQ(count, 2u);
    ASSERT_TRUE(key.Get("Written278", written));
    ASSERT_TRUE(key.Get("WriteCount278", count));
    EXPECT_EQ(written, 0xFFu);
    EXPECT_EQ(count, 1u);

    // A test resets the count by deleting it or giving it another type.
    key.Binary("WriteCount37A", {9, 0, 0, 0});
    hwi_played_write(&store, 0x37A, 0x01);
    ASSERT_TRUE(key.Get("WriteCount37A", count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(key.values.count("Port37A"), 0u) << "a write is not read back as the port's value";
}

// The test build says which played ports are parallel ports, in the layout the
// system gives a port's assigned resources: LPT1 at 0x378 as the fixture plants it.
TEST(PlayedPorts, ParallelPortsAreTheRangesOfTheirResourceList) {
    FakeKey key;
    hwi_played_values store = key.Store();
    hwi_port_range ranges[HWI_RANGES_MAX];
    EXPECT_EQ(hwi_played_parallel_ranges(&store, ranges, HWI_RANGES_MAX), 0u) << "none played";

    // One full descriptor of one partial one: an I/O port range of 8 ports from 0x378.
    const std::vector<unsigned char> list = {1, 0, 0, 0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0,
                                             0, 0, 1, 0, 0, 0, 0x78, 3, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0};
    key.values["ParallelPorts"] = {HWI_PLAYED_RESOURCE_LIST, list};
    ASSERT_EQ(hwi_played_parallel_ranges(&store, ranges, HWI_RANGES_MAX), 1u);
    EXPECT_EQ(ranges[0].start, 0x378u);
    EXPECT_EQ(ranges[0].length, 8u);
    EXPECT_EQ(hwi_played_parallel_ranges(&store, ranges, 0), 0u) << "no room";

    key.values["ParallelPorts"] = {HWI_PLAYED_BINARY, list};
    EXPECT_EQ(hwi_played_parallel_ranges(&store, ranges, HWI_RANGES_MAX), 0u) << "another type";
}

// Under Wine the driver sees its host's administrator token, never the
// caller's: a test plays the caller instead, or leaves it to the token.
TEST(PlayedPorts, TheCallerIsPlayedWhenATestSaysWho) {
    FakeKey key;
    hwi_played_values store = key.Store();
    EXPECT_EQ(hwi_played_caller_may_write(&store, 1), 1) << "the token decides";
    EXPECT_EQ(hwi_played_caller_may_write(&store, 0), 0);
    key.Dword("CallerMayWrite", 0);
    EXPECT_EQ(hwi_played_caller_may_write(&store, 1), 0) << "a standard user";
    key.Dword("CallerMayWrite", 0x100);
    EXPECT_EQ(hwi_played_caller_may_write(&store, 0), 1) << "an administrator";
    key.Binary("CallerMayWrite", {0, 0, 0, 0});
    EXPECT_EQ(hwi_played_caller_may_write(&store, 1), 1) << "another type is not a played caller";
}

}  // namespace
