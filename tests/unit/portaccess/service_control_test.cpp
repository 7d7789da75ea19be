#include "monitor/portaccess/core/ServiceControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using portaccess::ManagerAccess;
using portaccess::OpenResult;

// A service manager that behaves like the system's for our one service:
// administrators get full access, standard users only read access; a service
// starts once; the device exists while the service runs.
class FakeSystem : public portaccess::DriverServiceSystem {
public:
    bool admin = true;
    bool managerBroken = false;   // the manager cannot be opened at all
    bool registered = false;
    bool running = false;
    bool startRefused = false;    // StartServiceA fails even when stopped (e.g. a bad image)
    int imageWrites = 0;
    std::vector<std::string> calls;

    OpenResult OpenManager(ManagerAccess access) override {
        calls.push_back(access == ManagerAccess::Full ? "manager full" : "manager read");
        EXPECT_FALSE(m_managerOpen) << "manager opened twice without closing";
        if (managerBroken) return OpenResult::Failed;
        if (access == ManagerAccess::Full && !admin) return OpenResult::AccessDenied;
        m_managerOpen = true;
        m_managerFull = access == ManagerAccess::Full;
        return OpenResult::Ok;
    }
    void CloseManager() override {
        EXPECT_TRUE(m_managerOpen) << "closing a manager that is not open";
        EXPECT_FALSE(m_serviceOpen) << "manager closed before its service";
        m_managerOpen = false;
    }
    bool OpenDriverService() override {
        calls.push_back("open service");
        EXPECT_TRUE(m_managerOpen);
        if (!registered) return false;
        m_serviceOpen = true;
        return true;
    }
    void CloseDriverService() override {
        EXPECT_TRUE(m_serviceOpen) << "closing a service that is not open";
        m_serviceOpen = false;
    }
    bool StartDriverService() override {
        calls.push_back("start");
        EXPECT_TRUE(m_serviceOpen);
        if (running || startRefused) return false;   // already running: 1056
        running = true;
        return true;
    }
    bool CreateDriverService() override {
        calls.push_back("create");
        EXPECT_TRUE(m_managerOpen && m_managerFull);
        if (registered) return false;   // 1073, registration unchanged
        registered = true;
        m_serviceOpen = true;
        return true;
    }
    void WriteDriverImage() override {
        calls.push_back("write image");
        ++imageWrites;
    }
    bool OpenDevice() override {
        calls.push_back("open device");
        return running;
    }
    bool usable = false;   // a handle is held and its last read succeeded
    bool DeviceUsable() override { return usable; }

    bool Balanced() const { return !m_managerOpen && !m_serviceOpen; }

private:
    bool m_managerOpen = false;
    bool m_managerFull = false;
    bool m_serviceOpen = false;
};

using Calls = std::vector<std::string>;

TEST(StartPortDriver, ResultCodes) {
    FakeSystem s;
    s.registered = true;
    EXPECT_EQ(portaccess::StartPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"manager full", "open service", "start"}));
    EXPECT_TRUE(s.Balanced());

    // Already running counts as a refused start.
    s.calls.clear();
    EXPECT_EQ(portaccess::StartPortDriver(s), 3);
    EXPECT_TRUE(s.Balanced());

    FakeSystem missing;
    EXPECT_EQ(portaccess::StartPortDriver(missing), 1);
    EXPECT_EQ(missing.calls, (Calls{"manager full", "open service"}));
    EXPECT_TRUE(missing.Balanced());

    FakeSystem broken;
    broken.managerBroken = true;
    EXPECT_EQ(portaccess::StartPortDriver(broken), 1);
    EXPECT_EQ(broken.calls, (Calls{"manager full"})) << "only access denied falls back";
}

