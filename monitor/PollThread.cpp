#include "monitor/PollThread.h"

namespace monitor {

std::unique_ptr<PollThreadParams> NewPollThreadParams(PollStopFlagType& stopFlag) {
    auto params = std::make_unique<PollThreadParams>();
    params->pStopFlag = &stopFlag;
    params->wake.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!params->wake) return nullptr;
    return params;
}

UINT PollThreadProc(LPVOID pParam) {
    auto* params = static_cast<PollThreadParams*>(pParam);
    while (params->pStopFlag->load() == 0) {
        // A refused post leaves nothing waiting: the next turn tries again.
        if (params->gate.MayPost() && !PostMessageA(params->hWnd, WM_STATUS_POLL, 0, 0)) params->gate.Taken();
        // Waiting on the event instead of sleeping lets a stop end the wait at
        // once; a failed wait ends the thread rather than spinning.
        if (WaitForSingleObject(params->wake.get(), params->periodMs) != WAIT_TIMEOUT) break;
    }
    params->pStopFlag->store(0);  // the stop is acknowledged
    return 0;
}

bool StartPollThread(std::unique_ptr<CWinThread>& thread, PollThreadParams* params) {
    StopPollThread(thread, params);
    if (!params || !params->wake || !params->pStopFlag) return false;
    params->pStopFlag->store(0);
    // A stop leaves the manual-reset event set; left so, it would end the new
    // thread right after its first post.
    ResetEvent(params->wake.get());
    // A restart opens the gate: at worst one more poll waits, and a gate left
    // closed by a poll that never came through cannot stop the polling.
    params->gate.Taken();
    thread.reset(AfxBeginThread(&PollThreadProc, params));
    return thread != nullptr;
}

void StopPollThread(std::unique_ptr<CWinThread>& thread, PollThreadParams* params) {
    if (!thread) return;
    if (params) {
        params->pStopFlag->store(1);
        SetEvent(params->wake.get());
    }
    // The thread only posts, so it answers the event within one loop turn.
    thread->Join(INFINITE);
    thread.reset();
}

}  // namespace monitor
