// The two removals whose calls must come in order, against fakes that answer
// as Windows 7 does where Wine is lenient: a monitor started by another account
// in the same session (its process is denied to an elevated administrator
// without the debug privilege; Wine opens every process), and a queue with a
// job, which the spooler only marks for deletion while the job is there.
#include "uninstall/core/Removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using uninstall::MonitorCalls;
using uninstall::Outcome;

constexpr std::uintptr_t kWindow = 0x1234;

class FakeMonitor : public MonitorCalls {
public:
    Access access = Access::Denied;
    bool monitorImage = true;
    bool endsOnCommand = true;
    int pausesToEnd = 3;  // how long the monitor takes to end after the command
    std::vector<std::string> calls;
    unsigned paused = 0;

    Access OpenProcessOf(std::uintptr_t window) override {
        EXPECT_EQ(window, kWindow);
        calls.push_back("open");
        return access;
    }
    bool IsMonitorImage() override {
        calls.push_back("image");
        return monitorImage;
    }
    void SendExitCommand(std::uintptr_t window) override {
        EXPECT_EQ(window, kWindow);
        calls.push_back("exit");
        commanded = true;
    }
    bool WaitForProcess(unsigned) override {
        calls.push_back("wait process");
        return commanded && endsOnCommand;
    }
    bool WindowExists(std::uintptr_t) override { return !(commanded && endsOnCommand && pauses >= pausesToEnd); }
    void Pause(unsigned ms) override {
        ++pauses;
        paused += ms;
    }

private:
    bool commanded = false;
    int pauses = 0;
};

TEST(MonitorEnding, TheCommandGoesOnlyToTheMonitorAndItsEndIsAwaited) {
    FakeMonitor other;  // another account's: its process is denied, its window awaited
    EXPECT_EQ(uninstall::EndMonitorWindow(other, kWindow), Outcome::Done);
    EXPECT_EQ(other.calls, (std::vector<std::string>{"open", "exit"}));
    EXPECT_GT(other.paused, 0u);

    FakeMonitor stays;  // reported after a bounded wait
    stays.endsOnCommand = false;
    EXPECT_EQ(uninstall::EndMonitorWindow(stays, kWindow), Outcome::Failed);
    EXPECT_GE(stays.paused, uninstall::kMonitorExitWaitMs);
    EXPECT_LT(stays.paused, uninstall::kMonitorExitWaitMs + 2 * uninstall::kLookAgainMs);

    FakeMonitor own;  // an opened process is checked and awaited
    own.access = MonitorCalls::Access::Opened;
    EXPECT_EQ(uninstall::EndMonitorWindow(own, kWindow), Outcome::Done);
    EXPECT_EQ(own.calls, (std::vector<std::string>{"open", "image", "exit", "wait process"}));

    FakeMonitor impostor;  // our caption on another program's window: no command
    impostor.access = MonitorCalls::Access::Opened;
    impostor.monitorImage = false;
    EXPECT_EQ(uninstall::EndMonitorWindow(impostor, kWindow), Outcome::Failed);
    EXPECT_EQ(impostor.calls, (std::vector<std::string>{"open", "image"}));
}

// A spooler queue: deleting it with a job still in it only marks it, as the
// Windows spooler does; it goes a few looks after its last job and handle.
class FakeQueue : public uninstall::QueueCalls {
public:
    int jobs = 1;
    bool purgeWorks = true;
    bool exists = true;
    std::vector<std::string> calls;
    unsigned paused = 0;

    bool Open(const std::string& queue) override {
        calls.push_back("open " + queue);
        return exists && !marked;
    }
    bool PurgeJobs() override {
        calls.push_back("purge");
        if (purgeWorks) jobs = 0;
        return purgeWorks;
    }
    bool Delete() override {
        calls.push_back("delete");
        marked = true;
        return true;
    }
    void Close() override {
        calls.push_back("close");
        closed = true;
    }
    bool Exists(const std::string&) override {
        if (marked && closed && jobs == 0 && looks++ >= 2) exists = false;
        return exists;
    }
    void Pause(unsigned ms) override { paused += ms; }

private:
    bool marked = false;
    bool closed = false;
    int looks = 0;
};

TEST(QueueRemoval, JobsArePurgedBeforeTheDeletionAndTheQueueIsAwaited) {
    FakeQueue queue;
    EXPECT_EQ(uninstall::RemoveQueue(queue, "ZYK LXD 455 Sentinel"), Outcome::Done);
    EXPECT_EQ(queue.calls, (std::vector<std::string>{"open ZYK LXD 455 Sentinel", "purge", "delete", "close"}));
    EXPECT_FALSE(queue.exists);

    // A job the spooler cannot let go of: only marked, reported after a bounded wait.
    FakeQueue stuck;
    stuck.purgeWorks = false;
    EXPECT_EQ(uninstall::RemoveQueue(stuck, "Q"), Outcome::Failed);
    EXPECT_TRUE(stuck.exists);
    EXPECT_GE(stuck.paused, uninstall::kQueueGoneWaitMs);
    EXPECT_LT(stuck.paused, uninstall::kQueueGoneWaitMs + 2 * uninstall::kLookAgainMs);

    FakeQueue gone;
    gone.exists = false;
    EXPECT_EQ(uninstall::RemoveQueue(gone, "Q"), Outcome::Nothing);
    EXPECT_EQ(gone.calls, (std::vector<std::string>{"open Q"}));
}

}  // namespace
