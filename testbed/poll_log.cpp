// pw_poll_log.dll: the message hook behind bench::PollLog (testbed/PollLog.h).
// Loaded into the monitor's process by the system when the hooked thread
// takes a message; it logs each status poll that thread removes from its
// queue, before the window handles it.
#include "testbed/PollLog.h"

namespace {

bench::PollLogData* Log() {
    // Mapped once for the life of the process: the hook runs on one thread.
    // The handle stays open too: Wine forgets a mapping's name with its last
    // handle, views or not, and a later log of the same test must find this
    // one by name.
    static HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, bench::kPollLogMapping);
    static bench::PollLogData* log =
        mapping ? static_cast<bench::PollLogData*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    return log;
}

DWORD Sample(const bench::PollLogData& log) {
    char key[sizeof log.sampleKey], value[sizeof log.sampleValue];
    lstrcpynA(key, log.sampleKey, sizeof key);
    lstrcpynA(value, log.sampleValue, sizeof value);
    if (key[0] == '\0') return 0;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return 0;
    DWORD data = 0, type = 0, size = sizeof data;
    if (RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        data = 0;
    RegCloseKey(handle);
    return data;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK PollLogHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->message == bench::kPollLogMessage) {
        if (bench::PollLogData* log = Log()) {
            const LONG n = log->count;
            if (n >= 0 && static_cast<unsigned>(n) < bench::kPollLogEntries) {
                auto& entry = log->entries[n];
                entry.visible = IsWindowVisible(msg->hwnd) ? 1 : 0;
                entry.sample = Sample(*log);
                entry.tag = msg->wParam;
                GetDlgItemTextA(msg->hwnd, 1004, entry.title, bench::kPollLogTitle);
            }
            InterlockedIncrement(&log->count);  // published after its entry
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
