// Control wrappers, image lists, fonts, menus and worker threads.
#include "test_support.h"

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

namespace {

// What a static control shows of one image type (what STM_GETIMAGE reports).
HANDLE StaticImage(const CStatic& control, UINT type) {
    return reinterpret_cast<HANDLE>(::SendMessageA(control.m_hWnd, STM_GETIMAGE, type, 0));
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = 0;
    return GetExitCodeThread(thread, &code) ? code : 0;
}

class ControlsDialog : public ScriptedDialog {
public:
    CListBox list;
    CListCtrl listView;
    CTabCtrl tab;
    CStatic icon;
protected:
    void DoDataExchange(CDataExchange* pDX) override {
        ScriptedDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_LIST, list);
        DDX_Control(pDX, IDC_LISTVIEW, listView);
        DDX_Control(pDX, IDC_TAB, tab);
        DDX_Control(pDX, IDC_ICON_STATIC, icon);
    }
};

TEST(Controls, ListBoxKeepsInsertionPositionsDataAndSelection) {
    ControlsDialog dlg;
    dlg.steps = {[](ScriptedDialog& s) {
        CListBox& list = static_cast<ControlsDialog&>(s).list;
        // Inserted at explicit positions, a sorted list box keeps the given order.
        EXPECT_EQ(list.InsertString(0, "LPT1: (Printer Port)"), 0);
        EXPECT_EQ(list.InsertString(1, "COM1: (Local Port)"), 1);
        EXPECT_EQ(list.InsertString(2, "FILE: ()"), 2);
        EXPECT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
        static const char bare[] = "COM1:";
        EXPECT_NE(list.SetItemData(1, reinterpret_cast<DWORD_PTR>(bare)), LB_ERR);
        EXPECT_EQ(reinterpret_cast<const char*>(list.GetItemData(1)), bare);
        EXPECT_EQ(list.GetCurSel(), LB_ERR);
        EXPECT_EQ(list.SetCurSel(1), 1);
        EXPECT_EQ(list.GetCurSel(), 1);
        std::string text;
        EXPECT_EQ(list.GetText(0, text), 20);
        EXPECT_EQ(text, "LPT1: (Printer Port)");
        EXPECT_EQ(list.GetText(1, text), 18);
        EXPECT_EQ(text, "COM1: (Local Port)");
        EXPECT_EQ(list.GetText(7, text), LB_ERR);
        EXPECT_EQ(text, "");
        s.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST(Controls, ListViewTabAndStaticImages) {
    ControlsDialog dlg;
    CImageList images;
    ASSERT_TRUE(images.Create(IDB_MODEL, 0, 32, RGB(255, 255, 255)));
    EXPECT_EQ(ImageList_GetImageCount(images), 1);  // width 0: one image as wide as the bitmap is high
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 96);
    EXPECT_EQ(cy, 96);
    CImageList missing;
    EXPECT_FALSE(missing.Create(9999, 0, 32, RGB(255, 255, 255)));

    dlg.steps = {[&](ScriptedDialog& s) {
        ControlsDialog& d = static_cast<ControlsDialog&>(s);
        EXPECT_EQ(d.listView.SetImageList(&images, LVSIL_NORMAL), nullptr);
        EXPECT_EQ(d.listView.SetImageList(&images, LVSIL_NORMAL), images.GetSafeHandle());
        // Without LVS_SHAREIMAGELISTS the list view destroys its image list.
        EXPECT_EQ(d.listView.GetImageList(LVSIL_NORMAL), images.Detach());
        EXPECT_EQ(d.listView.InsertItem(0, "ZYK LXD 455 Sentinel", 0), 0);
        EXPECT_EQ(ListView_GetItemCount(d.listView), 1);
        d.listView.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        EXPECT_EQ(ListView_GetExtendedListViewStyle(d.listView) & 0x21u, 0x21u);
        int perPage = d.listView.GetCountPerPage();
        EXPECT_GE(perPage, 1);
        EXPECT_TRUE(d.listView.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
        EXPECT_EQ(ListView_GetItemState(d.listView, 0, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
        d.listView.SetIconSpacing(350, 0);
        DWORD spacing = static_cast<DWORD>(::SendMessageA(d.listView, LVM_GETITEMSPACING, FALSE, 0));
        EXPECT_EQ(LOWORD(spacing), 350);

        EXPECT_EQ(d.tab.InsertItem(0, "Printer Model"), 0);
        EXPECT_EQ(TabCtrl_GetItemCount(d.tab), 1);

        HICON first = LoadIconA(nullptr, IDI_APPLICATION);
        HICON second = LoadIconA(nullptr, IDI_HAND);
        d.icon.SetIcon(first);
        EXPECT_EQ(StaticImage(d.icon, IMAGE_ICON), first);
        EXPECT_EQ(d.icon.SetIcon(second), first);  // the previous image comes back
        HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
        d.icon.SetCursor(arrow);
        EXPECT_EQ(StaticImage(d.icon, IMAGE_CURSOR), arrow);
        d.icon.SetCursor(nullptr);  // a null image clears the control
        EXPECT_EQ(StaticImage(d.icon, IMAGE_CURSOR), nullptr);
        s.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST(Controls, GetDlgItemGivesTheBoundObjectOrOneStableWrapper) {
    ControlsDialog dlg;
    dlg.bindEdit = true;
    dlg.steps = {[](ScriptedDialog& s) {
        ControlsDialog& d = static_cast<ControlsDialog&>(s);
        EXPECT_EQ(d.GetDlgItem(IDC_EDIT), &d.edit);
        EXPECT_EQ(d.GetDlgItem(IDC_LIST), &d.list);
        CWnd* ok = d.GetDlgItem(IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(d.GetDlgItem(IDOK), ok);
        EXPECT_EQ(CWnd::FromHandle(ok->m_hWnd), nullptr);  // a wrapper does not attach
        ok->EnableWindow(FALSE);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d.m_hWnd, IDOK)));
        ok->EnableWindow(TRUE);
        EXPECT_EQ(d.GetDlgItem(4711), nullptr);
        s.EndDialog(1);
    }};
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST(Font, PointFontHeightFollowsTheScreenResolution) {
    EXPECT_EQ(CFont::PointSizeToHeight(140, 96), -18);
    EXPECT_EQ(CFont::PointSizeToHeight(80, 96), -10);
    EXPECT_EQ(CFont::PointSizeToHeight(140, 120), -23);
    EXPECT_EQ(CFont::PointSizeToHeight(-140, 96), -18);

    CFont font;
    ASSERT_TRUE(font.CreatePointFont(140, "Arial"));
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(lf.lfHeight, CFont::PointSizeToHeight(140, dpi));
    EXPECT_STREQ(lf.lfFaceName, "Arial");

    HFONT first = font;
    ASSERT_TRUE(font.CreatePointFont(80, "Tahoma"));  // replaces and frees the first one
    EXPECT_NE(static_cast<HFONT>(font), nullptr);
    EXPECT_EQ(GetObjectA(first, sizeof lf, &lf), 0);
}

class MenuOwner : public CWnd {
public:
    std::vector<UINT> commands;
protected:
    void OnOpen() { commands.push_back(101); }
    void OnExit() { commands.push_back(104); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MenuOwner, CWnd)
    ON_COMMAND(101, &MenuOwner::OnOpen)
    ON_COMMAND(104, &MenuOwner::OnExit)
END_MESSAGE_MAP()

TEST(Menu, DefaultItemAndTrackingDeliverTheCommandToTheOwner) {
    HMENU handle = nullptr;
    {
        CMenu menu;
        EXPECT_FALSE(menu.AppendMenu(MF_STRING, 1, "before creation"));
        ASSERT_TRUE(menu.CreatePopupMenu());
        handle = menu;
        ASSERT_TRUE(menu.AppendMenu(MF_STRING, 101, "ZYK LXD 455 Sentinel Status Monitor"));
        ASSERT_TRUE(menu.AppendMenu(MF_STRING, 104, "Exit"));
        EXPECT_EQ(::GetMenuItemCount(menu), 2);
        EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
        ASSERT_TRUE(menu.SetDefaultItem(101));
        EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, 0), 101u);
        EXPECT_EQ(::GetMenuDefaultItem(menu, TRUE, 0), 0u);  // by position: the first item
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoA(menu, 101, FALSE, &info));
        EXPECT_TRUE(info.fState & MFS_DEFAULT);

        MenuOwner owner;
        ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        // Another thread picks the first item of the menu once it is up.
        std::thread picker([] {
            for (int i = 0; i < 200; ++i) {
                HWND popup = FindWindowA("#32768", nullptr);
                if (popup && IsWindowVisible(popup)) {
                    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
                    PostMessageA(popup, WM_KEYUP, VK_DOWN, 0);
                    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
                    PostMessageA(popup, WM_KEYUP, VK_RETURN, 0);
                    return;
                }
                Sleep(25);
            }
        });
        owner.SetForegroundWindow();
        EXPECT_TRUE(menu.TrackPopupMenu(TPM_RIGHTBUTTON, 100, 100, &owner));
        picker.join();
        owner.PostMessage(WM_NULL);
        PumpUntil([&] { return !owner.commands.empty(); }, 3000);
        EXPECT_EQ(owner.commands, std::vector<UINT>{101});
        EXPECT_FALSE(menu.TrackPopupMenu(TPM_RIGHTBUTTON, 0, 0, nullptr));
    }
    EXPECT_FALSE(IsMenu(handle));  // destroyed with the object
}

struct ThreadContext {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> stage{0};
    ~ThreadContext() { CloseHandle(go); }
};

UINT WaitingThread(LPVOID p) {
    ThreadContext* ctx = static_cast<ThreadContext*>(p);
    ctx->stage = 1;
    WaitForSingleObject(ctx->go, 10000);
    ctx->stage = 2;
    return 7;
}

TEST(Thread, RunsCanBeJoinedAndDeletedAfterItEnded) {
    ThreadContext ctx;
    std::unique_ptr<CWinThread> thread(AfxBeginThread(&WaitingThread, &ctx));
    ASSERT_TRUE(thread);
    ASSERT_NE(thread->m_hThread, nullptr);
    EXPECT_NE(thread->m_nThreadID, 0u);
    EXPECT_EQ(GetThreadPriority(thread->m_hThread), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(thread->Join(100), static_cast<DWORD>(WAIT_TIMEOUT));  // waits on its event
    EXPECT_EQ(ExitCodeOf(thread->m_hThread), static_cast<DWORD>(STILL_ACTIVE));
    SetEvent(ctx.go);  // stopped through what it waits on, not by termination
    EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(ctx.stage.load(), 2);
    EXPECT_EQ(ExitCodeOf(thread->m_hThread), 7u);
    thread.reset();
}

TEST(Thread, ObjectMayBeDeletedWhileTheThreadStillRuns) {
    ThreadContext ctx;
    CWinThread* thread = AfxBeginThread(&WaitingThread, &ctx, THREAD_PRIORITY_BELOW_NORMAL);
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 2000 && ctx.stage.load() == 0; ++i) Sleep(5);
    EXPECT_EQ(ctx.stage.load(), 1);
    EXPECT_EQ(GetThreadPriority(thread->m_hThread), THREAD_PRIORITY_BELOW_NORMAL);
    delete thread;
    SetEvent(ctx.go);
    for (int i = 0; i < 2000 && ctx.stage.load() != 2; ++i) Sleep(5);
    EXPECT_EQ(ctx.stage.load(), 2);
    EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

}  // namespace
