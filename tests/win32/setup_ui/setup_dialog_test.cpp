// The installer's main dialog as its initialisation leaves it, in process.
#include "setup/SetupDlg.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

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

}  // namespace
