// The monitor through a Windows 7 session: the tray icon kept through shell
// restarts, the status pictures made once, spooler records that grow between
// the size query and the read, a queue being deleted, the program's folder.
#include "monitor/core/QueueScan.h"
#include "monitor/core/SpoolerRead.h"
#include "monitor/core/Startup.h"
#include "monitor/core/StatusPictures.h"
#include "monitor/core/StatusPoll.h"
#include "monitor/core/TrayKeeper.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace monitor;

namespace {

// The shell's notification area: refuses adds until it is ready, loses every
// icon when it restarts.
class FakeShell : public TrayShell {
public:
    int refuseAdds = 0;      // adds refused before the shell is ready
    bool timedOut = false;   // the next add is carried out but reported as failed
    bool holds = false;
    int adds = 0;
    bool timer = false;
    int timerStarts = 0;

    bool AddIcon() override {
        ++adds;
        if (refuseAdds > 0) {
            --refuseAdds;
            return false;
        }
        EXPECT_FALSE(holds) << "a second icon of the same id";
        holds = true;
        if (timedOut) {
            timedOut = false;
            return false;
        }
        return true;
    }
    bool IconPresent() override { return holds; }
    void StartRetryTimer() override {
        EXPECT_FALSE(timer);
        timer = true;
        ++timerStarts;
    }
    void StopRetryTimer() override {
        EXPECT_TRUE(timer);
        timer = false;
    }
    void Restart() { holds = false; }
};

TEST(TrayKeeper, AShellNotReadyAtStartGetsTheIconWhenItIs) {
    FakeShell shell;
    shell.refuseAdds = 4;
    TrayKeeper keeper(shell);
    keeper.Start();
    EXPECT_FALSE(shell.holds);
    EXPECT_TRUE(shell.timer);
    int ticks = 0;
    while (shell.timer && ticks < 100) {
        keeper.OnRetryTimer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 4);
    EXPECT_TRUE(shell.holds);
    EXPECT_TRUE(keeper.Shown());
    keeper.OnRetryTimer();   // a tick queued before the stop adds nothing
    EXPECT_EQ(shell.adds, 5);
}

TEST(TrayKeeper, RetriesForABoundedWhileOnly) {
    FakeShell shell;
    shell.refuseAdds = 1000;
    TrayKeeper keeper(shell);
    keeper.Start();
    for (int tick = 0; tick < 1000; ++tick) keeper.OnRetryTimer();
    EXPECT_EQ(shell.adds, 1 + kTrayAddRetries);
    EXPECT_FALSE(shell.timer);
    EXPECT_FALSE(keeper.Shown());
    // The shell comes up later and says so: the icon is added then.
    shell.refuseAdds = 0;
    keeper.OnTaskbarCreated();
    EXPECT_TRUE(shell.holds);
}

TEST(TrayKeeper, EveryShellRestartBringsTheIconBackUntilItIsRemoved) {
    FakeShell shell;
    TrayKeeper keeper(shell);
    keeper.OnTaskbarCreated();   // before the icon was ever added: nothing
    EXPECT_EQ(shell.adds, 0);
    keeper.Start();
    ASSERT_TRUE(shell.holds);
    for (int restart = 0; restart < 3; ++restart) {
        shell.Restart();
        keeper.OnTaskbarCreated();
        EXPECT_TRUE(shell.holds) << restart;
    }
    // A restarted shell not ready at the broadcast: tried again on the timer.
    shell.Restart();
    shell.refuseAdds = 2;
    keeper.OnTaskbarCreated();
    EXPECT_TRUE(shell.timer);
    keeper.OnRetryTimer();
    keeper.OnRetryTimer();
    EXPECT_TRUE(shell.holds);
    EXPECT_FALSE(shell.timer);
    // An add the shell carried out but reported as timed out is not repeated.
    shell.Restart();
    shell.timedOut = true;
    keeper.OnTaskbarCreated();
    EXPECT_TRUE(keeper.Shown());
    EXPECT_FALSE(shell.timer);
    // Removed at exit: a later broadcast adds nothing, a pending retry stops.
    shell.Restart();
    shell.refuseAdds = 1;
    keeper.OnTaskbarCreated();
    EXPECT_TRUE(shell.timer);
    const int adds = shell.adds;
    keeper.Stop();
    EXPECT_FALSE(shell.timer);
    keeper.OnTaskbarCreated();
    keeper.OnRetryTimer();
    EXPECT_EQ(shell.adds, adds);
}

// Pictures as handles of their own, each destroyed at most once.
class FakePictures : public PictureSource {
public:
    std::map<int, int> created;   // resource id -> pictures made
    std::map<void*, int> destroyed;
    std::vector<std::unique_ptr<int>> made;
    void* Create(int resourceId) override {
        ++created[resourceId];
        if (resourceId != kAnimAttention && resourceId != kAnimReady) return nullptr;   // missing
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
        int changes = 0;
        std::vector<void*> shown;
        for (int poll = 0; changes < 1000; ++poll) {
            PollInputs in;
            in.portClass = "LPT";
            in.parallelStatus = poll % 2 ? kParallelPaperOut : kParallelReady;
            if (poll % 50 == 0) BeginSearch(state);
            const PollActions act = DecidePoll(state, in);
            if (!act.set) continue;
            ++changes;
            void* picture = pictures.Picture(act.anim);
            EXPECT_EQ(picture == nullptr, act.anim == kAnimNone);
            shown.push_back(picture);
        }
        EXPECT_EQ(pictures.Picture(kAnimReady), pictures.Picture(kAnimReady));
        EXPECT_EQ(pictures.Picture(999), nullptr);   // a missing resource
        EXPECT_EQ(pictures.Picture(999), nullptr);
        EXPECT_EQ(source.created, (std::map<int, int>{{kAnimAttention, 1}, {kAnimReady, 1}, {999, 1}}));
        EXPECT_TRUE(source.destroyed.empty()) << "a picture destroyed while the window may show it";
    }
    ASSERT_EQ(source.made.size(), 2u);
    for (const auto& picture : source.made) EXPECT_EQ(source.destroyed[picture.get()], 1);
    EXPECT_EQ(source.destroyed.size(), 2u);
}

// GetPrinterA or EnumJobsA as the spooler answers while a job's status text
// is being set: each read finds the record grown by `growBy` bytes, `grows` times.
class GrowingRecord : public SpoolerQuery {
public:
    std::uint32_t size = 400;
    int grows = 0;
    std::uint32_t growBy = 64;
    bool fail = false;
    std::vector<std::uint32_t> asked;
    SpoolerAnswer Query(std::uint32_t bytes, std::uint32_t& needed) override {
        asked.push_back(bytes);
        if (fail) return SpoolerAnswer::Failed;
        if (bytes > 0 && grows > 0) {
            --grows;
            size += growBy;
        }
        needed = size;
        return bytes >= size ? SpoolerAnswer::Ok : SpoolerAnswer::TooSmall;
    }
};

TEST(SpoolerRead, ARecordThatGrewIsReadAgainAFewTimesAtMost) {
    for (int grows = 0; grows <= kSpoolerRereads; ++grows) {
        GrowingRecord record;
        record.grows = grows;
        std::uint32_t size = 0;
        EXPECT_TRUE(ReadSpoolerRecord(record, 100, size)) << grows;
        EXPECT_EQ(size, 400u + 64u * static_cast<std::uint32_t>(grows));
        EXPECT_EQ(record.asked.size(), static_cast<std::size_t>(grows) + 2) << grows;
    }
    GrowingRecord always;
    always.grows = 1000;
    std::uint32_t size = 0;
    EXPECT_FALSE(ReadSpoolerRecord(always, 100, size));
    EXPECT_EQ(always.asked.size(), static_cast<std::size_t>(kSpoolerRereads) + 2);
}

TEST(SpoolerRead, NothingToReadFailuresAndUnlikelySizes) {
    GrowingRecord empty;   // no jobs: the size query itself succeeds
    empty.size = 0;
    std::uint32_t size = 7;
    EXPECT_TRUE(ReadSpoolerRecord(empty, 0, size));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(empty.asked, (std::vector<std::uint32_t>{0}));

    GrowingRecord failing;
    failing.fail = true;
    EXPECT_FALSE(ReadSpoolerRecord(failing, 0, size));
    EXPECT_EQ(failing.asked.size(), 1u);

    GrowingRecord shorter;   // smaller than the record's fixed part
    EXPECT_FALSE(ReadSpoolerRecord(shorter, 401, size));
    GrowingRecord huge;
    huge.size = kMaxSpoolerRecord + 1;
    EXPECT_FALSE(ReadSpoolerRecord(huge, 0, size));
    EXPECT_EQ(huge.asked.size(), 1u);
    // Too small, yet asking no more: not read again and again.
    class Stuck : public SpoolerQuery {
    public:
        int calls = 0;
        SpoolerAnswer Query(std::uint32_t, std::uint32_t& needed) override {
            ++calls;
            needed = 400;
            return SpoolerAnswer::TooSmall;
        }
    } never;
    EXPECT_FALSE(ReadSpoolerRecord(never, 0, size));
    EXPECT_EQ(never.calls, 2);
}

TEST(QueueScan, PendingDeletionIsTheQueueGoingAway) {
    EXPECT_TRUE(QueueBeingDeleted(0x4));
    EXPECT_TRUE(QueueBeingDeleted(0x4 | 0x1 | 0x80));
    EXPECT_FALSE(QueueBeingDeleted(0));
    EXPECT_FALSE(QueueBeingDeleted(static_cast<std::int32_t>(kPrinterErrorMask)));
}

TEST(Startup, ProgramFolder) {
    EXPECT_EQ(ProgramFolder("C:\\windows\\system32\\spool\\drivers\\w32x86\\PGW\\LXD455SENT.exe"),
              "C:\\windows\\system32\\spool\\drivers\\w32x86\\PGW");
    EXPECT_EQ(ProgramFolder("C:\\LXD455SENT.exe"), "C:\\");   // "C:" would be the drive's current directory
    EXPECT_EQ(ProgramFolder("\\\\server\\share\\PGW\\x.exe"), "\\\\server\\share\\PGW");
    EXPECT_EQ(ProgramFolder("x.exe"), "");
}

}  // namespace
