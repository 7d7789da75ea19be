// Keeping the monitor's notification-area icon for the whole session. The
// shell may not be ready when the monitor starts at logon, and every time it
// restarts (explorer ended or crashed) it loses every icon and broadcasts
// "TaskbarCreated". Since the status window hides itself, the icon is the
// user's only way to it: a lost icon is added again, and a failed first add
// is tried again for a bounded while.
#pragma once

namespace monitor {

// What the keeper asks of the shell. The Win32 shell supplies the real one;
// tests supply a fake.
class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual bool AddIcon() = 0;
    // True when the shell holds the icon already (an add that reported a
    // time-out may still have been carried out).
    virtual bool IconPresent() = 0;
    virtual void StartRetryTimer() = 0;
    virtual void StopRetryTimer() = 0;
};

// Adds after a failure, one per timer tick: with the 2-second tick, a minute.
constexpr int kTrayAddRetries = 30;
constexpr unsigned kTrayRetryPeriodMs = 2000;

class TrayKeeper {
public:
    explicit TrayKeeper(TrayShell& shell) : m_shell(shell) {}

    // The first add; on failure the retry timer runs.
    void Start();
    void OnRetryTimer();
    // The shell (re)created its taskbar: its icons are gone.
    void OnTaskbarCreated();
    // The icon is being removed for good: no add from now on.
    void Stop();

    bool Shown() const { return m_shown; }

private:
    bool TryAdd();
    void AddOrRetry();

    TrayShell& m_shell;
    bool m_started = false;
    bool m_shown = false;
    bool m_retrying = false;
    int m_retries = 0;
};

}  // namespace monitor
