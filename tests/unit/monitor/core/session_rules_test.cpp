// The monitor through a Windows 7 session: the tray icon kept through shell
// restarts, the status pictures made once, a queue being deleted, the
// program's folder.
#include "monitor/core/QueueScan.h"
#include "monitor/core/Startup.h"
#include "monitor/core/StatusPictures.h"
#include "monitor/core/StatusPoll.h"
#include "monitor/core/TrayKeeper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

using namespace monitor;

namespace {

// The notification area: refuses adds until it is ready, loses every icon
// when it restarts, and may carry out an add it reports as timed out.
class FakeShell : public TrayShell {
public:
    int refuseAdds = 0;
    bool timedOut = false;
    bool holds = false;
    bool timer = false;
    int adds = 0;

    bool AddIcon() override {
        ++adds;
        if (refuseAdds > 0 && refuseAdds--) return false;
        EXPECT_FALSE(holds) << "a second icon of the same id";
        holds = true;
        return !std::exchange(timedOut, false);
    }
    bool IconPresent() override { return holds; }
    void StartRetryTimer() override { EXPECT_FALSE(std::exchange(timer, true)); }
    void StopRetryTimer() override { EXPECT_TRUE(std::exchange(timer, false)); }
};

TEST(TrayKeeper, AShellNotReadyAtStartIsTriedAgainForABoundedWhile) {
    FakeShell late;
    late.refuseAdds = 4;
    TrayKeeper keeper(late);
    keeper.Start();
    int ticks = 0;
    for (; late.timer && ticks < 100; ++ticks) keeper.OnRetryTimer();
    EXPECT_EQ(ticks, 4);
    EXPECT_TRUE(late.holds && keeper.Shown());
    keeper.OnRetryTimer();  // a tick queued before the stop adds nothing
    EXPECT_EQ(late.adds, 5);

    FakeShell never;
    never.refuseAdds = 1000;
    TrayKeeper patient(never);
    patient.Start();
    for (int tick = 0; tick < 1000; ++tick) patient.OnRetryTimer();
    EXPECT_EQ(never.adds, 1 + kTrayAddRetries);
    EXPECT_FALSE(never.timer);
    never.refuseAdds = 0;  // the shell comes up later and says so
    patient.OnTaskbarCreated();
    EXPECT_TRUE(never.holds);
}

TEST(TrayKeeper, EveryShellRestartBringsTheIconBackUntilItIsRemoved) {
    FakeShell shell;
    TrayKeeper keeper(shell);
    keeper.OnTaskbarCreated();  // before the icon was ever added: nothing
    EXPECT_EQ(shell.adds, 0);
    keeper.Start();
    for (int restart = 0; restart < 3; ++restart) {
        shell.holds = false;
        keeper.OnTaskbarCreated();
        EXPECT_TRUE(shell.holds) << restart;
    }
    // Not ready at the broadcast: the timer again. Reported timed out: not repeated.
    shell.holds = false;
    shell.refuseAdds = 2;
    keeper.OnTaskbarCreated();
    keeper.OnRetryTimer();
    keeper.OnRetryTimer();
    EXPECT_TRUE(shell.holds && !shell.timer);
    shell.holds = false;
    shell.timedOut = true;
    keeper.OnTaskbarCreated();
    EXPECT_TRUE(keeper.Shown() && !shell.timer);
    // Removed at exit, with a retry pending: nothing is added any more.
    shell.holds = false;
    shell.refuseAdds = 1;
    keeper.OnTaskbarCreated();
    const int adds = shell.adds;
    keeper.Stop();
    EXPECT_FALSE(shell.timer);
    keeper.OnTaskbarCreated();
    keeper.OnRetryTimer();
    EXPECT_EQ(shell.adds, adds);
}

class FakePictures : public PictureSource {
public:
    std::map<int, int> created;  // resource id -> pictures made
    std::map<void*, int> destroyed;
    std::vector<std::unique_ptr<int>> made;
    void* Create(int resourceId) override {
        ++created[resourceId];
        if (resourceId != kAnimAttention && resourceId != kAnimReady) return nullptr;  // missing
        made.push_back(std::make_unique<int>(resourceId));
        return made.back().get();
    }
    void Destroy(void* picture) override { ++destroyed[picture]; }
};

TEST(StatusPictures, AThousandStatusChangesMakeEachPictureOnceAndDestroyItOnce) {
    FakePictures source;
    {
        StatusPictures pictures(source);
        PollState state;
        // An LPT printer flipping between ready and paper out, with the
        // user's openings in between (their "Searching" clears the picture).
        for (int poll = 0, changes = 0; changes < 1000; ++poll) {
            PollInputs in;
            in.portKind = PortKind::Lpt;
            in.parallelStatus = poll % 2 ? kParallelPaperOut : kParallelReady;
            if (poll % 50 == 0) BeginSearch(state);
            const PollActions act = DecidePoll(state, in);
            if (!act.set) continue;
            ++changes;
            EXPECT_EQ(pictures.Picture(act.anim) == nullptr, act.anim == kAnimNone);
        }
        EXPECT_EQ(pictures.Picture(999), nullptr);  // a missing resource, not looked for again
        EXPECT_EQ(pictures.Picture(999), nullptr);
        EXPECT_EQ(source.created, (std::map<int, int>{{kAnimAttention, 1}, {kAnimReady, 1}, {999, 1}}));
        EXPECT_TRUE(source.destroyed.empty()) << "destroyed while the window may show it";
    }
    ASSERT_EQ(source.made.size(), 2u);
    for (const auto& picture : source.made) EXPECT_EQ(source.destroyed[picture.get()], 1);
    EXPECT_EQ(source.destroyed.size(), 2u);
}

TEST(SessionRules, PendingDeletionAndTheProgramsFolder) {
    EXPECT_TRUE(QueueBeingDeleted(0x4 | 0x1 | 0x80));
    EXPECT_FALSE(QueueBeingDeleted(static_cast<std::int32_t>(kPrinterErrorMask)));
    EXPECT_EQ(ProgramFolder("C:\\windows\\system32\\spool\\drivers\\w32x86\\PGW\\LXD455SENT.exe"),
              "C:\\windows\\system32\\spool\\drivers\\w32x86\\PGW");
    EXPECT_EQ(ProgramFolder("C:\\LXD455SENT.exe"), "C:\\");  // "C:" would be the drive's current directory
    EXPECT_EQ(ProgramFolder("x.exe"), "");
}

}  // namespace
