#include "setup/PleaseWait.h"

namespace setup::ui {

void PleaseWait::Create() {
    if (m_createTried) return;
    m_createTried = true;
    m_window.Create(CFileCopy::IDD, nullptr);
}

void PleaseWait::Show() {
    if (!m_cursor) m_cursor.emplace();
    Create();
    m_window.ShowWindow(SW_SHOW);
    m_window.UpdateWindow();
}

void PleaseWait::Hide() {
    m_window.ShowWindow(SW_HIDE);
    m_cursor.reset();
}

}  // namespace setup::ui
