// Worker threads.
#include "framework/Thread.h"

#include <process.h>

#include <new>

namespace {
// What the new thread needs; it owns and frees this block, never the CWinThread.
struct StartBlock {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* p) {
    StartBlock start = *static_cast<StartBlock*>(p);
    delete static_cast<StartBlock*>(p);
    try {
        return start.proc(start.param);
    } catch (...) {
        return static_cast<unsigned>(-1);
    }
}
}  // namespace

DWORD CWinThread::Join(DWORD dwMilliseconds) const {
    return m_hThread ? WaitForSingleObject(m_hThread, dwMilliseconds) : WAIT_FAILED;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (pfnThreadProc == nullptr) return nullptr;
    CWinThread* thread = new (std::nothrow) CWinThread;
    StartBlock* start = new (std::nothrow) StartBlock{pfnThreadProc, pParam};
    if (thread == nullptr || start == nullptr) {
        delete thread;
        delete start;
        return nullptr;
    }
    bool adjustPriority = nPriority != THREAD_PRIORITY_NORMAL;
    unsigned flags = (dwCreateFlags & CREATE_SUSPENDED) || adjustPriority ? CREATE_SUSPENDED : 0;
    unsigned id = 0;
    uintptr_t h = _beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, start, flags, &id);
    if (h == 0) {
        delete start;
        delete thread;
        return nullptr;
    }
    thread->m_handle.reset(reinterpret_cast<HANDLE>(h));
    thread->m_hThread = thread->m_handle.get();
    thread->m_nThreadID = id;
    if (adjustPriority) {
        SetThreadPriority(thread->m_hThread, nPriority);
        if (!(dwCreateFlags & CREATE_SUSPENDED)) ResumeThread(thread->m_hThread);
    }
    return thread;
}
