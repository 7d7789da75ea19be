// Menus.
#include "framework/Menu.h"

BOOL CMenu::CreatePopupMenu() {
    m_menu.reset(::CreatePopupMenu());
    return m_menu ? TRUE : FALSE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    return m_menu ? ::AppendMenuA(m_menu.get(), nFlags, nIDNewItem, lpszNewItem) : FALSE;
}

BOOL CMenu::SetDefaultItem(UINT uItem, BOOL fByPos) {
    return m_menu ? ::SetMenuDefaultItem(m_menu.get(), uItem, fByPos) : FALSE;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
    if (!m_menu || pWnd == nullptr || pWnd->m_hWnd == nullptr) return FALSE;
    return ::TrackPopupMenu(m_menu.get(), nFlags, x, y, 0, pWnd->m_hWnd, lpRect);
}
