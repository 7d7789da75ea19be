#include "monitor/SysTray.h"

#include "catalogue/Catalogue.h"
#include "contract/Programs.h"
#include "framework/WinApp.h"

#include <cstring>
#include <string>

IMPLEMENT_DYNAMIC(CSysTray, CWnd)

BEGIN_MESSAGE_MAP(CSysTray, CWnd)
    ON_MESSAGE(CSysTray::kCallbackMessage, &CSysTray::OnTrayNotify)
END_MESSAGE_MAP()

CSysTray::CSysTray() noexcept : m_notify{} {}

CSysTray::~CSysTray() = default;

LRESULT CSysTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_taskbarCreated != 0 && message == m_taskbarCreated) {
        m_keeper.OnTaskbarCreated();
        return 0;
    }
    if (message == WM_TIMER && wParam == kRetryTimerId) {
        m_keeper.OnRetryTimer();
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

bool CSysTray::Shell::AddIcon() { return Shell_NotifyIconA(NIM_ADD, &m_tray.m_notify) != FALSE; }

// The shell answers a modify only for an icon it holds.
bool CSysTray::Shell::IconPresent() { return Shell_NotifyIconA(NIM_MODIFY, &m_tray.m_notify) != FALSE; }

void CSysTray::Shell::StartRetryTimer() {
    ::SetTimer(m_tray.m_hWnd, kRetryTimerId, monitor::kTrayRetryPeriodMs, nullptr);
}

void CSysTray::Shell::StopRetryTimer() { ::KillTimer(m_tray.m_hWnd, kRetryTimerId); }

int CSysTray::Create(UINT callbackMessage, const char* tooltip, HICON icon) {
    m_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Started elevated (setup's first run), the process would not receive the
    // shell's broadcast from the user's unelevated explorer otherwise.
    if (m_taskbarCreated != 0) ChangeWindowMessageFilter(m_taskbarCreated, MSGFLT_ADD);
    CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr);

    m_menu.CreatePopupMenu();
    const std::string openText = std::string(catalogue::ModelName) + " Status Monitor";
    m_menu.AppendMenu(MF_STRING, contract::kMonitorOpenCommand, openText.c_str());
    m_menu.AppendMenu(MF_STRING, contract::kMonitorExitCommand, "Exit");

    m_notify = {};
    m_notify.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88: the first version of the record
    m_notify.hWnd = m_hWnd;
    m_notify.uID = kIconId;
    m_notify.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_notify.uCallbackMessage = callbackMessage;
    m_notify.hIcon = icon;
    if (tooltip) {
        std::strncpy(m_notify.szTip, tooltip, sizeof(m_notify.szTip) - 1);
        m_notify.szTip[sizeof(m_notify.szTip) - 1] = '\0';
    }
    m_keeper.Start();
    return 0;
}

void CSysTray::Remove() {
    m_keeper.Stop();
    Shell_NotifyIconA(NIM_DELETE, &m_notify);
}

LRESULT CSysTray::OnTrayNotify(WPARAM, LPARAM lParam) {
    CWnd* main = AfxGetMainWnd();
    if (!main) return 0;
    switch (LOWORD(lParam)) {
    case WM_RBUTTONUP: {
        POINT pt = {};
        GetCursorPos(&pt);
        // The owner must be the foreground window, or the menu does not close
        // when the user clicks elsewhere.
        main->SetForegroundWindow();
        m_menu.SetDefaultItem(contract::kMonitorOpenCommand);
        m_menu.TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, main);
        // Makes the next click after a dismissed menu reach its target.
        main->PostMessage(WM_NULL);
        break;
    }
    case WM_LBUTTONDBLCLK:
        main->SetForegroundWindow();
        main->SendMessage(WM_COMMAND, contract::kMonitorOpenCommand, 0);
        break;
    default: break;
    }
    return 0;
}
