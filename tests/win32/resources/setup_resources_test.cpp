// The installer's resources as linked into a program: the main dialog, the
// USB connection and port selection dialogs, the please-wait window, the
// icon and bitmaps, the manifest and the version information.
#include "SetupResource.h"
#include "ResourceChecks.h"

#include "common/Handles.h"
#include "testbed/Bench.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

using restest::ExpectedControl;
using restest::ExpectedDialog;

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kSetupStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
const char kCaption[] = "ZYKE Printer Driver - Setup";

inline void destroy_imagelist(HIMAGELIST h) { ImageList_Destroy(h); }
using unique_imagelist = pw::unique_any<HIMAGELIST, &destroy_imagelist>;

const ExpectedDialog& MainDialog() {
    static const ExpectedDialog d{
        IDD_SETUP_DIALOG,
        kSetupStyle,
        WS_EX_APPWINDOW,
        kCaption,
        304,
        210,
        {
            {IDC_LIST,
             "SysListView32",
             "",
             kChild | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSCROLL | LVS_ALIGNLEFT | WS_BORDER |
                 WS_TABSTOP,
             {27, 43, 250, 93}},
            {IDC_TAB, "SysTabControl32", "", kChild, {13, 16, 276, 132}},
            {IDOK, "Button", "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, {182, 184, 53, 16}},
            {IDCANCEL, "Button", "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, {240, 184, 53, 16}},
            {-1, "Static", "ZYK Electronics Limited\nwww.zyk-electronics.com", kChild | SS_CENTER, {60, 155, 182, 18}},
            {IDC_VERSION, "Static", "Version 2.XX (9W)", kChild | SS_LEFT | SS_CENTERIMAGE, {17, 184, 81, 16}},
        }};
    return d;
}

const ExpectedDialog& ConnectionDialog() {
    static const ExpectedDialog d{
        IDD_PRINTER_CONNECTION,
        kSetupStyle,
        WS_EX_APPWINDOW,
        kCaption,
        304,
        210,
        {
            {IDC_CONN_PICTURE, "Static", "#131", kChild | SS_BITMAP | SS_CENTERIMAGE, {8, 9, 286, 102}},
            {IDC_CONN_TEXT,
             "Static",
             "Please connect the printer to computer, then turn the printer ON. The utility will search "
             "the printer and automatically configure the USB port.",
             kChild | SS_LEFT,
             {35, 125, 233, 26}},
            {-1,
             "Static",
             "To configure the port manually, or if the printer is connected via parallel or serial "
             "interface, click Manual.",
             kChild | SS_LEFT,
             {35, 152, 233, 19}},
            {IDC_MANUAL, "Button", "Manual", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, {182, 184, 53, 16}},
            {IDC_CONN_CANCEL, "Button", "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, {240, 184, 53, 16}},
            {-1, "Static", "", kChild | SS_ETCHEDHORZ, {0, 118, 304, 1}},
        }};
    return d;
}

const ExpectedDialog& PortDialog() {
    static const ExpectedDialog d{
        IDD_PORT_SELECTION,
        kSetupStyle,
        WS_EX_APPWINDOW,
        kCaption,
        304,
        210,
        {
            {IDC_PORT_LIST,
             "ListBox",
             "",
             kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
             {43, 91, 217, 76}},
            {IDC_PORT_OK, "Button", "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, {182, 184, 53, 16}},
            {IDC_PORT_CANCEL, "Button", "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, {240, 184, 53, 16}},
            {-1,
             "Static",
             "Select the printer port from the Available Ports list, then click OK.",
             kChild | SS_LEFT,
             {43, 15, 217, 20}},
            {-1, "Static", "Current Port:", kChild | SS_LEFT, {43, 39, 217, 10}},
            {IDC_CURRENT_PORT, "Edit", "", kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, {43, 50, 217, 14}},
            {-1, "Static", "Available Ports:", kChild | SS_LEFT, {43, 79, 217, 10}},
        }};
    return d;
}

const ExpectedDialog& WaitWindow() {
    static const ExpectedDialog d{IDD_FILE_COPY,
                                  WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_CENTER,
                                  0,
                                  kCaption,
                                  225,
                                  78,
                                  {
                                      {IDC_WAIT_TEXT,
                                       "Static",
                                       "Now the printer will be installed ...\nPlease wait ...",
                                       kChild | SS_LEFT,
                                       {93, 30, 119, 18}},
                                      {-1, "Static", "#132", kChild | SS_BITMAP, {0, 0, 75, 77}},
                                      {-1, "Static", "", kChild | SS_ETCHEDVERT, {74, 0, 19, 78}},
                                  }};
    return d;
}

class SetupResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
    }
};

TEST_F(SetupResources, TemplatesAreAsTabled) {
    for (const ExpectedDialog* d : {&MainDialog(), &ConnectionDialog(), &PortDialog(), &WaitWindow()})
        restest::ExpectTemplateMatches(*d);
}

// The main dialog as the installer fills it: one tab, the model picture from
// bitmap 129 in an image list with white as its transparent colour, one item.
TEST_F(SetupResources, MainDialogShowsTheModelPicture) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(MainDialog()));
    ASSERT_TRUE(dlg);
    HWND tab = GetDlgItem(dlg.get(), IDC_TAB);
    HWND list = GetDlgItem(dlg.get(), IDC_LIST);
    // The list lies above the tab control, so the tab must not paint over it.
    EXPECT_TRUE(GetWindowLongA(tab, GWL_STYLE) & WS_CLIPSIBLINGS);

    TCITEMA tci{};
    tci.mask = TCIF_TEXT;
    tci.pszText = const_cast<char*>("Printer Model");
    EXPECT_EQ(SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tci)), 0);

    unique_imagelist images(ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MODEL), 0, 32,
                                                 RGB(255, 255, 255), IMAGE_BITMAP, 0));
    ASSERT_TRUE(images);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images.get(), &cx, &cy));
    EXPECT_EQ(cx, 96);
    EXPECT_EQ(cy, 96);
    EXPECT_EQ(ImageList_GetImageCount(images.get()), 1);

    // White is transparent: drawn on magenta, the corner shows magenta and the printer does not.
    {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 96, 96);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        pw::unique_hbrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
        RECT all{0, 0, 96, 96};
        FillRect(dc, &all, magenta.get());
        EXPECT_TRUE(ImageList_Draw(images.get(), 0, dc, 0, 0, ILD_TRANSPARENT));
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 255));
        EXPECT_EQ(GetPixel(dc, 95, 0), RGB(255, 0, 255));
        EXPECT_EQ(GetPixel(dc, 0, 95), RGB(255, 0, 255));
        int opaque = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) opaque += GetPixel(dc, x, y) != RGB(255, 0, 255);
        EXPECT_GT(opaque, 96 * 96 / 3) << "the picture is mostly transparent";
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }

    // The template's list view has no LVS_SHAREIMAGELISTS: it destroys its image
    // list with itself, so it becomes the list's only owner, as in the installer.
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_SHAREIMAGELISTS, 0);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images.get()));
    ASSERT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)), images.get());
    images.release();
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = const_cast<char*>("ZYK LXD 455 Sentinel");
    item.iImage = 0;
    EXPECT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, 0x21);
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_SETICONSPACING, 0, MAKELPARAM(350, 0));
    SetDlgItemTextA(dlg.get(), IDC_VERSION, "Version 2.01 (9W)");
    SetFocus(list);

    // The picture's item lies inside the list, below its top edge.
    RECT itemRect{};
    itemRect.left = LVIR_ICON;
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&itemRect)));
    RECT listClient{};
    GetClientRect(list, &listClient);
    EXPECT_GE(itemRect.top, 0);
    EXPECT_LE(itemRect.bottom, listClient.bottom);

    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_setup_102_main"));
}

