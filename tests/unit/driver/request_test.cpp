#include "core/request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// The caller and the machine as the decision sees them: whether the caller
// may write, the parallel ports' ranges, and how often each was asked.
struct Permission {
    bool allow = false;
    int asked = 0;
    std::vector<hwi_port_range> ranges;
    int rangesAsked = 0;

    static int MayWrite(void* context) {
        auto* p = static_cast<Permission*>(context);
        ++p->asked;
        return p->allow ? 1 : 0;
    }
    static unsigned long Ranges(void* context, hwi_port_range* out, unsigned long capacity) {
        auto* p = static_cast<Permission*>(context);
        ++p->rangesAsked;
        unsigned long n = 0;
        for (; n < p->ranges.size() && n < capacity; ++n) out[n] = p->ranges[n];
        return n;
    }
};

// Decides over a buffer of exactly `input` bytes so that a read beyond it is caught.
hwi_decision Decide(unsigned long code, std::vector<unsigned char> input, unsigned long output,
                    Permission& permission) {
    hwi_decision d;
    std::memset(&d, 0xCD, sizeof(d));
    const hwi_caller caller = {Permission::MayWrite, Permission::Ranges, &permission};
    hwi_decide(code, input.empty() ? nullptr : input.data(), static_cast<unsigned long>(input.size()), output, &caller,
               &d);
    return d;
}

std::vector<unsigned char> ReadOf(unsigned port) {
    return {static_cast<unsigned char>(port), static_cast<unsigned char>(port >> 8)};
}

// LPT1 at 0x378 and LPT2 at 0x278, each as the first range Windows 7 assigns to an ECP port.
const std::vector<hwi_port_range> kLpt1 = {{0x378, 8}, {0x278, 8}};

TEST(DriverRequest, ReadTakesTheLittleEndianPortAndAnswersOneByte) {
    Permission p;
    p.ranges = kLpt1;
    hwi_decision d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0x79, 0x03}, 1, p);
    EXPECT_EQ(d.action, HWI_ACTION_READ);
    EXPECT_EQ(d.result, HWI_RESULT_SUCCESS);
    EXPECT_EQ(d.port, 0x379);
    EXPECT_EQ(d.information, 1u);
    EXPECT_EQ(d.clear_output, 0);

    // The monitor's own request shape: a 3-byte buffer sent as 2 in, 1 out; longer is fine too.
    d = Decide(HWI_IOCTL_READ_PORT_BYTE, {0x79, 0x02, 0x00}, 4, p);
    EXPECT_EQ(d.action, HWI_ACTION_READ);
    EXPECT_EQ(d.port, 0x279);
    EXPECT_EQ(d.information, 1u);
    EXPECT_EQ(p.asked, 0) << "a parallel port's register needs no look at the caller's token";
}

// A caller without the write right reads each parallel port's status register and nothing else.
TEST(DriverReadRule, AStandardUserReadsOnlyTheStatusRegisters) {
    const struct {
        std::vector<hwi_port_range> ranges;
        unsigned port;
        bool allowed;
    } cases[] = {
        {kLpt1, 0x379, true},   // LPT1's status register
        {kLpt1, 0x279, true},   // LPT2's: every port is looked at
        {kLpt1, 0x378, false},  // the data register
        {kLpt1, 0x37B, false},  // EPP address: a read runs a cycle on the cable
        {kLpt1, 0x778, false},  // the ECP FIFO: a read takes a byte out of it
        {{}, 0x379, false},     // no parallel port known
        // The monitor reads the first range's start + 1, even of a range too short to hold it.
        {{{0xE800, 1}}, 0xE801, true},
        {{{0xE800, 1}}, 0xE802, false},
        // A range at the top of the address space does not wrap to port 0.
        {{{0xFFFE, 2}}, 0xFFFF, true},
        {{{0xFFFF, 1}}, 0x0000, false},
        {{{0x1000000378ULL, 8}}, 0x378, false},  // a 64-bit start is compared whole
    };
    for (const auto& c : cases) {
        Permission user;
        user.ranges = c.ranges;
        hwi_decision d = Decide(HWI_IOCTL_READ_PORT_BYTE, ReadOf(c.port), 1, user);
        EXPECT_EQ(d.action, c.allowed ? HWI_ACTION_READ : HWI_ACTION_NONE) << std::hex << c.port;
        EXPECT_EQ(d.result, c.allowed ? HWI_RESULT_SUCCESS : HWI_RESULT_ACCESS_DENIED) << std::hex << c.port;
        EXPECT_EQ(d.information, c.allowed ? 1u : 0u) << std::hex << c.port;
        EXPECT_EQ(user.asked, c.allowed ? 0 : 1) << "the token is asked only outside the ranges";

        // A caller with the write right reads any port, range or not.
        Permission admin;
        admin.allow = true;
        admin.ranges = c.ranges;
        d = Decide(HWI_IOCTL_READ_PORT_BYTE, ReadOf(c.port), 1, admin);
        EXPECT_EQ(d.action, HWI_ACTION_READ) << std::hex << c.port;
        EXPECT_EQ(d.port, c.port);
    }
}

