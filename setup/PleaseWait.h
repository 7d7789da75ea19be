// PleaseWait: the please-wait window (template IDD_FILE_COPY, no parent) and
// the wait cursor that stand around an installation started from the port
// selection or from a USB arrival.
//
//   setup::ui::PleaseWait pleaseWait;
//   pleaseWait.Create();   // only where the window must be up before the cursor
//   pleaseWait.Show();     // the wait cursor, then the window (created here if not yet)
//   ... install ...
//   pleaseWait.Hide();     // the window hidden, then the cursor removed
//   installer.ShowResult();
//   // the window is destroyed with the object
#pragma once

#include "framework/WinApp.h"
#include "setup/engine/FileCopy.h"

#include <optional>

namespace setup::ui {

class PleaseWait {
public:
    PleaseWait() = default;
    PleaseWait(const PleaseWait&) = delete;
    PleaseWait& operator=(const PleaseWait&) = delete;

    // Creates the window (once); its template makes it visible at once.
    void Create();
    // Shows the wait cursor, then the window, painted now: the work that
    // follows blocks the thread and nothing repaints it meanwhile.
    void Show();
    // Hides the window, then removes the wait cursor, so that the result
    // message that follows has the normal cursor.
    void Hide();

private:
    // Declared in this order so that an early way out ends the wait cursor
    // first and then destroys the window (CFileCopy's destructor does).
    CFileCopy m_window{nullptr};
    bool m_createTried = false;
    std::optional<CWaitCursor> m_cursor;
};

}  // namespace setup::ui
