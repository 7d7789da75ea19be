#include "core/request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Permission {
    bool allow = false;
    int asked = 0;
};

int AskPermission(void* context) {
    auto* p = static_cast<Permission*>(context);
    ++p->asked;
    return p->allow ? 1 : 0;
}

// Decides over a buffer of exactly `input` bytes so that a read beyond it is caught.
hwi_decision Decide(unsigned long code, std::vector<unsigned char> input, unsigned long output,
                    Permission& permission) {
    hwi_decision d;
    std::memset(&d, 0xCD, sizeof(d));
    hwi_decide(code, input.empty() ? nullptr : input.data(), static_cast<unsigned long>(input.size()), output,
               AskPermission, &permission, &d);
    return d;
}

TEST(DriverRequest, ReadTakesTheLittleEndianPortAndAnswersOneByte) {
    Permission p;
    hwi_decision d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0x79, 0x03}, 1, p);
    EXPECT_EQ(d.action, HWI_ACTION_READ);
    EXPECT_EQ(d.result, HWI_RESULT_SUCCESS);
    EXPECT_EQ(d.port, 0x379);
    EXPECT_EQ(d.information, 1u);
    EXPECT_EQ(d.clear_output, 0);

    // The monitor's own request shape: a 3-byte buffer sent as 2 in, 1 out; longer is fine too.
    d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0xBC, 0x03, 0x00}, 4, p);
    EXPECT_EQ(d.action, HWI_ACTION_READ);
    EXPECT_EQ(d.port, 0x3BC);
    EXPECT_EQ(d.information, 1u);
    EXPECT_EQ(p.asked, 0) << "reads are open to every user";
}

TEST(DriverRequest, ShortReadSucceedsWithoutTouchingAPort) {
    Permission p;
    hwi_decision d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0x79}, 1, p);
    EXPECT_EQ(d.action, HWI_ACTION_NONE);
    EXPECT_EQ(d.result, HWI_RESULT_SUCCESS);
    EXPECT_EQ(d.information, 1u);
    EXPECT_EQ(d.clear_output, 1) << "the answer byte must not be stale system memory";

    d = Decide(HWI_IOCTL_READ_PORT_BYTE, {}, 1, p);
    EXPECT_EQ(d.action, HWI_ACTION_NONE);
    EXPECT_EQ(d.clear_output, 1);

    // No room for an answer: nothing is counted that the caller cannot take.
    d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0x79, 0x03}, 0, p);
    EXPECT_EQ(d.action, HWI_ACTION_NONE);
    EXPECT_EQ(d.result, HWI_RESULT_SUCCESS);
    EXPECT_EQ(d.information, 0u);
    EXPECT_EQ(d.clear_output, 0);
}

TEST(DriverRequest, WriteNeedsThePrivilege) {
    Permission admin;
    admin.allow = true;
    hwi_decision d = Decide(HWI_IOCTL_WRITE_PORT_BYTE, {0x7A, 0x03, 0x0C}, 0, admin);
    EXPECT_EQ(d.action, HWI_ACTION_WRITE);
    EXPECT_EQ(d.result, HWI_RESULT_SUCCESS);
    EXPECT_EQ(d.port, 0x37A);
    EXPECT_EQ(d.value, 0x0C);
    EXPECT_EQ(admin.asked, 1);

    Permission user;
    d = Decide(HWI_IOCTL_WRITE_PORT_BYTE, {0x7A, 0x03, 0x0C}, 0, user);
    EXPECT_EQ(d.action, HWI_ACTION_NONE);
    EXPECT_EQ(d.result, HWI_RESULT_ACCESS_DENIED);
    EXPECT_EQ(d.information, 0u);
    EXPECT_EQ(user.asked, 1);

    // No permission callback at all is treated as no permission.
    hwi_decide(HWI_IOCTL_WRITE_PORT_BYTE, reinterpret_cast<const unsigned char*>("\x78\x03\x01"), 3, 0, nullptr,
               nullptr, &d);
    EXPECT_EQ(d.action, HWI_ACTION_NONE);
    EXPECT_EQ(d.result, HWI_RESULT_ACCESS_DENIED);
}

