// The monitor's platform calls that a Windows 7 desktop needs beyond what
// Wine asks of them: the tray sweep reaching the overflow window, and the
// fault pop-up raising the window without taking the keyboard.
#include "monitor/MonitorPlatform.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::map<HWND, int> g_moves;  // mouse moves each stand-in toolbar received

LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_MOUSEMOVE) ++g_moves[h];
    return DefWindowProcA(h, m, w, l);
}

// A window of the given class, registered for this test alone.
HWND Make(const char* className, HWND parent, int width, int height, DWORD style = 0) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", (parent ? WS_CHILD : WS_POPUP) | style, 0, 0, width, height, parent,
                           nullptr, wc.hInstance, nullptr);
}

TEST(NotificationArea, TheSweepCoversTheTaskbarsIconsAndTheOverflowWindows) {
    // The shell's windows as Windows 7 has them: the taskbar's chain, and the
    // overflow window the hidden icons live in.
    HWND tray = Make("Shell_TrayWnd", nullptr, 200, 30);
    HWND notify = Make("TrayNotifyWnd", tray, 100, 30);
    HWND pager = Make("SysPager", notify, 100, 30);
    HWND taskbarIcons = Make("ToolbarWindow32", pager, 10, 10);
    HWND overflow = Make("NotifyIconOverflowWindow", nullptr, 100, 100);
    HWND hiddenIcons = Make("ToolbarWindow32", overflow, 23, 12);
    ASSERT_TRUE(taskbarIcons && hiddenIcons);

    monitor::SweepNotificationArea();
    EXPECT_EQ(g_moves[taskbarIcons], 4);  // x 0, 5 by y 0, 5
    EXPECT_EQ(g_moves[hiddenIcons], 15);  // x 0..20 by y 0, 5, 10

    DestroyWindow(overflow);
    DestroyWindow(tray);
}

// Evidence that this thread has handled what the window system queued for it
// before now (focus changes among them): a marker posted now comes out of the
// queue only after the driver's events and the messages sent before it, and
// a round trip through the window follows. Time only bounds the wait.
void Settle(HWND window) {
    constexpr UINT kMarker = WM_APP + 77;
    ASSERT_TRUE(PostMessageA(window, kMarker, 0, 0));
    const DWORD start = GetTickCount();
    for (bool seen = false; !seen;) {
        MSG msg;
        while (!seen && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == kMarker)
                seen = true;
            else
                DispatchMessageA(&msg);
        }
        ASSERT_LT(GetTickCount() - start, 10000u) << "the marker never came back";
        if (!seen) MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &result));
}

// Top-level windows in Z order, top first, until one of the two is met.
HWND HigherOf(HWND a, HWND b) {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
        if (h == a || h == b) return h;
    return nullptr;
}

TEST(PopUp, AFaultRaisesTheWindowAboveTheUsersWithoutTakingTheKeyboard) {
    // The user's window, in front and with the keyboard; the status window
    // hidden behind where it will show.
    HWND user = Make("UsersDocument", nullptr, 400, 300, WS_CAPTION | WS_VISIBLE);
    HWND status = Make("StatusWindow", nullptr, 200, 150, WS_CAPTION);
    ASSERT_TRUE(user && status);
    SetForegroundWindow(user);
    SetFocus(user);
    ASSERT_NO_FATAL_FAILURE(Settle(user));
    ASSERT_EQ(GetForegroundWindow(), user);
    SetWindowPos(status, HWND_BOTTOM, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);

    for (int fault = 0; fault < 2; ++fault) {
        monitor::PopUpWithoutActivating(status);
        ASSERT_NO_FATAL_FAILURE(Settle(status));
        EXPECT_TRUE(IsWindowVisible(status)) << fault;
        EXPECT_EQ(HigherOf(user, status), status) << fault;
        EXPECT_EQ(GetForegroundWindow(), user) << fault;
        EXPECT_EQ(GetFocus(), user) << fault;
        // Raised, not pinned: the user's next click brings their window back in front.
        EXPECT_FALSE(GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TOPMOST) << fault;
        SetWindowPos(user, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ASSERT_NO_FATAL_FAILURE(Settle(user));
        EXPECT_EQ(HigherOf(user, status), user) << fault;
    }
    DestroyWindow(status);
    DestroyWindow(user);
}

}  // namespace
