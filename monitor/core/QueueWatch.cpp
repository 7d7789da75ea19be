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
    m_view = QueueView::Unknown;   // read at the next poll
    m_failedReads = 0;
    m_pace.Reset();
}

void QueueWatch::Missed(bool opened, std::uint32_t error) {
    m_open = false;
    if (SpoolerUnreachable(error)) {
        m_view = QueueView::SpoolerDown;
        m_pace.Failed();
    } else if (!opened) {
        // Not installed, under another name, refused, or being deleted.
        m_view = QueueView::NotInstalled;
        m_pace.Failed(kLookAgainPolls);
    } else {
        // The queue opened but its port record did not read: nothing to say yet.
        m_view = QueueView::Unknown;
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
    // this poll tells the rest.
    m_view = SpoolerUnreachable(error) ? QueueView::SpoolerDown : QueueView::Unknown;
    if (error != kErrorInvalidHandle && !SpoolerUnreachable(error) && m_failedReads < kFailedReadsBeforeReopen)
        return false;
    m_open = false;
    m_failedReads = 0;
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
