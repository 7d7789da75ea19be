// The wait cursor: one count per thread, not per window, so work that
// outlives the window that began it (or runs with no window at all) still
// shows the hourglass, and nested work keeps it on until the outermost ends.
//
//   AfxDoWaitCursor(n)  +1 shows the hourglass, -1 takes one level away (the
//                       cursor from before comes back at zero), 0 re-applies
//                       the hourglass while the count is positive. The count
//                       never goes below zero.
//   CWaitCursor         RAII: the constructor begins it, the destructor ends it.
//   CWnd::BeginWaitCursor / EndWaitCursor are the same count.
// While the count is positive WM_SETCURSOR keeps the hourglass over every
// framework window (AfxKeepWaitCursor, called by CWnd::WindowProc).
#pragma once

#include <windows.h>

void AfxDoWaitCursor(int nCode);
int AfxGetWaitCursorCount();
// Re-applies the hourglass and returns true while the count is positive;
// false (and nothing done) otherwise.
bool AfxKeepWaitCursor();

// Shows the wait cursor for the life of the object.
class CWaitCursor {
public:
    CWaitCursor() { AfxDoWaitCursor(1); }
    ~CWaitCursor() { AfxDoWaitCursor(-1); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Shows the wait cursor again after something (a message box) changed the cursor.
    void Restore() { AfxDoWaitCursor(0); }
};
