// The installer's main dialog as its initialisation leaves it, and the
// please-wait window around an installation, in process.
#include "setup/SetupDlg.h"

#include "catalogue/Catalogue.h"
#include "framework/Wnd.h"
#include "setup/PleaseWait.h"
#include "setup/core/SetupTexts.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

class SetupDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
    }
};

// The model picture's image list has one owner. The template's list view has no
// LVS_SHAREIMAGELISTS, so it destroys its image list when it is destroyed;
// the dialog must then no longer hold the list itself, or the list is destroyed
// a second time with the dialog object.
TEST_F(SetupDialog, ModelPictureIsOwnedByTheListViewAlone) {
    CSetupDlg dlg;
    ASSERT_TRUE(dlg.Create(CSetupDlg::IDD));
    HWND list = ::GetDlgItem(dlg.m_hWnd, IDC_LIST);
    ASSERT_TRUE(list);
    EXPECT_EQ(::GetWindowLongA(list, GWL_STYLE) & LVS_SHAREIMAGELISTS, 0);

    const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    ASSERT_TRUE(images);
    EXPECT_EQ(ImageList_GetImageCount(images), 1);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
    EXPECT_EQ(cx, 96);
    EXPECT_EQ(cy, 96);
    EXPECT_EQ(dlg.m_imageList.GetSafeHandle(), nullptr) << "the dialog still owns the list view's image list";

    // The one item shows the picture under the model's name.
    char text[128] = {};
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, catalogue::ModelName);
    EXPECT_EQ(item.iImage, 0);
    dlg.DestroyWindow();
}

// Watches the thread's top-level dialog creations: the please-wait window's
// handle, how many were created, and whether the wait cursor was on when it was.
// (The system creates top-level helper windows of its own, which are not counted.)
class PleaseWaitWindow : public ::testing::Test {
protected:
    void SetUp() override {
        s_window = nullptr;
        s_created = 0;
        s_cursorAtCreation = -1;
        m_hook = SetWindowsHookExA(WH_CBT, &Watch, nullptr, GetCurrentThreadId());
        ASSERT_TRUE(m_hook);
        m_wait = LoadCursorA(nullptr, IDC_WAIT);
    }
    void TearDown() override { UnhookWindowsHookEx(m_hook); }

    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
            char className[16] = {};
            GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
            if (!(cs->style & WS_CHILD) && std::string(className) == "#32770") {
                ++s_created;
                s_window = reinterpret_cast<HWND>(wParam);
                s_cursorAtCreation = AfxGetWaitCursorCount();
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static std::string Caption(HWND window) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    static inline HWND s_window = nullptr;
    static inline int s_created = 0;
    static inline int s_cursorAtCreation = -1;
    HHOOK m_hook = nullptr;
    HCURSOR m_wait = nullptr;
};

// The USB arrival's order: the wait cursor first, then the window.
TEST_F(PleaseWaitWindow, ShownAloneTheCursorComesBeforeTheWindow) {
    HWND window = nullptr;
    {
        setup::ui::PleaseWait pleaseWait;
        EXPECT_EQ(s_created, 0) << "nothing is on screen before Show";
        pleaseWait.Show();
        window = s_window;
        ASSERT_TRUE(window);
        EXPECT_EQ(s_created, 1);
        EXPECT_EQ(s_cursorAtCreation, 1) << "the window was created before the wait cursor";
        EXPECT_EQ(Caption(window), setup::core::kCaption);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(GetParent(window), nullptr);
        EXPECT_EQ(AfxGetWaitCursorCount(), 1);
        EXPECT_EQ(GetCursor(), m_wait);

        pleaseWait.Hide();
        EXPECT_TRUE(IsWindow(window)) << "hiding keeps the window until the object goes";
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(AfxGetWaitCursorCount(), 0);
        EXPECT_NE(GetCursor(), m_wait) << "the result message must not get the wait cursor";
    }
    EXPECT_FALSE(IsWindow(window));
}

// The port selection's order: the window first, then the wait cursor, and
// Show does not create a second window.
TEST_F(PleaseWaitWindow, CreatedFirstTheWindowComesBeforeTheCursor) {
    setup::ui::PleaseWait pleaseWait;
    pleaseWait.Create();
    HWND window = s_window;
    ASSERT_TRUE(window);
    EXPECT_EQ(s_cursorAtCreation, 0);
    EXPECT_TRUE(IsWindowVisible(window)) << "the template makes the window visible on creation";
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);

    pleaseWait.Show();
    EXPECT_EQ(s_created, 1);
    EXPECT_EQ(s_window, window);
    EXPECT_EQ(AfxGetWaitCursorCount(), 1);
    pleaseWait.Hide();
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
    EXPECT_FALSE(IsWindowVisible(window));
}

// An installation that leaves its handler early still gives back the cursor
// and the window.
TEST_F(PleaseWaitWindow, LeftWithoutHidingEndsTheCursorAndTheWindow) {
    HWND window = nullptr;
    {
        setup::ui::PleaseWait pleaseWait;
        pleaseWait.Show();
        window = s_window;
        ASSERT_TRUE(window);
    }
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
