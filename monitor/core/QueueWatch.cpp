#include "monitor/core/QueueWatch.h"

namespace monitor {

bool SpoolerUnreachable(std::uint32_t error) {
    return error == kRpcServerUnavailable || error == kRpcServerTooBusy || error == kRpcCallFailed ||
           error == kRpcCallFailedDne;
}

bool RetryPace::Due() {
    if (m_wait > 0) {
        --m_wait;
        return false;
    }
    return true;
}

void RetryPace::Failed(int polls) {
    if (polls > 0) {
        m_backoff = 0;
        m_wait = polls;
        return;
    }
    m_backoff = m_backoff == 0 ? kFirstBackoffPolls : m_backoff * 2;
    if (m_backoff > kMaxBackoffPolls) m_backoff = kMaxBackoffPolls;
    m_wait = m_backoff;
}

void RetryPace::Reset() {
    m_wait = 0;
    m_backoff = 0;
}

void QueueWatch::Found() {
    m_open = true;
    // Read at the next poll; a queue whose reads kept failing before this
    // opening stays in the spooler's state until one succeeds.
    m_view = m_failedReads >= kFailedReadsBeforeReopen ? QueueView::SpoolerDown : QueueView::Unknown;
    m_pace.Reset();
}

void QueueWatch::Missed(bool opened, std::uint32_t error) {
    m_open = false;
    if (!opened && !SpoolerUnreachable(error)) {
        // Not installed, under another name, refused, or being deleted.
        m_view = QueueView::NotInstalled;
        m_pace.Failed(kLookAgainPolls);
    } else {
        // The spooler cannot be reached, or the queue opened but the spooler
        // did not give its port record.
        m_view = QueueView::SpoolerDown;
        m_pace.Failed();
    }
}

bool QueueWatch::Queried(std::uint32_t error) {
    if (error == 0) {
        m_failedReads = 0;
        m_view = QueueView::Watched;
        return false;
    }
    ++m_failedReads;
    // A dead handle after a restart: the spooler is back, and the reopen at
    // this poll tells the rest. Reads that keep failing otherwise are the
    // spooler's state too, never what the window showed before them.
    const bool persistent = m_failedReads >= kFailedReadsBeforeReopen;
    m_view = SpoolerUnreachable(error) || persistent ? QueueView::SpoolerDown : QueueView::Unknown;
    if (error != kErrorInvalidHandle && !SpoolerUnreachable(error) && m_failedReads % kFailedReadsBeforeReopen != 0)
        return false;
    m_open = false;
    m_pace.Reset();
    return true;
}

bool QueueWatch::DriverDue(bool registerUnreadable) {
    if (!registerUnreadable) {
        m_driverPace.Reset();
        return false;
    }
    if (!m_driverPace.Due()) return false;
    // Counted as failed until a read says otherwise.
    m_driverPace.Failed();
    return true;
}

}  // namespace monitor
