// The thread's counted wait cursor.
#include "framework/WaitCursor.h"

namespace {

thread_local int t_waitCount = 0;
thread_local HCURSOR t_cursorBeforeWait = nullptr;

}  // namespace

void AfxDoWaitCursor(int nCode) {
    if (nCode > 0) {
        HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
        HCURSOR before = SetCursor(wait);
        if (t_waitCount++ == 0) t_cursorBeforeWait = before;
    } else if (nCode < 0) {
        if (t_waitCount == 0) return;
        if (--t_waitCount == 0) {
            SetCursor(t_cursorBeforeWait ? t_cursorBeforeWait : LoadCursorA(nullptr, IDC_ARROW));
            t_cursorBeforeWait = nullptr;
        }
    } else if (t_waitCount > 0) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    }
}

int AfxGetWaitCursorCount() { return t_waitCount; }

bool AfxKeepWaitCursor() {
    if (t_waitCount == 0) return false;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return true;
}
