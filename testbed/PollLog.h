// The monitor's status polls as a scenario counts them. A message hook in
// pw_poll_log.dll, installed on the status window's thread, logs every
// status poll that thread takes from its queue, with what the window showed
// just before it: entry k holds the state after poll k-1 (the log works on
// any window's thread; only the monitor's has a title 1004). So a scenario
// counts polls instead of seconds: "hidden at the 4th poll", "the next poll
// came and nothing changed".
//
//   bench::PollLog log;
//   ASSERT_TRUE(log.Attach(dialog, bench::UnixToWindows(PW_POLL_LOG_DLL)));
//   const unsigned from = log.Count();
//   ASSERT_TRUE(log.WaitCount(from + 2));     // two more polls were taken
//   ... log.At(i).title, log.At(i).visible ...
#pragma once

#include "common/Handles.h"

#include <windows.h>

#include <string>

namespace bench {

// The mapping both sides share, by name, in the prefix's session.
constexpr const char* kPollLogMapping = "PwPollLog";
constexpr unsigned kPollLogEntries = 4096;
constexpr unsigned kPollLogTitle = 40;
constexpr UINT kPollLogMessage = WM_USER + 258;  // the monitor's status poll

struct PollLogData {
    volatile LONG count;  // polls taken; entries beyond kPollLogEntries are counted only
    // A REG_DWORD under HKEY_LOCAL_MACHINE sampled before each poll (none when
    // the key is empty): the test driver's count of register reads, which
    // tells which polls saw a new register value.
    char sampleKey[200];
    char sampleValue[40];
    struct Entry {
        LONG visible;
        DWORD sample;               // the sampled value, 0 when missing
        WPARAM tag;                 // the poll's own wParam: 0 from the poller, a test's marker otherwise
        char title[kPollLogTitle];  // the status title (control 1004), cut and terminated
    } entries[kPollLogEntries];
};

class PollLog {
public:
    struct State {
        bool visible = false;
        DWORD sample = 0;
        WPARAM tag = 0;
        std::string title;
    };
    PollLog() = default;

    // Hooks the thread of `window` (the monitor's status window); false when
    // the mapping, the library or the hook cannot be had.
    bool Attach(HWND window, const std::string& dllPath);
    // Samples <value> under HKEY_LOCAL_MACHINE\<key> (a REG_DWORD) before each
    // poll from now on.
    void Sample(const std::string& key, const std::string& value);
    unsigned Count() const;
    // Waits until at least `count` polls were taken; false after timeoutMs (a
    // minute by default: a loaded machine delays the polls, not the check).
    bool WaitCount(unsigned count, DWORD timeoutMs = 60000) const;
    // What the window showed before poll `index` (0-based), i.e. after poll index-1.
    State At(unsigned index) const;
    // The first poll from `from` on after which the window showed `title`
    // (with `visible` when given): waits for the poll after it, so the state
    // it left is logged. -1 when none came within timeoutMs.
    int WaitPollThatShowed(unsigned from, const std::string& title, int visible = -1, DWORD timeoutMs = 60000) const;
    // Evidence that the hooked thread has handled everything posted to
    // `window` so far: a marker posted after it (the poll message, which only
    // the monitor's status window acts on) is taken, and a message sent after
    // that returns. Count() counts the marker too.
    bool Flush(HWND window, DWORD timeoutMs = 60000) const;
    // Waits until `polls` more polls than now have been handled completely
    // (the one after them was taken): evidence that the window got that far.
    bool WaitPollsHandled(unsigned polls, DWORD timeoutMs = 60000) const;

private:
    static void Unmap(PollLogData* view) { UnmapViewOfFile(view); }
    static void Unhook(HHOOK hook) { UnhookWindowsHookEx(hook); }
    pw::unique_handle m_mapping;
    pw::unique_any<PollLogData*, &PollLog::Unmap> m_data;
    pw::unique_hmodule m_dll;
    pw::unique_any<HHOOK, &PollLog::Unhook> m_hook;  // declared last: unhooked first
};

}  // namespace bench
