// AfxBeginThread: starts a worker thread (normal priority unless asked
// otherwise, default stack, running at once) and returns its CWinThread.
//
// Ownership: the CALLER owns the returned object and deletes it (for example
// in a std::unique_ptr<CWinThread>); the framework never deletes it, and the
// thread never touches it, so deleting it is safe at any time. To wait for the
// end, WaitForSingleObject(pThread->m_hThread, ...) (or Join) before deleting:
// the handle stays valid, and signalled after the end, until the object is
// deleted. A thread meant to be stopped should wait on an event or similar
// instead of sleeping, so that a stop request does not wait for its wake-up.
// Null when the thread could not be started.
#pragma once

#include "common/Handles.h"

#include <windows.h>

typedef UINT (*AFX_THREADPROC)(LPVOID pParam);

class CWinThread {
public:
    CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    ~CWinThread() = default;  // closes the handle; does not stop the thread

    // Waits for the thread to end: WAIT_OBJECT_0 when it has, WAIT_TIMEOUT otherwise.
    DWORD Join(DWORD dwMilliseconds = INFINITE) const;

    HANDLE m_hThread = nullptr;  // owned by this object
    DWORD m_nThreadID = 0;

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
    pw::unique_handle m_handle;
};

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