TEST_F(SetupResources, ConnectionDialogShowsBothSteps) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(ConnectionDialog()));
    ASSERT_TRUE(dlg);
    // The picture fits its control, which centres it.
    RECT pic{};
    GetClientRect(GetDlgItem(dlg.get(), IDC_CONN_PICTURE), &pic);
    auto info = restest::LoadBitmapInfo(IDB_CONNECT);
    ASSERT_TRUE(info);
    EXPECT_LE(info->width, pic.right);
    EXPECT_LE(info->height, pic.bottom);
    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_setup_108_connection"));
}

TEST_F(SetupResources, PortDialogWithPorts) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(PortDialog()));
    ASSERT_TRUE(dlg);
    HWND list = GetDlgItem(dlg.get(), IDC_PORT_LIST);
    const char* ports[] = {"LPT1: (Printer Port)", "LPT2: (Printer Port)",  "LPT3: (Printer Port)",
                           "COM1: (Serial Port)",  "COM2: (Serial Port)",   "COM3: (Serial Port)",
                           "COM4: (Serial Port)",  "FILE: (Print to File)", "USB001 (Virtual printer port for USB)"};
    int index = 0;
    for (const char* p : ports) SendMessageA(list, LB_INSERTSTRING, index++, reinterpret_cast<LPARAM>(p));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SetDlgItemTextA(dlg.get(), IDC_CURRENT_PORT, "LPT1: (Printer Port)");
    // The edit is read-only: a typed character does not change it.
    HWND edit = GetDlgItem(dlg.get(), IDC_CURRENT_PORT);
    SendMessageA(edit, WM_CHAR, 'x', 0);
    EXPECT_EQ(bench::WindowText(edit), "LPT1: (Printer Port)");
    // Inserted at explicit positions, entries keep their order despite the sort style.
    char first[64] = {};
    SendMessageA(list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, "COM1: (Serial Port)");
    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_setup_109_ports"));
}