TEST(DriverReadRule, NoCallerOrNoAnswerMeansNoRight) {
    hwi_decision d;
    hwi_decide(HWI_IOCTL_READ_PORT_BYTE, ReadOf(0x379).data(), 2, 1, nullptr, &d);
    EXPECT_EQ(d.result, HWI_RESULT_ACCESS_DENIED);
    const hwi_caller none = {nullptr, nullptr, nullptr};
    hwi_decide(HWI_IOCTL_READ_PORT_BYTE, ReadOf(0x379).data(), 2, 1, &none, &d);
    EXPECT_EQ(d.result, HWI_RESULT_ACCESS_DENIED);
}

TEST(DriverOpen, OnlyTheDeviceItselfOpens) {
    EXPECT_EQ(hwi_decide_open(0, 0), HWI_RESULT_SUCCESS);
    EXPECT_EQ(hwi_decide_open(4, 0), HWI_RESULT_ACCESS_DENIED) << "\\.\\hwinterface\\x";
    EXPECT_EQ(hwi_decide_open(2, 0), HWI_RESULT_ACCESS_DENIED) << "a trailing backslash";
    EXPECT_EQ(hwi_decide_open(0, 1), HWI_RESULT_ACCESS_DENIED) << "relative to an open handle";
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
    const hwi_caller none = {nullptr, nullptr, nullptr};
    hwi_decide(HWI_IOCTL_WRITE_PORT_BYTE, reinterpret_cast<const unsigned char*>("\x78\x03\x01"), 3, 0, &none, &d);
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

// A TokenIntegrityLevel record returned at kAt: SID pointer, attributes, SID S-1-<authority>-<rid>...
constexpr unsigned long kAt = 0x8A001000;
std::vector<unsigned char> Label(unsigned long rid, unsigned long sidAt = kAt + 8, unsigned char authority = 16) {
    std::vector<unsigned char> out;
    PutLe32(out, sidAt);
    out.insert(out.end(), {0x60, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, authority});  // attributes, revision, 1 sub-authority
    PutLe32(out, rid);
    return out;
}
const std::vector<unsigned char> kHigh = Label(0x3000), kUnrestricted = {0, 0, 0, 0};

// Each record exactly sized on the heap, so that a read past it is caught.
int MayWrite(const std::vector<unsigned char>& record, hwi_token_type type = HWI_TOKEN_PRIMARY,
             unsigned long level = HWI_SECURITY_ANONYMOUS, const std::vector<unsigned char>& integrity = kHigh,
             const std::vector<unsigned char>& restricted = kUnrestricted) {
    std::vector<std::vector<unsigned char>> copies = {record, integrity, restricted};
    auto at = [&](int i) { return copies[i].empty() ? nullptr : copies[i].data(); };
    const hwi_token token = {type,
                             level,
                             at(0),
                             static_cast<unsigned long>(record.size()),
                             at(1),
                             static_cast<unsigned long>(integrity.size()),
                             kAt,
                             at(2),
                             static_cast<unsigned long>(restricted.size())};
    return hwi_token_may_write(&token);
}

// What Windows 7 gives a standard user, and an administrator before elevation:
// shutdown, change notify (enabled), undock, increase working set, time zone.
const std::vector<Privilege> kStandardUser = {{19, 0, kDisabled},
                                              {23, 0, kEnabledByDefault | kEnabled},
                                              {25, 0, kDisabled},
                                              {33, 0, kDisabled},
                                              {34, 0, kDisabled}};

// An elevated administrator: the load-driver privilege (10) is held but, as
// for every program that does not enable it, disabled.
std::vector<Privilege> ElevatedAdministrator(unsigned long loadDriverAttributes) {
    return {{5, 0, kDisabled},
            {8, 0, kDisabled},
            {9, 0, kDisabled},
            {10, 0, loadDriverAttributes},
            {11, 0, kDisabled},
            {17, 0, kDisabled},
            {18, 0, kDisabled},
            {19, 0, kDisabled},
            {20, 0, kDisabled},
            {23, 0, kEnabledByDefault | kEnabled},
            {29, 0, kEnabledByDefault | kEnabled},
            {33, 0, kDisabled},
            {34, 0, kDisabled},
            {35, 0, kDisabled}};
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

// Not a medium-integrity duplicate of an elevated token, nor a restricted one: the privilege alone is not enough.
TEST(DriverWriteGate, OnlyAHighIntegrityUnrestrictedTokenMayWrite) {
    const std::vector<unsigned char> admin = Record(ElevatedAdministrator(kDisabled));
    const struct {
        std::vector<unsigned char> integrity, restricted;
        bool allowed;
    } cases[] = {
        {kHigh, kUnrestricted, true},
        {Label(0x2000), kUnrestricted, false},              // medium
        {kHigh, {1, 0, 0, 0}, false},                       // restricting SIDs
        {{}, kUnrestricted, false},                         // records the token did not give
        {Label(0x3000, kAt - 4), kUnrestricted, false},     // a SID before the record
        {Label(0x3000, kAt + 8, 5), kUnrestricted, false},  // not a mandatory label
    };
    for (const auto& c : cases)
        EXPECT_EQ(MayWrite(admin, HWI_TOKEN_PRIMARY, 0, c.integrity, c.restricted) != 0, c.allowed) << &c - cases;
}

// The token the thread acts with decides: a process's own (primary) token, or
// the thread's impersonation token, which counts only at a level that lets the
// thread act as its user. An identification copy of an administrator's token
// is what any process of a non-elevated administrator (GetTokenInformation
// with TokenLinkedToken) or a pipe server can get.
TEST(DriverWriteGate, AThreadTokenCountsOnlyAtALevelThatActsAsItsUser) {
    const std::vector<unsigned char> admin = Record(ElevatedAdministrator(kDisabled));
    const std::vector<unsigned char> user = Record(kStandardUser);
    EXPECT_NE(MayWrite(admin, HWI_TOKEN_PRIMARY, HWI_SECURITY_ANONYMOUS), 0) << "a primary token has no level";
    for (unsigned long level = HWI_SECURITY_ANONYMOUS; level <= HWI_SECURITY_DELEGATION; ++level) {
        EXPECT_EQ(MayWrite(admin, HWI_TOKEN_IMPERSONATION, level) != 0, level >= HWI_SECURITY_IMPERSONATION) << level;
        EXPECT_EQ(MayWrite(user, HWI_TOKEN_IMPERSONATION, level), 0) << level;
    }
    EXPECT_EQ(MayWrite(user, HWI_TOKEN_PRIMARY), 0);
    EXPECT_EQ(MayWrite(admin, static_cast<hwi_token_type>(0), HWI_SECURITY_DELEGATION), 0) << "unknown type";
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
    EXPECT_EQ(hwi_token_may_write(nullptr), 0);
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
    for (unsigned long code :
         {0x0UL, 0x9C402000UL, 0x9C40200CUL, 0x9C406004UL, 0x9C412004UL, 0x22402004UL, 0x9C402005UL, 0x9C402007UL}) {
        Permission admin;
        admin.allow = true;
        admin.ranges = kLpt1;
        hwi_decision d = Decide(code, {0x79, 0x03, 0x00}, 1, admin);
        EXPECT_EQ(d.result, HWI_RESULT_UNSUCCESSFUL) << std::hex << code;
        EXPECT_EQ(d.action, HWI_ACTION_NONE) << std::hex << code;
        EXPECT_EQ(d.information, 0u) << std::hex << code;
    }
}

}  // namespace
