// CSysTray: the monitor's one notification-area icon, its tooltip and its
// two-item menu. A hidden owner window receives the icon's callback message;
// a right click opens the menu, a double click opens the status window.
// Its run-time class is "CSysTray" (type identification only).
//
// The icon lives through the session: a first add that the shell refuses
// (not up yet at logon) is tried again on a timer for a bounded while, and
// the icon is added again whenever the shell broadcasts "TaskbarCreated"
// (explorer restarted: every icon is gone). The owner window is a top-level
// window because a message-only window receives no broadcast.
#pragma once

#include "framework/Menu.h"
#include "framework/Wnd.h"
#include "monitor/core/TrayKeeper.h"

#include <shellapi.h>

class CSysTray : public CWnd {
    DECLARE_DYNAMIC(CSysTray)

public:
    static constexpr UINT kCallbackMessage = WM_USER + 15;  // 0x40F
    static constexpr UINT kIconId = 1;

    CSysTray() noexcept;
    ~CSysTray() override;

    static constexpr UINT_PTR kRetryTimerId = 1;

    // Creates the owner window and the menu and adds the icon; returns 0.
    int Create(UINT callbackMessage, const char* tooltip, HICON icon);
    // Takes the icon out of the notification area for good.
    void Remove();
    bool Shown() const { return m_keeper.Shown(); }

    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    HMENU Menu() const { return m_menu.GetSafeHmenu(); }

protected:
    DECLARE_MESSAGE_MAP()

public:
    // The shell's "TaskbarCreated" broadcast and the retry timer go to the
    // keeper; every other message goes unchanged to CWnd, whose map dispatch
    // reaches OnTrayNotify.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Shell : public monitor::TrayShell {
    public:
        explicit Shell(CSysTray& tray) : m_tray(tray) {}
        bool AddIcon() override;
        bool IconPresent() override;
        void StartRetryTimer() override;
        void StopRetryTimer() override;

    private:
        CSysTray& m_tray;
    };

    NOTIFYICONDATAA m_notify;
    CMenu m_menu;
    UINT m_taskbarCreated = 0;  // the registered "TaskbarCreated" message
    Shell m_shell{*this};
    monitor::TrayKeeper m_keeper{m_shell};
};
