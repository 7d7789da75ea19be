// The polling thread: posts WM_STATUS_POLL to the status window at once and
// then every 1000 ms, and touches nothing but its parameter block and the
// stop flag that block points to.
//
// The window owns the state: its PollStopFlag, its parameter block
// m_pPollParams (allocated once at initialisation, released at exit) and
// PollThread, the framework thread object of the running thread (null when
// none). These functions are the only ones that start and stop the thread.
//
// At most one poll waits in the window's queue: the thread posts only when
// the window has taken the last one (the block's gate, which the window's
// handler of WM_STATUS_POLL opens with PollTaken).
//
// A stop is race-free: the flag is atomic and the thread waits on the block's
// wake event instead of sleeping, so StopPollThread wakes it at once and joins
// it. StartPollThread stops and joins any running thread first, so an old
// thread can never post after a new one has started; nothing is ever
// terminated, and PollThread never refers to a thread that has ended.
#pragma once

#include "common/Handles.h"
#include "framework/Thread.h"
#include "monitor/core/QueueWatch.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace monitor {

constexpr UINT WM_STATUS_POLL = WM_USER + 258;  // 0x502

using PollStopFlagType = std::atomic<int>;

// What the thread reads.
struct PollThreadParams {
    HWND hWnd = nullptr;                    // the window the polls are posted to
    PollStopFlagType* pStopFlag = nullptr;  // non-zero asks the thread to end
    pw::unique_handle wake;                 // manual reset; set to end a wait early
    DWORD periodMs = 1000;                  // shortened only by tests
    PollGate gate;                          // closed while a poll waits in the queue
};

// A block pointing at stopFlag, with its wake event; null when the event
// cannot be created.
std::unique_ptr<PollThreadParams> NewPollThreadParams(PollStopFlagType& stopFlag);

// The thread's procedure; its argument is the PollThreadParams block.
UINT PollThreadProc(LPVOID pParam);

// The window took a poll from its queue: the thread may post the next.
inline void PollTaken(PollThreadParams* params) {
    if (params) params->gate.Taken();
}

// Stops any thread in `thread`, clears the stop flag and the wake event, and
// starts a new thread posting to params.hWnd. False (and `thread` null) when
// the block has no wake event or the thread cannot be started.
bool StartPollThread(std::unique_ptr<CWinThread>& thread, PollThreadParams* params);

// Asks the running thread to end, wakes it and waits for it; afterwards
// `thread` is null and nothing posts. Does nothing when no thread runs;
// params is the block the thread was started with.
void StopPollThread(std::unique_ptr<CWinThread>& thread, PollThreadParams* params);

}  // namespace monitor