TEST(DriverRequest, ShortWriteSucceedsWithoutTouchingAPortOrAskingForRights) {
    for (std::vector<unsigned char> input : {std::vector<unsigned char>{}, {0x78}, {0x78, 0x03}}) {
        Permission user;
        hwi_decision d = Decide(HWI_IOCTL_WRITE_PORT_BYTE, input, 0, user);
        EXPECT_EQ(d.action, HWI_ACTION_NONE) << input.size();
        EXPECT_EQ(d.result, HWI_RESULT_SUCCESS) << input.size();
        EXPECT_EQ(user.asked, 0) << input.size();
    }
}

TEST(DriverRequest, OtherCodesFail) {
    // Neighbouring functions, other access bits, another device type, method bits.
    for (unsigned long code : {0x0UL, 0x9C402000UL, 0x9C40200CUL, 0x9C406004UL, 0x9C412004UL, 0x22402004UL,
                               0x9C402005UL, 0x9C402007UL}) {
        Permission admin;
        admin.allow = true;
        hwi_decision d = Decide(code, {0x79, 0x03, 0x00}, 1, admin);
        EXPECT_EQ(d.result, HWI_RESULT_UNSUCCESSFUL) << std::hex << code;
        EXPECT_EQ(d.action, HWI_ACTION_NONE) << std::hex << code;
        EXPECT_EQ(d.information, 0u) << std::hex << code;
    }
}

TEST(DriverRequest, ValueNamesUseUpperCaseHexWithoutPadding) {
    char name[16];
    EXPECT_EQ(hwi_value_name(name, sizeof(name), "Port", 0x379), 7u);
    EXPECT_STREQ(name, "Port379");
    EXPECT_EQ(hwi_value_name(name, sizeof(name), "Sequence", 0x3BD), 11u);
    EXPECT_STREQ(name, "Sequence3BD");
    EXPECT_EQ(hwi_value_name(name, sizeof(name), "Port", 0), 5u);
    EXPECT_STREQ(name, "Port0");
    EXPECT_EQ(hwi_value_name(name, sizeof(name), "Port", 0xFFFF), 8u);
    EXPECT_STREQ(name, "PortFFFF");

    char tight[8];
    EXPECT_EQ(hwi_value_name(tight, sizeof(tight), "Port", 0x379), 7u) << "exact fit with terminator";
    std::memset(tight, 'x', sizeof(tight));
    EXPECT_EQ(hwi_value_name(tight, 7, "Port", 0x379), 0u);
    EXPECT_EQ(tight[0], 'x') << "nothing written when it does not fit";
}

TEST(DriverRequest, SequenceAdvancesAndHoldsItsLastByte) {
    const unsigned char seq[] = {0x20, 0x98, 0x08};
    unsigned char value = 0;
    unsigned long next = 0;
    std::vector<unsigned char> played;
    unsigned long index = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(hwi_sequence_pick(seq, 3, index, &value, &next), 1);
        played.push_back(value);
        index = next;
    }
    EXPECT_EQ(played, (std::vector<unsigned char>{0x20, 0x98, 0x08, 0x08, 0x08}));
    EXPECT_EQ(index, 3u);

    // An index left from a longer sequence is held at the new end.
    ASSERT_EQ(hwi_sequence_pick(seq, 2, 7, &value, &next), 1);
    EXPECT_EQ(value, 0x98);
    EXPECT_EQ(next, 2u);

    value = 0x55;
    EXPECT_EQ(hwi_sequence_pick(seq, 0, 0, &value, &next), 0);
    EXPECT_EQ(hwi_sequence_pick(nullptr, 3, 0, &value, &next), 0);
    EXPECT_EQ(value, 0x55);
}

}  // namespace
