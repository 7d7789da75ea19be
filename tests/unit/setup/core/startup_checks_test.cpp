#include "setup/core/SetupTexts.h"
#include "setup/core/StartupChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace setup::core;

namespace {

// Answers fixed per test; records which questions were asked, in order.
class ScriptedProbe : public StartupProbe {
public:
    bool running = false;
    OsVersion version{6, 1};
    bool wow64 = false;
    bool admin = true;
    // The spooler's answers in turn; the last one repeats.
    std::vector<ServiceState> spooler{ServiceState::Running};
    std::size_t spoolerAsked = 0;
    std::string asked;

    bool AnotherInstanceRunning() override {
        asked += "L";
        return running;
    }
    OsVersion Version() override {
        asked += "V";
        return version;
    }
    bool RunsUnderWow64() override {
        asked += "W";
        return wow64;
    }
    bool UserIsAdministrator() override {
        asked += "A";
        return admin;
    }
    ServiceState Spooler() override {
        asked += "S";
        return spooler[std::min(spoolerAsked++, spooler.size() - 1)];
    }
    void Pause(unsigned ms) override { asked += ms == kSpoolerStartPauseMs ? "p" : "?"; }
};

}  // namespace

TEST(StartupChecks, AllPassingAsksEveryQuestionInOrder) {
    ScriptedProbe probe;
    EXPECT_EQ(CheckStartup(probe), StartupVerdict::Proceed);
    EXPECT_EQ(probe.asked, "LVWAS");
    EXPECT_EQ(StartupMessage(StartupVerdict::Proceed), nullptr);
}

TEST(StartupChecks, FirstRefusalStopsTheLaterChecks) {
    {
        ScriptedProbe probe;
        probe.running = true;
        probe.version = {5, 1};  // would refuse too, but is never asked
        EXPECT_EQ(CheckStartup(probe), StartupVerdict::AlreadyRunning);
        EXPECT_EQ(probe.asked, "L");
    }
    {
        ScriptedProbe probe;
        probe.version = {6, 0};
        probe.wow64 = true;
        EXPECT_EQ(CheckStartup(probe), StartupVerdict::NotWindows7);
        EXPECT_EQ(probe.asked, "LV");
    }
    {
        // 64-bit Windows 7: the version passes, WOW64 refuses, admin is not asked.
        ScriptedProbe probe;
        probe.wow64 = true;
        probe.admin = false;
        EXPECT_EQ(CheckStartup(probe), StartupVerdict::Not32Bit);
        EXPECT_EQ(probe.asked, "LVW");
    }
    {
        ScriptedProbe probe;
        probe.admin = false;
        EXPECT_EQ(CheckStartup(probe), StartupVerdict::NotAdministrator);
        EXPECT_EQ(probe.asked, "LVWA");
    }
}

// Only a running spooler, or one the service manager cannot tell about, lets
// setup go on; a starting one is asked again, 30 times at most.
TEST(StartupChecks, TheSpoolerMustRunOrFinishStarting) {
    using S = ServiceState;
    const struct {
        std::vector<S> answers;
        StartupVerdict verdict;
        std::size_t asked;
    } cases[] = {
        {{S::Unknown}, StartupVerdict::Proceed, 1},
        {{S::Stopped}, StartupVerdict::SpoolerStopped, 1},
        {{S::Starting, S::Starting, S::Running}, StartupVerdict::Proceed, 3},
        {{S::Starting}, StartupVerdict::SpoolerStopped, kSpoolerStartChecks + 1},
    };
    for (const auto& c : cases) {
        ScriptedProbe probe;
        probe.spooler = c.answers;
        EXPECT_EQ(CheckStartup(probe), c.verdict) << c.asked;
        EXPECT_EQ(probe.spoolerAsked, c.asked);
        EXPECT_EQ(std::count(probe.asked.begin(), probe.asked.end(), 'p'), static_cast<long>(c.asked - 1));
    }
    EXPECT_STREQ(StartupMessage(StartupVerdict::SpoolerStopped),
                 "The Print Spooler service is not running.\nStart it and run Setup again.");
}

TEST(StartupChecks, VersionMustBeSixOneOrLaterWithinSix) {
    EXPECT_FALSE(IsSupportedVersion({5, 1}));
    EXPECT_FALSE(IsSupportedVersion({5, 2}));
    EXPECT_FALSE(IsSupportedVersion({6, 0}));
    EXPECT_TRUE(IsSupportedVersion({6, 1}));
    EXPECT_TRUE(IsSupportedVersion({6, 2}));
    EXPECT_TRUE(IsSupportedVersion({6, 3}));
    EXPECT_FALSE(IsSupportedVersion({7, 1}));
    EXPECT_FALSE(IsSupportedVersion({10, 0}));
}

TEST(StartupChecks, MessagesAreTheExactTexts) {
    EXPECT_STREQ(StartupMessage(StartupVerdict::AlreadyRunning),
                 "Another application is already running. Please terminate the previous application.");
    EXPECT_STREQ(StartupMessage(StartupVerdict::NotWindows7),
                 "The applicaion will run only in Windows7 Operating System.");
    EXPECT_STREQ(StartupMessage(StartupVerdict::Not32Bit),
                 "The applicaion will run only in Windows7 (32bit) Operating System.");
    EXPECT_STREQ(StartupMessage(StartupVerdict::NotAdministrator),
                 "Administrator Privileges required to install Printer Drivers.\nRight Click the \"Setup\" "
                 "application and select \"Run As...\" and log in as Administrator.");
    EXPECT_STREQ(kExitConfirmation,
                 "Setup is not complete. If you quit now, the program will not be installed.\nExit Setup?");
}
