// Keeping the monitor on its queue through a whole session. The spooler may
// restart (every printer handle from before is then dead), be unreachable for
// a while (at logon, during a restart), and the queue may be missing or
// deleted and installed again; the port driver may be stopped. None of these
// is final: the watch says when to close the handle, when to look for the
// queue again (every few polls while it is missing, backing off while the
// spooler cannot be reached) and when to open the port driver again, and
// what the window may show meanwhile, never "Ready" for a failure.
#pragma once

#include <atomic>
#include <cstdint>

namespace monitor {

// Errors of the spooler's calls (winerror.h values).
constexpr std::uint32_t kErrorInvalidHandle = 6;       // the handle did not survive a spooler restart
constexpr std::uint32_t kRpcServerUnavailable = 1722;  // the spooler is not running
constexpr std::uint32_t kRpcServerTooBusy = 1723;
constexpr std::uint32_t kRpcCallFailed = 1726;  // it went down during the call
constexpr std::uint32_t kRpcCallFailedDne = 1727;

// True for the errors of a spooler that cannot be reached (not of a queue
// that is missing or refused).
bool SpoolerUnreachable(std::uint32_t error);

// What the window knows of its queue at a poll.
enum class QueueView {
    Watched,       // read at this poll: the status table decides
    NotInstalled,  // no queue of the model's name could be opened, or it is being deleted
    SpoolerDown,   // the print spooler cannot be reached, or keeps failing the queue's reads
    Unknown,       // not read at this poll: what the window shows stays
};

// Polls before the next attempt while the queue is missing; while the
// spooler cannot be reached the wait doubles from kFirstBackoffPolls up to
// kMaxBackoffPolls. A poll is taken about once a second.
constexpr int kLookAgainPolls = 3;
constexpr int kFirstBackoffPolls = 2;
constexpr int kMaxBackoffPolls = 30;
// Failed reads of an open queue, other than the errors above, before its
// handle is given up.
constexpr int kFailedReadsBeforeReopen = 3;

// Attempts that keep failing, paced: the attempt is due at the poll when the
// wait has run out.
class RetryPace {
public:
    // At every poll while failing: true when the attempt is to be made now.
    bool Due();
    // The attempt failed: wait `polls` polls, or (0) back off further.
    void Failed(int polls = 0);
    // Succeeded (or nothing to retry): the next failure is tried again at once.
    void Reset();

private:
    int m_wait = 0;
    int m_backoff = 0;
};

class QueueWatch {
public:
    // The queue was opened and its port resolved.
    void Found();
    // The resolution failed: the queue did not open (opened false), or its
    // port record could not be read; `error` is the call's error.
    void Missed(bool opened, std::uint32_t error);
    // The poll's read of the open queue: 0 when it was read, otherwise its
    // error. True when the handle is to be closed (the spooler restarted or
    // is gone, or every kFailedReadsBeforeReopen-th failed read in a row);
    // the queue is then looked for again at once (Due). Failed reads count
    // across reopenings until one succeeds.
    bool Queried(std::uint32_t error);
    // At every poll while no queue is open: true when to resolve it again now.
    bool Due() { return !m_open && m_pace.Due(); }
    // At every poll on a parallel port: true when the port driver is to be
    // opened again now, its status register being unreadable.
    bool DriverDue(bool registerUnreadable);

    bool Open() const { return m_open; }
    QueueView View() const { return m_view; }

private:
    bool m_open = false;
    QueueView m_view = QueueView::Unknown;
    int m_failedReads = 0;
    RetryPace m_pace;
    RetryPace m_driverPace;
};

// At most one status poll waits in the window's queue: the poller posts only
// when the window has taken the last one, so a window held up (a hung call, a
// slow lookup) comes back to one poll, not to one per second it was away.
// A poll that never came through (lost with a queue the system emptied)
// must not end the polling: after kGateReopenTurns turns the gate posts
// again, so a window held up for long finds one poll a minute waiting.
constexpr int kGateReopenTurns = 60;

class PollGate {
public:
    // The poller's turn (one poller at a time): true when it may post now.
    bool MayPost() {
        if (m_waiting.exchange(true) && ++m_turns < kGateReopenTurns) return false;
        m_turns = 0;
        return true;
    }
    // The post was refused (the window's queue full, the window gone), or the
    // window took the poll: the next turn posts.
    void Taken() { m_waiting.store(false); }

private:
    std::atomic<bool> m_waiting{false};
    int m_turns = 0;  // the poller's own count of turns the gate stayed closed
};

}  // namespace monitor
