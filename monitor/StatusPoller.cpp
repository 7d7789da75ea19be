#include "monitor/StatusPoller.h"

namespace monitor {

UINT StatusPoller::PollThreadProc(LPVOID param) {
    auto* block = static_cast<Block*>(param);
    while (block->PollStopFlag.load() == 0) {
        PostMessageA(block->window, WM_STATUS_POLL, 0, 0);
        // Waiting on the event instead of sleeping lets a stop end the wait at once.
        if (WaitForSingleObject(block->wake.get(), block->period) == WAIT_OBJECT_0) break;
    }
    block->PollStopFlag.store(0);   // the stop is acknowledged
    return 0;
}

bool StatusPoller::Start(HWND window, DWORD periodMs) {
    Stop();
    auto block = std::make_unique<Block>();
    block->window = window;
    block->period = periodMs;
    block->wake.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!block->wake) return false;
    std::unique_ptr<CWinThread> thread(AfxBeginThread(&PollThreadProc, block.get()));
    if (!thread) return false;
    m_params = std::move(block);
    m_thread = std::move(thread);
    return true;
}

void StatusPoller::Stop() {
    if (!m_thread) {
        m_params.reset();
        return;
    }
    m_params->PollStopFlag.store(1);
    SetEvent(m_params->wake.get());
    // The thread only posts, so it answers the event within one loop turn.
    m_thread->Join(INFINITE);
    m_thread.reset();
    m_params.reset();
}

}  // namespace monitor
