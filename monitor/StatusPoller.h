// The polling thread: posts WM_STATUS_POLL to the status window at once and
// then every 1000 ms, and touches nothing else.
//
// A stop is race-free: the stop flag is atomic and the thread waits on an event
// instead of sleeping, so Stop() wakes it at once and joins it. Because every
// Start() first stops and joins the previous thread, an old poller can never
// post after a new one has started, and the exit path never kills a thread.
#pragma once

#include "common/Handles.h"
#include "framework/Thread.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace monitor {

constexpr UINT WM_STATUS_POLL = WM_USER + 258;   // 0x502

// What the thread reads: the window to post to and its own stop request.
struct PollThreadParams {
    HWND window = nullptr;
    std::atomic<int> PollStopFlag{0};
    pw::unique_handle wake;   // set to end the wait early
};

class StatusPoller {
public:
    StatusPoller() = default;
    StatusPoller(const StatusPoller&) = delete;
    StatusPoller& operator=(const StatusPoller&) = delete;
    ~StatusPoller() { Stop(); }

    // Stops a running thread, then starts a new one posting to window.
    bool Start(HWND window, DWORD periodMs = 1000);
    // Asks the thread to end, wakes it and waits for it; nothing runs afterwards.
    void Stop();
    bool Running() const { return m_thread != nullptr; }

private:
    static UINT PollThreadProc(LPVOID param);

    struct Block : PollThreadParams {
        DWORD period = 1000;
    };
    std::unique_ptr<Block> m_params;   // lives until its thread has ended
    std::unique_ptr<CWinThread> m_thread;   // PollThread: only a thread not yet joined
};

}  // namespace monitor
