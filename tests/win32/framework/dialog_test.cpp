// Modal and modeless dialogs: the modal loop, pre-translation, the first-idle
// showing, owners, nesting and data exchange.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

void PostEscapeTo(ScriptedDialog& d, int controlId) {
    HWND ctl = ::GetDlgItem(d.m_hWnd, controlId);
    ASSERT_NE(ctl, nullptr);
    ::PostMessageA(ctl, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(ctl, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001));
}

TEST(ModalDialog, ReturnsTheValueOfEndDialogAndDestroysItsWindow) {
    ScriptedDialog dlg;
    HWND seen = nullptr;
    dlg.steps = {[&](ScriptedDialog& d) {
        seen = d.m_hWnd;
        d.EndDialog(42);
        // Hidden at once, although the loop ends only when this handler returns.
        EXPECT_FALSE(::IsWindowVisible(d.m_hWnd));
    }};
    EXPECT_EQ(dlg.DoModal(), 42);
    ASSERT_NE(seen, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(seen), nullptr);

    // The same object runs again.
    dlg.steps = {[](ScriptedDialog& d) { d.EndDialog(43); }};
    EXPECT_EQ(dlg.DoModal(), 43);
}

TEST(ModalDialog, EndDialogDuringInitialisationSkipsTheLoop) {
    ScriptedDialog dlg;
    bool stepRan = false;
    dlg.onInit = [](ScriptedDialog& d) { d.EndDialog(5); };
    dlg.steps = {[&](ScriptedDialog&) { stepRan = true; }};
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_FALSE(stepRan);
    EXPECT_EQ(dlg.showAttempts, 0);
}

TEST(ModalDialog, QuitMessageEndsTheLoopAndIsLeftForTheOuterLoop) {
    ScriptedDialog dlg;
    dlg.steps = {[](ScriptedDialog&) { PostQuitMessage(3); }};
    EXPECT_EQ(dlg.DoModal(), -1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(ModalDialog, MissingTemplateFailsWithoutDisablingTheOwner) {
    ScriptedDialog owner;
    ASSERT_TRUE(owner.Create(IDD_PLAIN));
    ScriptedDialog dlg(4242, &owner);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(ModalDialog, OkExchangesDataAndCancelEnds) {
    ScriptedDialog dlg;
    dlg.text = "before";
    dlg.steps = {[](ScriptedDialog& d) {
        d.GetDlgItem(IDC_EDIT)->SetWindowText("typed by the user");
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDOK)));
    }};
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.text, "typed by the user");

    ScriptedDialog cancelled;
    cancelled.text = "kept";
    cancelled.steps = {[](ScriptedDialog& d) {
        d.GetDlgItem(IDC_EDIT)->SetWindowText("discarded");
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }};
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(cancelled.text, "kept");
}

TEST(ModalDialog, EscapeReachesIsDialogMessageUnlessPreTranslateSwallowsIt) {
    ScriptedDialog plain;
    plain.steps = {[](ScriptedDialog& d) { PostEscapeTo(d, IDC_PUSH); }, [](ScriptedDialog& d) { d.EndDialog(7); }};
    EXPECT_EQ(plain.DoModal(), IDCANCEL);

    ScriptedDialog guarded;
    int swallowed = 0;
    guarded.preTranslate = [&](MSG* m) {
        if (m->message == WM_KEYDOWN && m->wParam == VK_ESCAPE) {
            ++swallowed;
            return true;
        }
        return false;
    };
    bool stillUp = false;
    guarded.steps = {[](ScriptedDialog& d) { PostEscapeTo(d, IDC_PUSH); },
                     [&](ScriptedDialog& d) {
        stillUp = ::IsWindowVisible(d.m_hWnd) != FALSE;
        d.EndDialog(7);
                     }};
    EXPECT_EQ(guarded.DoModal(), 7);
    EXPECT_EQ(swallowed, 1);
    EXPECT_TRUE(stillUp);
}

TEST(ModalDialog, EnterPressesTheDefaultButtonAndTheCloseBoxCancels) {
    ScriptedDialog enter;
    enter.steps = {[](ScriptedDialog& d) {
        HWND edit = ::GetDlgItem(d.m_hWnd, IDC_EDIT);
        ::SetFocus(edit);
        ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                   },
                   [](ScriptedDialog& d) { d.EndDialog(7); }};
    EXPECT_EQ(enter.DoModal(), IDOK);

    ScriptedDialog closed;
    closed.steps = {[](ScriptedDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); },
                    [](ScriptedDialog& d) { d.EndDialog(7); }};
    EXPECT_EQ(closed.DoModal(), IDCANCEL);
}

