#include "core/request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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

TEST(DriverRequest, WriteAsksWhetherTheCallerMayWrite) {
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

// A TOKEN_PRIVILEGES record as the token query returns it on 32-bit Windows.
struct Privilege {
    unsigned long low, high, attributes;
};
constexpr unsigned long kDisabled = 0, kEnabledByDefault = 1, kEnabled = 2, kRemoved = 4;

void PutLe32(std::vector<unsigned char>& out, unsigned long v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::vector<unsigned char> Record(const std::vector<Privilege>& privileges, long count = -1) {
    std::vector<unsigned char> out;
    PutLe32(out, count < 0 ? static_cast<unsigned long>(privileges.size()) : static_cast<unsigned long>(count));
    for (const Privilege& p : privileges) {
        PutLe32(out, p.low);
        PutLe32(out, p.high);
        PutLe32(out, p.attributes);
    }
    return out;
}

// Exactly `record` bytes on the heap, so that a read past them is caught.
int MayWrite(const std::vector<unsigned char>& record) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[record.size() + 1]);
    std::memcpy(copy.get(), record.data(), record.size());
    return hwi_token_may_write(copy.get(), static_cast<unsigned long>(record.size()));
}

// What Windows 7 gives a standard user, and an administrator before elevation:
// shutdown, change notify (enabled), undock, increase working set, time zone.
const std::vector<Privilege> kStandardUser = {
    {19, 0, kDisabled}, {23, 0, kEnabledByDefault | kEnabled}, {25, 0, kDisabled}, {33, 0, kDisabled},
    {34, 0, kDisabled}};

// An elevated administrator: the load-driver privilege (10) is held but, as
// for every program that does not enable it, disabled.
std::vector<Privilege> ElevatedAdministrator(unsigned long loadDriverAttributes) {
    return {{5, 0, kDisabled},  {8, 0, kDisabled},  {9, 0, kDisabled},  {10, 0, loadDriverAttributes},
            {11, 0, kDisabled}, {17, 0, kDisabled}, {18, 0, kDisabled}, {19, 0, kDisabled},
            {20, 0, kDisabled}, {23, 0, kEnabledByDefault | kEnabled},  {29, 0, kEnabledByDefault | kEnabled},
            {33, 0, kDisabled}, {34, 0, kDisabled}, {35, 0, kDisabled}};
}

TEST(DriverWriteGate, AdministratorsMayWriteWhetherOrNotTheyEnabledThePrivilege) {
    EXPECT_NE(MayWrite(Record(ElevatedAdministrator(kDisabled))), 0) << "elevated, privilege not enabled";
    EXPECT_NE(MayWrite(Record(ElevatedAdministrator(kEnabled))), 0);
    EXPECT_NE(MayWrite(Record(ElevatedAdministrator(kEnabledByDefault | kEnabled))), 0) << "LocalSystem";
    // The privilege last in the record is found too.
    std::vector<Privilege> last = kStandardUser;
    last.push_back({10, 0, kDisabled});
    EXPECT_NE(MayWrite(Record(last)), 0);
}

TEST(DriverWriteGate, StandardUsersAndFilteredAdministratorsMayNot) {
    EXPECT_EQ(MayWrite(Record(kStandardUser)), 0);
    EXPECT_EQ(MayWrite(Record({})), 0);
    // A removed privilege is not held; nor is another LUID with the same low part.
    EXPECT_EQ(MayWrite(Record(ElevatedAdministrator(kRemoved))), 0);
    EXPECT_EQ(MayWrite(Record({{19, 0, 0}, {10, 1, kEnabled}, {23, 0, kEnabled}})), 0);
}

TEST(DriverWriteGate, OnlyTheReturnedBytesAreRead) {
    // The count claims an entry the query did not return: the missing entry is never read.
    std::vector<unsigned char> record = Record(kStandardUser, 6);
    EXPECT_EQ(MayWrite(record), 0);
    // The privilege in a truncated last entry does not count.
    std::vector<unsigned char> cut = Record({{19, 0, 0}, {10, 0, kEnabled}});
    cut.resize(cut.size() - 1);
    EXPECT_EQ(MayWrite(cut), 0);
    // Entries beyond the count are not looked at.
    EXPECT_EQ(MayWrite(Record({{19, 0, 0}, {10, 0, kEnabled}}, 1)), 0);
    EXPECT_EQ(MayWrite({0x01, 0x00, 0x00}), 0);
    EXPECT_EQ(hwi_token_may_write(nullptr, 16), 0);
    // A huge count does not wrap the bound.
    EXPECT_NE(MayWrite(Record({{10, 0, 0}}, 0x7FFFFFFF)), 0);
    EXPECT_NE(MayWrite(Record({{10, 0, 0}}, static_cast<long>(0xFFFFFFFFL))), 0);
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

}  // namespace
