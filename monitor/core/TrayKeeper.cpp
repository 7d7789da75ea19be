#include "monitor/core/TrayKeeper.h"

namespace monitor {

bool TrayKeeper::TryAdd() {
    m_shown = m_shell.AddIcon() || m_shell.IconPresent();
    return m_shown;
}

void TrayKeeper::AddOrRetry() {
    m_retries = 0;
    if (TryAdd()) {
        if (m_retrying) m_shell.StopRetryTimer();
        m_retrying = false;
        return;
    }
    if (!m_retrying) m_shell.StartRetryTimer();
    m_retrying = true;
}

void TrayKeeper::Start() {
    m_started = true;
    AddOrRetry();
}

void TrayKeeper::OnRetryTimer() {
    if (!m_retrying) return;  // a tick already queued when the timer stopped
    ++m_retries;
    if (TryAdd() || m_retries >= kTrayAddRetries) {
        m_shell.StopRetryTimer();
        m_retrying = false;
    }
}

void TrayKeeper::OnTaskbarCreated() {
    if (!m_started) return;
    m_shown = false;
    AddOrRetry();
}

void TrayKeeper::Stop() {
    if (m_retrying) m_shell.StopRetryTimer();
    m_retrying = false;
    m_started = false;
    m_shown = false;
}

}  // namespace monitor