TEST(StartPortDriver, StandardUserFallsBackToReadAccess) {
    FakeSystem s;
    s.admin = false;
    s.registered = true;
    EXPECT_EQ(portaccess::StartPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"manager full", "manager read", "open service", "start"}));
    EXPECT_TRUE(s.running);
    EXPECT_TRUE(s.Balanced());

    s.calls.clear();
    EXPECT_EQ(portaccess::StartPortDriver(s), 4);
    EXPECT_TRUE(s.Balanced());

    FakeSystem missing;
    missing.admin = false;
    EXPECT_EQ(portaccess::StartPortDriver(missing), 1);
    EXPECT_TRUE(missing.Balanced());
}

TEST(InstallPortDriver, WritesTheImageThenRegisters) {
    FakeSystem s;
    EXPECT_EQ(portaccess::InstallPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"write image", "manager full", "create"}));
    EXPECT_TRUE(s.registered);
    EXPECT_FALSE(s.running);
    EXPECT_TRUE(s.Balanced());

    // Again with the service registered: the image is written again, the creation fails harmlessly.
    s.calls.clear();
    EXPECT_EQ(portaccess::InstallPortDriver(s), 0);
    EXPECT_EQ(s.calls, (Calls{"write image", "manager full", "create"}));
    EXPECT_EQ(s.imageWrites, 2);
    EXPECT_TRUE(s.Balanced());
}

TEST(InstallPortDriver, RefusedOrBrokenManager) {
    FakeSystem user;
    user.admin = false;
    EXPECT_EQ(portaccess::InstallPortDriver(user), 5);
    EXPECT_EQ(user.calls, (Calls{"write image", "manager full"})) << "the image write is still attempted";
    EXPECT_FALSE(user.registered);

    FakeSystem broken;
    broken.managerBroken = true;
    EXPECT_EQ(portaccess::InstallPortDriver(broken), 0);
    EXPECT_FALSE(broken.registered);
}

TEST(OpenPortDriver, RunningDriverOpensAtOnce) {
    FakeSystem s;
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
    FakeSystem s;
    s.registered = true;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_EQ(s.calls, (Calls{"open device", "manager full", "open service", "start", "open device"}));
    EXPECT_EQ(s.imageWrites, 0);
    EXPECT_TRUE(s.running);
    EXPECT_TRUE(s.Balanced());
}

TEST(OpenPortDriver, MissingServiceIsInstalledStartedAndOpened) {
    FakeSystem s;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_EQ(s.calls, (Calls{"open device", "manager full", "open service", "write image", "manager full",
                              "create", "manager full", "open service", "start", "open device"}));
    EXPECT_TRUE(s.registered && s.running);
    EXPECT_TRUE(s.Balanced());
}

TEST(OpenPortDriver, RunningServiceWithoutDeviceReinstallsAndTriesAgain) {
    // The device open fails although the service runs: the start is refused
    // (already running), so the image is rewritten and a start tried again.
    FakeSystem s;
    s.registered = s.running = true;
    int opens = 0;
    struct FlakyDevice : FakeSystem {
        int* opens;
        bool OpenDevice() override {
            FakeSystem::OpenDevice();
            return ++*opens > 1;
        }
    } flaky;
    flaky.registered = flaky.running = true;
    flaky.opens = &opens;
    EXPECT_EQ(portaccess::OpenPortDriver(flaky), 1);
    EXPECT_EQ(flaky.calls, (Calls{"open device", "manager full", "open service", "start", "write image",
                                  "manager full", "create", "manager full", "open service", "start", "open device"}));
    EXPECT_EQ(flaky.imageWrites, 1);
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(flaky.Balanced());
}

TEST(OpenPortDriver, StandardUserWithoutRegistrationGetsNoDevice) {
    FakeSystem s;
    s.admin = false;
    EXPECT_EQ(portaccess::OpenPortDriver(s), 1);
    EXPECT_FALSE(s.registered);
    EXPECT_FALSE(s.running);
    EXPECT_EQ(s.calls.back(), "open device");
    EXPECT_TRUE(s.Balanced());

    // Registered by an administrator earlier: the user starts it from the read-access open.
    FakeSystem later;
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
