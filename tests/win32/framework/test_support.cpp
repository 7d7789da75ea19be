#include "test_support.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {
constexpr UINT_PTR kStepTimer = 0x5101;
constexpr UINT_PTR kWatchdogTimer = 0x5102;

// Common controls must be registered before a template with a list view is created.
struct CommonControls {
    CommonControls() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
    }
} g_commonControls;
}  // namespace

TestApp theApp;

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(IDC_APP_CMD, &TestApp::OnAppCommand)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(ScriptedDialog, CDialog)
    ON_WM_TIMER()
    ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

BOOL ScriptedDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_next = 0;
    m_busy = false;
    SetTimer(kStepTimer, 40);
    SetTimer(kWatchdogTimer, 20000);
    if (onInit) onInit(*this);
    return TRUE;
}

void ScriptedDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (bindEdit) DDX_Control(pDX, IDC_EDIT, edit);
    DDX_Text(pDX, IDC_EDIT, text);
}

BOOL ScriptedDialog::PreTranslateMessage(MSG* pMsg) {
    if (preTranslate && preTranslate(pMsg)) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void ScriptedDialog::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kWatchdogTimer) {
        EndDialog(static_cast<int>(kTimedOut));
        return;
    }
    if (nIDEvent != kStepTimer) {
        CDialog::OnTimer(nIDEvent);
        return;
    }
    // A step may run a nested modal loop, which keeps delivering our ticks.
    if (m_busy || m_next >= steps.size()) return;
    m_busy = true;
    Step step = steps[m_next++];
    step(*this);
    m_busy = false;
}

void ScriptedDialog::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
    if (lpwndpos->flags & SWP_SHOWWINDOW) {
        ++showAttempts;
        if (suppressShow) lpwndpos->flags &= ~SWP_SHOWWINDOW;
    }
    CDialog::OnWindowPosChanging(lpwndpos);
}

MessageBoxAnswerer::MessageBoxAnswerer(std::string caption, int button)
    : m_caption(std::move(caption)), m_button(button) {
    m_thread = std::thread([this] {
        for (int i = 0; i < 800 && !m_found; ++i) {
            HWND box = FindWindowA("#32770", m_caption.c_str());
            if (box && IsWindowVisible(box)) {
                m_owner = GetWindow(box, GW_OWNER);
                char buf[512] = {};
                GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf - 1);
                m_text = buf;
                m_found = true;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED), 0);
                return;
            }
            Sleep(25);
        }
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (m_thread.joinable()) m_thread.join();
}

void PumpUntil(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
