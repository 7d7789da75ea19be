// CMenu: owns a menu handle; the menu is destroyed with the object.
//
//   CMenu menu;
//   menu.CreatePopupMenu();
//   menu.AppendMenu(MF_STRING, 101, "Open");
//   menu.SetDefaultItem(101);                       // by command id: drawn bold
//   pOwner->SetForegroundWindow();                  // or the menu never closes
//   menu.TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, pOwner);
//   pOwner->PostMessage(WM_NULL);
// The chosen item arrives at the owner window as WM_COMMAND.
#pragma once

#include "framework/Wnd.h"
#include "common/Handles.h"

class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL CreatePopupMenu();  // replaces a menu held before
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
    BOOL SetDefaultItem(UINT uItem, BOOL fByPos = FALSE);
    // Shows the menu at (x, y) owned by pWnd; with TPM_RETURNCMD the result is
    // the chosen command, otherwise non-zero on success.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

    HMENU GetSafeHmenu() const { return m_menu.get(); }
    operator HMENU() const { return m_menu.get(); }

private:
    pw::unique_hmenu m_menu;
};