TEST(ModalDialog, IsShownWhenTheLoopFirstBecomesIdle) {
    ScriptedDialog dlg;
    bool visibleInInit = true;
    bool visibleLater = false;
    dlg.onInit = [&](ScriptedDialog& d) { visibleInInit = ::IsWindowVisible(d.m_hWnd) != FALSE; };
    dlg.steps = {[&](ScriptedDialog& d) {
        visibleLater = ::IsWindowVisible(d.m_hWnd) != FALSE;
        d.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_FALSE(visibleInInit);
    EXPECT_TRUE(visibleLater);
    EXPECT_EQ(dlg.showAttempts, 1);
}

TEST(ModalDialog, FirstIdleShowingCanBeSuppressedInWindowPosChanging) {
    ScriptedDialog dlg;
    dlg.suppressShow = true;
    int attemptsAfterInit = -1;
    bool visibleAfterIdle = true;
    bool visibleAfterAllowed = false;
    dlg.onInit = [&](ScriptedDialog& d) {
        // Like a window that starts hidden even though it asks to be maximised.
        d.ShowWindow(SW_SHOWMAXIMIZED);
        attemptsAfterInit = d.showAttempts;
    };
    dlg.steps = {[&](ScriptedDialog& d) { visibleAfterIdle = ::IsWindowVisible(d.m_hWnd) != FALSE; },
                 [&](ScriptedDialog& d) {
        d.suppressShow = false;
        d.ShowWindow(SW_RESTORE);
        visibleAfterAllowed = ::IsWindowVisible(d.m_hWnd) != FALSE;
        d.EndDialog(2);
                 }};
    EXPECT_EQ(dlg.DoModal(), 2);
    EXPECT_EQ(attemptsAfterInit, 1);
    EXPECT_FALSE(visibleAfterIdle);
    // The idle showing went through ShowWindow and so reached the handler.
    EXPECT_GE(dlg.showAttempts, 3);
    EXPECT_TRUE(visibleAfterAllowed);
}

TEST(ModalDialog, OwnerIsDisabledDuringTheRunAndEnabledAfterwards) {
    ScriptedDialog owner;
    ASSERT_TRUE(owner.Create(IDD_PLAIN));
    owner.ShowWindow(SW_SHOW);
    ScriptedDialog dlg(IDD_PLAIN, &owner);
    BOOL enabledDuring = TRUE;
    HWND ownerOfDialog = nullptr;
    dlg.steps = {[&](ScriptedDialog& d) {
        enabledDuring = ::IsWindowEnabled(owner.m_hWnd);
        ownerOfDialog = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(ownerOfDialog, owner.m_hWnd);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(GetActiveWindow(), owner.m_hWnd);  // the owner takes over again

    // An owner that was disabled before stays disabled.
    owner.EnableWindow(FALSE);
    dlg.steps = {[](ScriptedDialog& d) { d.EndDialog(1); }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_FALSE(::IsWindowEnabled(owner.m_hWnd));
}

TEST(ModalDialog, WithoutParentTheMainWindowOwnsIt) {
    ScriptedDialog main;
    ASSERT_TRUE(main.Create(IDD_PLAIN));
    main.ShowWindow(SW_SHOW);
    theApp.m_pMainWnd = &main;
    ScriptedDialog dlg;
    HWND ownerOfDialog = nullptr;
    BOOL mainEnabledDuring = TRUE;
    dlg.steps = {[&](ScriptedDialog& d) {
        ownerOfDialog = GetWindow(d.m_hWnd, GW_OWNER);
        mainEnabledDuring = ::IsWindowEnabled(main.m_hWnd);
        d.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(ownerOfDialog, main.m_hWnd);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(main.m_hWnd));
    main.DestroyWindow();
    // Destroying the main window clears the main-window pointer.
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST(ModalDialog, NestedDialogsEndInOrder) {
    ScriptedDialog a, b, c;
    std::vector<std::string> events;
    HWND aWnd = nullptr, bWnd = nullptr, bOwner = nullptr, cOwner = nullptr;
    BOOL aEnabledDuringC = TRUE, bEnabledDuringC = TRUE;
    theApp.m_pMainWnd = &a;
    a.steps = {[&](ScriptedDialog& d) {
        aWnd = d.m_hWnd;
        d.ShowWindow(SW_HIDE);  // a dialog hides itself before running the next
        events.push_back("B returned " + std::to_string(b.DoModal()));
        d.EndDialog(1);
    }};
    b.steps = {[&](ScriptedDialog& d) {
        bWnd = d.m_hWnd;
        bOwner = GetWindow(d.m_hWnd, GW_OWNER);
        d.ShowWindow(SW_HIDE);
        events.push_back("C returned " + std::to_string(c.DoModal()));
        d.EndDialog(2);
    }};
    c.steps = {[&](ScriptedDialog& d) {
        cOwner = GetWindow(d.m_hWnd, GW_OWNER);
        aEnabledDuringC = ::IsWindowEnabled(aWnd);
        bEnabledDuringC = ::IsWindowEnabled(bWnd);
        d.EndDialog(3);
    }};
    EXPECT_EQ(a.DoModal(), 1);
    theApp.m_pMainWnd = nullptr;
    EXPECT_EQ(events, (std::vector<std::string>{"C returned 3", "B returned 2"}));
    EXPECT_EQ(bOwner, aWnd);
    EXPECT_EQ(cOwner, bWnd);
    EXPECT_FALSE(aEnabledDuringC);
    EXPECT_FALSE(bEnabledDuringC);
    EXPECT_EQ(a.m_hWnd, nullptr);
    EXPECT_EQ(b.m_hWnd, nullptr);
    EXPECT_EQ(c.m_hWnd, nullptr);
}

TEST(DataExchange, UpdateDataMovesTextBothWaysAndBindsControlsOnce) {
    ScriptedDialog dlg;
    dlg.bindEdit = true;
    dlg.text = "Searching the printer...";
    std::string shownAtInit, readBack;
    CWnd* boundBefore = nullptr;
    CWnd* boundAfter = nullptr;
    dlg.steps = {[&](ScriptedDialog& d) {
        shownAtInit = d.GetDlgItem(IDC_EDIT)->GetWindowText();
        boundBefore = CWnd::FromHandle(::GetDlgItem(d.m_hWnd, IDC_EDIT));
        d.GetDlgItem(IDC_EDIT)->SetWindowText("Line one\r\nline two \x96 dash");
        EXPECT_TRUE(d.UpdateData(TRUE));
        readBack = d.text;
        d.text = "";
        EXPECT_TRUE(d.UpdateData(FALSE));
        EXPECT_EQ(d.GetDlgItem(IDC_EDIT)->GetWindowText(), "");
        boundAfter = CWnd::FromHandle(::GetDlgItem(d.m_hWnd, IDC_EDIT));
        d.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(shownAtInit, "Searching the printer...");
    EXPECT_EQ(readBack, "Line one\r\nline two \x96 dash");
    EXPECT_EQ(boundBefore, &dlg.edit);
    EXPECT_EQ(boundAfter, &dlg.edit);
    EXPECT_EQ(dlg.edit.m_hWnd, nullptr);  // detached with the dialog
}

class MissingControlDialog : public ScriptedDialog {
public:
    std::string other;
protected:
    void DoDataExchange(CDataExchange* pDX) override {
        ScriptedDialog::DoDataExchange(pDX);
        DDX_Text(pDX, 4711, other);
    }
};

TEST(DataExchange, MissingControlFailsTheExchange) {
    MissingControlDialog dlg;
    BOOL result = TRUE;
    dlg.text = "still written";
    std::string written;
    dlg.steps = {[&](ScriptedDialog& d) {
        result = d.UpdateData(TRUE);
        written = d.GetDlgItem(IDC_EDIT)->GetWindowText();
        d.PostMessage(WM_COMMAND, IDOK, 0);  // OnOK refuses to end
                 },
                 [](ScriptedDialog& d) { d.EndDialog(9); }};
    EXPECT_EQ(dlg.DoModal(), 9);
    EXPECT_FALSE(result);
    EXPECT_EQ(written, "still written");
}

TEST(ModelessDialog, IsCreatedFromItsTemplateAndShownOnlyWhenTheTemplateSaysSo) {
    ScriptedDialog hidden;
    ASSERT_TRUE(hidden.Create(IDD_PLAIN));
    EXPECT_NE(hidden.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindowVisible(hidden.m_hWnd));
    EXPECT_EQ(CWnd::FromHandle(hidden.m_hWnd), &hidden);
    EXPECT_NE(::GetDlgItem(hidden.m_hWnd, IDC_LISTVIEW), nullptr);
    EXPECT_FALSE(hidden.Create(IDD_PLAIN));  // one window per object
    EXPECT_TRUE(hidden.DestroyWindow());
    EXPECT_EQ(hidden.m_hWnd, nullptr);

    HWND h = nullptr;
    {
        ScriptedDialog shown;
        ASSERT_TRUE(shown.Create(IDD_VISIBLE));
        h = shown.m_hWnd;
        EXPECT_TRUE(::IsWindowVisible(shown.m_hWnd));
        EXPECT_EQ(shown.GetWindowText(), "Visible Template");
        // A modeless dialog's commands run through the same map; its template
        // has no edit control, so OK's data exchange fails and only Cancel ends it.
        shown.SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(::IsWindowVisible(shown.m_hWnd));
        shown.SendMessage(WM_COMMAND, IDCANCEL, 0);
        EXPECT_FALSE(::IsWindowVisible(shown.m_hWnd));
        EXPECT_TRUE(IsWindow(h));
    }
    EXPECT_FALSE(IsWindow(h));  // destroyed with its object
}

}  // namespace
