#include "monitor/portaccess/core/ServiceControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using portaccess::ManagerAccess;
using portaccess::RegisterAnswer;
using portaccess::StartAnswer;

// A service manager that behaves like the system's for our one service:
// administrators get full access, standard users only read access; a service
// starts once; the device exists while the service runs.
class FakeDriver : public portaccess::PortDriverControl {
public:
    bool admin = true;
    bool managerBroken = false;  // the manager cannot be opened at all
    bool registered = false;
    bool running = false;
    bool startRefused = false;  // StartServiceA fails even when stopped (e.g. a bad image)
    int imageWrites = 0;
    std::vector<std::string> calls;

    StartAnswer Start(ManagerAccess access) override {
        calls.push_back(access == ManagerAccess::Full ? "start full" : "start read");
        if (managerBroken) return StartAnswer::ManagerFailed;
        if (access == ManagerAccess::Full && !admin) return StartAnswer::ManagerDenied;
        if (!registered) return StartAnswer::NoService;
        if (running || startRefused) return StartAnswer::Refused;  // already running: 1056
        running = true;
        return StartAnswer::Started;
    }
    RegisterAnswer Register() override {
        calls.push_back("register");
        ++imageWrites;  // written before the manager is asked
        if (managerBroken) return RegisterAnswer::ManagerFailed;
        if (!admin) return RegisterAnswer::ManagerDenied;
        registered = true;  // an existing registration stays as it is (1073)
        return RegisterAnswer::Done;
    }
    bool OpenDevice() override {
        calls.push_back("open device");
        return running;
    }
    bool usable = false;  // a handle is held and its last read succeeded
    bool DeviceUsable() override { return usable; }
};

using Calls = std::vector<std::string>;

TEST(StartPortDriver, ResultCodes) {
    FakeDriver s;
    s.registered = true;
    EXPECT_EQ(portaccess::StartPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"start full"}));

    // Already running counts as a refused start.
    s.calls.clear();
    EXPECT_EQ(portaccess::StartPortDriver(s), 3);

    FakeDriver missing;
    EXPECT_EQ(portaccess::StartPortDriver(missing), 1);
    EXPECT_EQ(missing.calls, (Calls{"start full"}));

    FakeDriver broken;
    broken.managerBroken = true;
    EXPECT_EQ(portaccess::StartPortDriver(broken), 1);
    EXPECT_EQ(broken.calls, (Calls{"start full"})) << "only access denied falls back";
}

TEST(StartPortDriver, StandardUserFallsBackToReadAccess) {
    FakeDriver s;
    s.admin = false;
    s.registered = true;
    EXPECT_EQ(portaccess::StartPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"start full", "start read"}));
    EXPECT_TRUE(s.running);

    s.calls.clear();
    EXPECT_EQ(portaccess::StartPortDriver(s), 4);

    FakeDriver missing;
    missing.admin = false;
    EXPECT_EQ(portaccess::StartPortDriver(missing), 1);
}

TEST(InstallPortDriver, WritesTheImageThenRegisters) {
    FakeDriver s;
    EXPECT_EQ(portaccess::InstallPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"register"}));
    EXPECT_TRUE(s.registered);
    EXPECT_FALSE(s.running);

    // Again with the service registered: the image is written again, the creation fails harmlessly.
    s.calls.clear();
    EXPECT_EQ(portaccess::InstallPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"register"}));
    EXPECT_EQ(s.imageWrites, 2);
}

TEST(InstallPortDriver, RefusedOrBrokenManager) {
    FakeDriver user;
    user.admin = false;
    EXPECT_EQ(portaccess::InstallPortDriver(user), 5);
    EXPECT_EQ(user.calls, (Calls{"register"}));
    EXPECT_EQ(user.imageWrites, 1) << "the image write is still attempted";
    EXPECT_FALSE(user.registered);

    FakeDriver broken;
    broken.managerBroken = true;
    EXPECT_EQ(portaccess::InstallPortDriver(broken), 0);
    EXPECT_FALSE(broken.registered);
}