TEST_F(SetupResources, PleaseWaitWindowHasNoCloseBox) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(WaitWindow()));
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(GetWindowLongA(dlg.get(), GWL_STYLE) & WS_SYSMENU);
    // The picture fills the left part up to the separator.
    RECT pic{}, sep{};
    GetWindowRect(GetDlgItem(dlg.get(), 1), &pic);
    HWND picture = GetWindow(GetDlgItem(dlg.get(), IDC_WAIT_TEXT), GW_HWNDNEXT);
    HWND line = GetWindow(picture, GW_HWNDNEXT);
    ASSERT_TRUE(picture && line);
    GetWindowRect(picture, &pic);
    GetWindowRect(line, &sep);
    EXPECT_LE(pic.right, sep.left + 2) << "the picture runs under the separator";
    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_setup_130_wait"));
}

TEST_F(SetupResources, IconAndBitmapsHaveTheirSizes) {
    EXPECT_EQ(restest::IconGroupSizes(IDI_SETUP), (std::vector<int>{16, 32, 48}));
    for (int size : {16, 32, 48}) EXPECT_EQ(restest::LoadedIconSize(IDI_SETUP, size), size);

    struct {
        int id, width, height, bits;
    } bitmaps[] = {{IDB_MODEL, 96, 96, 8}, {IDB_CONNECT, 425, 160, 24}, {IDB_WAIT, 112, 125, 24}};
    for (const auto& b : bitmaps) {
        auto info = restest::LoadBitmapInfo(b.id);
        ASSERT_TRUE(info) << "bitmap " << b.id;
        EXPECT_EQ(info->width, b.width) << "bitmap " << b.id;
        EXPECT_EQ(info->height, b.height) << "bitmap " << b.id;
        EXPECT_EQ(info->bitsPerPixel, b.bits) << "bitmap " << b.id;
    }
}

TEST_F(SetupResources, ManifestRequiresAdministratorAndBindsCommonControls6) {
    auto bytes = restest::ResourceBytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_TRUE(bytes);
    const std::string manifest(bytes->begin(), bytes->end());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                            "processorArchitecture=\"X86\""),
              std::string::npos);
    EXPECT_EQ(manifest.find("asInvoker"), std::string::npos);

    const std::string comctl = restest::LoadedCommonControlsPath();
    EXPECT_NE(comctl.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << comctl;
}

TEST_F(SetupResources, VersionInformation) {
    EXPECT_EQ(restest::VersionString("FileDescription"), "ZYKE Printer Driver - Setup");
    EXPECT_EQ(restest::VersionString("CompanyName"), "ZYK Electronics");
    EXPECT_EQ(restest::VersionString("FileVersion"), "1.10.xxx");
    EXPECT_EQ(restest::VersionString("ProductVersion"), "1.10.xxx");
    EXPECT_EQ(restest::VersionString("InternalName"), "Setup.exe");
    EXPECT_EQ(restest::VersionString("OriginalFilename"), "Setup.exe");
    EXPECT_EQ(restest::FixedFileVersion(), "1.0.0.1");
    EXPECT_EQ(restest::FixedProductVersion(), "1.0.0.1");
}

}  // namespace
