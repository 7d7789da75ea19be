#include "testbed/PollLog.h"

#include "testbed/Bench.h"

#include <cstring>

namespace bench {

bool PollLog::Attach(HWND window, const std::string& dllPath) {
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0) return false;
    m_mapping.reset(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PollLogData), kPollLogMapping));
    if (!m_mapping) return false;
    m_data.reset(static_cast<PollLogData*>(MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, 0)));
    if (!m_data) return false;
    InterlockedExchange(&m_data.get()->count, 0);
    m_dll.reset(LoadLibraryA(dllPath.c_str()));
    if (!m_dll) return false;
    auto proc = reinterpret_cast<HOOKPROC>(GetProcAddress(m_dll.get(), "PollLogHook"));
    if (!proc) return false;
    m_hook.reset(SetWindowsHookExA(WH_GETMESSAGE, proc, m_dll.get(), thread));
    return static_cast<bool>(m_hook);
}

void PollLog::Sample(const std::string& key, const std::string& value) {
    if (!m_data) return;
    PollLogData* data = m_data.get();
    data->sampleKey[0] = '\0';  // no sample while the names change
    MemoryBarrier();
    lstrcpynA(data->sampleValue, value.c_str(), sizeof data->sampleValue);
    MemoryBarrier();
    lstrcpynA(data->sampleKey, key.c_str(), sizeof data->sampleKey);
}

bool PollLog::Flush(HWND window, DWORD timeoutMs) const {
    const unsigned before = Count();
    if (!Post(window, kPollLogMessage)) return false;
    if (!WaitCount(before + 1, timeoutMs)) return false;
    bool delivered = false;
    Send(window, WM_NULL, 0, 0, timeoutMs, &delivered);
    return delivered;
}

bool PollLog::WaitPollsHandled(unsigned polls, DWORD timeoutMs) const {
    return WaitCount(Count() + polls + 1, timeoutMs);
}

unsigned PollLog::Count() const {
    return m_data ? static_cast<unsigned>(InterlockedCompareExchange(&m_data.get()->count, 0, 0)) : 0;
}

bool PollLog::WaitCount(unsigned count, DWORD timeoutMs) const {
    return WaitUntil([&] { return Count() >= count; }, timeoutMs, 10);
}

PollLog::State PollLog::At(unsigned index) const {
    State state;
    if (!m_data || index >= Count() || index >= kPollLogEntries) return state;
    const auto& entry = m_data.get()->entries[index];
    state.visible = entry.visible != 0;
    state.sample = entry.sample;
    state.tag = entry.tag;
    state.title.assign(entry.title, strnlen(entry.title, kPollLogTitle));
    return state;
}

int PollLog::WaitPollThatShowed(unsigned from, const std::string& title, int visible, DWORD timeoutMs) const {
    int found = -1;
    WaitUntil(
        [&] {
        for (unsigned i = from + 1; i < Count() && i < kPollLogEntries; ++i) {
            State s = At(i);
            if (s.title == title && (visible < 0 || s.visible == (visible != 0))) {
                found = static_cast<int>(i) - 1;
                return true;
            }
        }
        return false;
        },
        timeoutMs, 10);
    return found;
}

}  // namespace bench