TEST(OpenPortDriver, RunningDriverOpensAtOnce) {
    FakeDriver s;
    s.registered = s.running = true;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"open device"}));
    // Resolved again with a handle that reads: it is kept, not reopened.
    s.calls.clear();
    s.usable = true;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 0);
    EXPECT_TRUE(s.calls.empty());
}

TEST(OpenPortDriver, StoppedServiceIsStartedWithoutRewritingTheImage) {
    FakeDriver s;
    s.registered = true;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_EQ(s.calls, (Calls{"open device", "start full", "open device"}));
    EXPECT_EQ(s.imageWrites, 0);
    EXPECT_TRUE(s.running);
}

TEST(OpenPortDriver, MissingServiceIsInstalledStartedAndOpened) {
    FakeDriver s;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_EQ(s.calls, (Calls{"open device", "start full", "register", "start full", "open device"}));
    EXPECT_TRUE(s.registered && s.running);
}

TEST(OpenPortDriver, RunningServiceWithoutDeviceReinstallsAndTriesAgain) {
    // The device open fails although the service runs: the start is refused
    // (already running), so the image is rewritten and a start tried again.
    FakeDriver s;
    s.registered = s.running = true;
    int opens = 0;
    struct FlakyDevice : FakeDriver {
        int* opens;
        bool OpenDevice() override {
            FakeDriver::OpenDevice();
            return ++*opens > 1;
        }
    } flaky;
    flaky.registered = flaky.running = true;
    flaky.opens = &opens;
    EXPECT_EQ(portaccess::OpenPortDriver(flaky), 1);
    EXPECT_EQ(flaky.calls, (Calls{"open device", "start full", "register", "start full", "open device"}));
    EXPECT_EQ(flaky.imageWrites, 1);
    EXPECT_EQ(opens, 2);
}

TEST(OpenPortDriver, StandardUserWithoutRegistrationGetsNoDevice) {
    FakeDriver s;
    s.admin = false;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_FALSE(s.registered);
    EXPECT_FALSE(s.running);
    EXPECT_EQ(s.calls.back(), "open device");

    // Registered by an administrator earlier: the user starts it from the read-access open.
    FakeDriver later;
    later.admin = false;
    later.registered = true;
    EXPECT_EQ(portaccess::OpenPortDriver(later), 1);
    EXPECT_TRUE(later.running);
    EXPECT_EQ(later.imageWrites, 0);
}

class FakeVersion : public portaccess::VersionQuery {
public:
    bool accepts156 = true, accepts148 = true;
    unsigned long platform = 2;
    std::vector<unsigned long> sizes;
    bool GetVersion(unsigned long recordSize, unsigned long& platformId) override {
        sizes.push_back(recordSize);
        if ((recordSize == 156 && !accepts156) || (recordSize == 148 && !accepts148)) return false;
        platformId = platform;
        return true;
    }
};

TEST(PortAccessMode, PlatformSelectsTheAccessMethod) {
    FakeVersion nt;
    EXPECT_EQ(portaccess::SelectPortAccessMode(nt), 2);
    EXPECT_EQ(nt.sizes, (std::vector<unsigned long>{156}));

    FakeVersion old9x;
    old9x.accepts156 = false;
    old9x.platform = 1;
    EXPECT_EQ(portaccess::SelectPortAccessMode(old9x), 1);
    EXPECT_EQ(old9x.sizes, (std::vector<unsigned long>{156, 148}));

    FakeVersion none;
    none.accepts156 = none.accepts148 = false;
    EXPECT_EQ(portaccess::SelectPortAccessMode(none), 0);

    for (unsigned long platform : {0UL, 3UL, 0xFFFFFFFFUL}) {
        FakeVersion other;
        other.platform = platform;
        EXPECT_EQ(portaccess::SelectPortAccessMode(other), 0) << platform;
    }
}

}  // namespace
