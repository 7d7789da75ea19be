// Windows created by the framework, windowless objects, message boxes, the
// wait cursor and the application globals.
#include "test_support.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

constexpr UINT WM_PROBE = WM_APP + 5;

class ProbeWnd : public CWnd {
public:
    int ncCreates = 0;
    int creates = 0;
    std::vector<UINT_PTR> timers;
protected:
    LRESULT OnNcCreate(WPARAM, LPARAM) {
        ++ncCreates;
        return Default();
    }
    LRESULT OnCreate(WPARAM, LPARAM) {
        ++creates;
        return 0;
    }
    LRESULT OnProbe(WPARAM w, LPARAM) { return 50 + static_cast<LRESULT>(w); }
    void OnTimer(UINT_PTR id) {
        timers.push_back(id);
        KillTimer(id);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeWnd, CWnd)
    ON_MESSAGE(WM_NCCREATE, &ProbeWnd::OnNcCreate)
    ON_MESSAGE(WM_CREATE, &ProbeWnd::OnCreate)
    ON_MESSAGE(WM_PROBE, &ProbeWnd::OnProbe)
    ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(Window, RegisteredClassDispatchesFromTheFirstMessage) {
    LPCSTR cls = AfxRegisterWndClass(0);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(AfxRegisterWndClass(0), cls);              // registered once
    EXPECT_STRNE(AfxRegisterWndClass(CS_DBLCLKS), cls);  // another style, another class

    HWND h = nullptr;
    {
        ProbeWnd probe;
        ASSERT_TRUE(probe.CreateEx(0, cls, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        h = probe.m_hWnd;
        EXPECT_EQ(probe.ncCreates, 1);
        EXPECT_EQ(probe.creates, 1);
        EXPECT_EQ(CWnd::FromHandle(h), &probe);
        EXPECT_FALSE(::IsWindowVisible(probe.m_hWnd));
        EXPECT_EQ(probe.SendMessage(WM_PROBE, 5), 55);
        EXPECT_FALSE(probe.CreateEx(0, cls, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));

        probe.SetTimer(7, 10);
        PumpUntil([&] { return !probe.timers.empty(); }, 3000);
        EXPECT_EQ(probe.timers, std::vector<UINT_PTR>{7});
    }
    EXPECT_FALSE(IsWindow(h));  // the object destroyed the window it created

    ProbeWnd again;
    ASSERT_TRUE(again.CreateEx(0, cls, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND h2 = again.m_hWnd;
    EXPECT_TRUE(again.DestroyWindow());
    EXPECT_EQ(again.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(h2));
}

TEST(Window, SystemClassIsSubclassedAfterCreation) {
    ProbeWnd probe;
    ASSERT_TRUE(probe.CreateEx(0, "STATIC", "first", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
    EXPECT_EQ(probe.ncCreates, 0);  // creation ran before we could see it
    EXPECT_EQ(probe.SendMessage(WM_PROBE, 1), 51);
    EXPECT_EQ(probe.GetWindowText(), "first");
    probe.SetWindowText(std::string("second \x96 text"));
    std::string text;
    EXPECT_EQ(probe.GetWindowText(text), 13);
    EXPECT_EQ(text, "second \x96 text");

    // Unsubclassing gives the window back, alive and without its object.
    HWND h = probe.UnsubclassWindow();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CWnd::FromHandle(h), nullptr);
    EXPECT_EQ(SendMessageA(h, WM_PROBE, 1, 0), 0);
    EXPECT_TRUE(IsWindow(h));
    DestroyWindow(h);
}

TEST(Window, WindowGivenBackCanBeTakenByAnotherObject) {
    ProbeWnd first;
    ASSERT_TRUE(first.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND h = first.UnsubclassWindow();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SendMessageA(h, WM_PROBE, 3, 0), 0);  // no object: default processing
    {
        ProbeWnd second;
        ASSERT_TRUE(second.SubclassWindow(h));
        EXPECT_EQ(second.SendMessage(WM_PROBE, 3), 53);
        EXPECT_EQ(second.SendMessage(WM_GETTEXTLENGTH), 0);  // default processing ends, no loop
    }
    EXPECT_TRUE(IsWindow(h));  // the second object only subclassed it
    DestroyWindow(h);
}

TEST(Window, SubclassedWindowSurvivesItsObject) {
    HWND h = CreateWindowExA(0, "STATIC", "owned elsewhere", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(h, nullptr);
    {
        ProbeWnd probe;
        ASSERT_TRUE(probe.SubclassWindow(h));
        EXPECT_EQ(SendMessageA(h, WM_PROBE, 2, 0), 52);
        ProbeWnd second;
        EXPECT_FALSE(second.SubclassWindow(h));  // one object per window
    }
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(SendMessageA(h, WM_PROBE, 2, 0), 0);
    char buf[32] = {};
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ(buf, "owned elsewhere");
    DestroyWindow(h);
}

constexpr char kHelperCaption[] = "framework helper window";
constexpr char kHelperDone[] = "Local\\pw.fw.test.helper.done";

// Runs only in the child process started by the next test: holds a framework window.
TEST(CrossProcess, Helper) {
    if (!std::getenv("PW_FW_HELPER")) GTEST_SKIP() << "started by CrossProcess.ForeignWindowHasNoObjectHere";
    pw::unique_handle done(CreateEventA(nullptr, TRUE, FALSE, kHelperDone));
    ProbeWnd probe;
    ASSERT_TRUE(probe.CreateEx(0, AfxRegisterWndClass(0), kHelperCaption, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    for (int i = 0; i < 1000 && WaitForSingleObject(done.get(), 10) == WAIT_TIMEOUT; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

TEST(CrossProcess, ForeignWindowHasNoObjectHere) {
    pw::unique_handle done(CreateEventA(nullptr, TRUE, FALSE, kHelperDone));
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" --gtest_filter=CrossProcess.Helper";
    SetEnvironmentVariableA("PW_FW_HELPER", "1");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("PW_FW_HELPER", nullptr);
    ASSERT_TRUE(started);
    pw::unique_handle process(pi.hProcess), thread(pi.hThread);
    HWND foreign = nullptr;
    for (int i = 0; i < 400 && !foreign; ++i) {
        foreign = FindWindowA(nullptr, kHelperCaption);
        if (!foreign) Sleep(25);
    }
    ASSERT_NE(foreign, nullptr);
    EXPECT_NE(GetPropA(foreign, "pw.fw.CWnd"), nullptr);  // it is a framework window over there
    EXPECT_EQ(CWnd::FromHandle(foreign), nullptr);        // but not one of ours
    CWnd local;
    EXPECT_NE(local.ChildFromHandle(foreign), nullptr);  // only a wrapper
    EXPECT_FALSE(local.SubclassWindow(foreign));
    SetEvent(done.get());
    EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
}

TEST(Window, ObjectWithoutWindowIsUsable) {
    CWnd none;
    EXPECT_EQ(none.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(none.ShowWindow(SW_SHOW));
    EXPECT_FALSE(::IsWindowVisible(none.m_hWnd));
    EXPECT_EQ(none.GetWindowText(), "");
    EXPECT_EQ(none.GetDlgItem(1), nullptr);
    EXPECT_EQ(none.SendMessage(WM_PROBE), 0);
    EXPECT_FALSE(none.UpdateData(TRUE));
    RECT rc{1, 2, 3, 4};
    none.GetClientRect(&rc);
    EXPECT_TRUE(IsRectEmpty(&rc));

    MessageBoxAnswerer answer("Worker caption", IDOK);
    EXPECT_EQ(none.MessageBox("No owner here", "Worker caption", MB_OK | MB_ICONHAND), IDOK);
    EXPECT_TRUE(answer.found());
    EXPECT_EQ(answer.owner(), nullptr);
    EXPECT_EQ(answer.text(), "No owner here");

    none.BeginWaitCursor();
    EXPECT_EQ(AfxGetWaitCursorCount(), 1);
    none.EndWaitCursor();
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
}

TEST(Window, MessageBoxesHaveTheirOwnersAndTheApplicationName) {
    EXPECT_STREQ(AfxGetAppName(), "framework_test");
    ScriptedDialog dlg;
    HWND dlgWnd = nullptr;
    int result = 0;
    MessageBoxAnswerer* answer = nullptr;
    dlg.steps = {[&](ScriptedDialog& d) {
        dlgWnd = d.m_hWnd;
        MessageBoxAnswerer a("framework_test", IDOK);
        result = d.MessageBox("Owned by the dialog");
        EXPECT_TRUE(a.found());
        EXPECT_EQ(a.owner(), d.m_hWnd);
        EXPECT_EQ(a.text(), "Owned by the dialog");
        (void)answer;
                 },
                 [&](ScriptedDialog& d) {
        // The application's message box is owned by the main window's active popup.
        theApp.m_pMainWnd = &d;
        MessageBoxAnswerer a("framework_test", IDOK);
        EXPECT_EQ(AfxMessageBox("Please connect printer properly"), IDOK);
        EXPECT_TRUE(a.found());
        EXPECT_EQ(a.owner(), d.m_hWnd);
        EXPECT_EQ(a.text(), "Please connect printer properly");
        theApp.m_pMainWnd = nullptr;
        d.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(result, IDOK);
    ASSERT_NE(dlgWnd, nullptr);

    // Without a main window the application's message box has no owner.
    MessageBoxAnswerer a("framework_test", IDOK);
    EXPECT_EQ(AfxMessageBox("Unowned"), IDOK);
    EXPECT_TRUE(a.found());
    EXPECT_EQ(a.owner(), nullptr);
}

TEST(WaitCursor, IsCountedAndRestoresTheCursorFromBefore) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(GetCursor(), wait);
        EXPECT_EQ(AfxGetWaitCursorCount(), 1);
        {
            CWaitCursor inner;
            EXPECT_EQ(AfxGetWaitCursorCount(), 2);
        }
        EXPECT_EQ(AfxGetWaitCursorCount(), 1);
        EXPECT_EQ(GetCursor(), wait);  // still waiting: the outer level holds it
        SetCursor(arrow);
        outer.Restore();
        EXPECT_EQ(GetCursor(), wait);
    }
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
    EXPECT_EQ(GetCursor(), arrow);
    AfxDoWaitCursor(-1);  // an unbalanced end is ignored
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
    CWaitCursor again;
    EXPECT_EQ(AfxGetWaitCursorCount(), 1);
}

TEST(Application, GlobalsReferToTheOneApplicationObject) {
    EXPECT_EQ(AfxGetApp(), &theApp);
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
    TestApp second;  // a second object does not replace the first
    EXPECT_EQ(AfxGetApp(), &theApp);
    {
        CWnd* main = new CWnd;
        theApp.m_pMainWnd = main;
        EXPECT_EQ(AfxGetMainWnd(), main);
        delete main;  // a destroyed object never stays the main window
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
    }
    theApp.SetRegistryKey("Local AppWizard-Generated Applications");
    EXPECT_STREQ(theApp.m_pszRegistryKey, "Local AppWizard-Generated Applications");
}

TEST(Application, ProgramBodyEndsAfterAnInitialisationThatReturnsFalse) {
    theApp.initCalls = theApp.exitCalls = 0;
    theApp.initResult = FALSE;
    theApp.exitCode = 0;
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 0);
    EXPECT_EQ(theApp.initCalls, 1);
    EXPECT_EQ(theApp.exitCalls, 1);
    EXPECT_EQ(theApp.m_hInstance, GetModuleHandleA(nullptr));

    // InitInstance TRUE runs the message loop until WM_QUIT.
    theApp.initResult = TRUE;
    PostQuitMessage(6);
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 6);
    EXPECT_EQ(theApp.initCalls, 2);
    EXPECT_EQ(theApp.exitCalls, 2);
}

}  // namespace
