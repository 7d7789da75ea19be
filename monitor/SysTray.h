// CSysTray: the monitor's one notification-area icon, its tooltip and its
// two-item menu. A hidden owner window receives the icon's callback message;
// a right click opens the menu, a double click opens the status window.
// Its run-time class is "CSysTray" (type identification only).
#pragma once

#include "framework/Menu.h"
#include "framework/Wnd.h"

#include <shellapi.h>

class CSysTray : public CWnd {
    DECLARE_DYNAMIC(CSysTray)

public:
    static constexpr UINT kCallbackMessage = WM_USER + 15;   // 0x40F
    static constexpr UINT kIconId = 1;

    CSysTray() noexcept;
    ~CSysTray() override;

    // Creates the owner window and the menu and adds the icon; returns 0.
    int Create(UINT callbackMessage, const char* tooltip, HICON icon);
    // Takes the icon out of the notification area.
    void Remove();

    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    HMENU Menu() const { return m_menu.GetSafeHmenu(); }

protected:
    DECLARE_MESSAGE_MAP()

public:
    // Forwards every message unchanged to CWnd, whose map dispatch reaches OnTrayNotify.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    NOTIFYICONDATAA m_notify;
    CMenu m_menu;
};
