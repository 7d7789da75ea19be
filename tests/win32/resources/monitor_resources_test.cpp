// The monitor's resources as linked into a program: the status window's
// template, its icons, bitmap, animated cursors, the driver image, the
// manifest and the version information.
#include "MonitorResource.h"
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

const ExpectedDialog& StatusWindow() {
    static const ExpectedDialog d{
        IDD_PAGEWARDEN_DIALOG,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_CENTER,
        WS_EX_APPWINDOW,
        "ZYK LXD 530 - Status Monitor",
        257,
        146,
        {
            {-1, "Button", "", kChild | BS_GROUPBOX, {79, 31, 170, 51}},
            {IDC_PRINTER_PICTURE, "Static", "#152", kChild | SS_BITMAP, {6, 33, 68, 46}},
            {IDC_STATUS_ANIM, "Static", "", kChild | SS_ICON, {26, 7, 20, 20}},
            {IDC_MESSAGE, "Static", "Error Message...", kChild | SS_LEFT | WS_GROUP, {83, 36, 164, 44}},
            {IDC_OK_BUTTON, "Button", "Ok", kChild | BS_PUSHBUTTON | WS_TABSTOP, {194, 123, 55, 16}},
            {-1, "Button", "", kChild | BS_GROUPBOX, {6, 31, 68, 51}},
            {-1, "Button", " Tip of the day ", kChild | BS_GROUPBOX, {6, 88, 179, 51}},
            {IDC_TIP, "Static", "Printing Tips...", kChild | SS_LEFT | WS_GROUP, {14, 100, 164, 33}},
            {IDC_TITLE, "Static", "Searching...", kChild | SS_LEFT | WS_GROUP, {82, 11, 161, 18}},
            {IDC_VERSION, "Static", "Ver 2.XX (9W)", kChild | SS_CENTER | SS_CENTERIMAGE, {194, 102, 53, 9}},
        }};
    return d;
}

HCURSOR AnimatedCursor(int id) {
    auto bits = restest::ResourceBytes("ANICURSORS", MAKEINTRESOURCEA(id));
    if (!bits) return nullptr;
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResource(bits->data(), static_cast<DWORD>(bits->size()), FALSE, 0x00030000));
}

// Pixels of one animation step drawn on white.
std::string DrawStep(HCURSOR cursor, UINT step) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    std::string pixels;
    if (DrawIconEx(dc, 0, 0, cursor, 32, 32, step, nullptr, DI_NORMAL)) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                pixels.append(reinterpret_cast<const char*>(&c), 3);
            }
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return pixels;
}

TEST(MonitorResources, StatusWindowTemplateIsAsTabled) { restest::ExpectTemplateMatches(StatusWindow()); }

TEST(MonitorResources, StatusWindowCreatesWithItsControls) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(StatusWindow()));
    ASSERT_TRUE(dlg);
    // No minimise or maximise box, not resizable.
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dlg.get(), GWL_STYLE));
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_monitor_102_template"));
}

// The window as the monitor fills it: 14-point Arial title, the attention
// animation and the longest texts it shows, to see that nothing is clipped.
TEST(MonitorResources, StatusWindowHoldsItsLongestTexts) {
    pw::unique_hwnd dlg(restest::CreateAndCheckDialog(StatusWindow()));
    ASSERT_TRUE(dlg);
    HDC dc = GetDC(dlg.get());
    const int height = -MulDiv(14, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dlg.get(), dc);
    pw::unique_hfont title(CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    SendDlgItemMessageA(dlg.get(), IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(title.get()), TRUE);
    SetDlgItemTextA(dlg.get(), IDC_TITLE, "Printer OFFLINE Error");
    SetDlgItemTextA(dlg.get(), IDC_MESSAGE,
                    "\"Pause Printing\" is selected in ZYK LXD 455 Sentinel driver.\n"
                    "Goto \"Printer and Faxes\" folder, right click and choose \"Resume Printing\"");
    SetDlgItemTextA(dlg.get(), IDC_TIP,
                    "Garbage printing indicates a faulty cable or loose connection. Switch OFF the printer, "
                    "disconnect and reconnect the cable in printer and computer.");
    SetDlgItemTextA(dlg.get(), IDC_VERSION, "Ver 2.01 (9W)");
    pw::unique_hcursor anim(AnimatedCursor(IDR_ANI_ATTENTION));
    ASSERT_TRUE(anim);
    SendDlgItemMessageA(dlg.get(), IDC_STATUS_ANIM, STM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(anim.get()));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(SendDlgItemMessageA(dlg.get(), IDC_STATUS_ANIM, STM_GETIMAGE, IMAGE_CURSOR, 0)),
              anim.get());

    // The longest tip, the paused message and the widest title are shown whole.
    for (int id : {IDC_TIP, IDC_MESSAGE, IDC_TITLE}) {
        std::string detail;
        EXPECT_TRUE(restest::TextFits(GetDlgItem(dlg.get(), id), &detail)) << "control " << id << ": " << detail;
    }

    EXPECT_TRUE(restest::ShowAndShoot(dlg.get(), "resources_monitor_102_filled"));
    SendDlgItemMessageA(dlg.get(), IDC_TITLE, WM_SETFONT, 0, FALSE);
}

TEST(MonitorResources, IconsHaveTheirSizes) {
    EXPECT_EQ(restest::IconGroupSizes(IDI_MAIN), (std::vector<int>{16, 32}));
    EXPECT_EQ(restest::IconGroupSizes(IDI_TRAY), (std::vector<int>{16, 32}));
    for (int id : {IDI_MAIN, IDI_TRAY})
        for (int size : {16, 32}) EXPECT_EQ(restest::LoadedIconSize(id, size), size) << "icon " << id;
    // The window's icon loads with LoadIcon as the program does.
    EXPECT_TRUE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN)));
}

TEST(MonitorResources, PrinterBitmapIs102By74TrueColour) {
    auto info = restest::LoadBitmapInfo(IDB_PRINTER);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 102);
    EXPECT_EQ(info->height, 74);
    EXPECT_EQ(info->bitsPerPixel, 24);
}

TEST(MonitorResources, AnimatedCursorsLoadAndAnimate) {
    for (int id : {IDR_ANI_ATTENTION, IDR_ANI_READY}) {
        SCOPED_TRACE("cursor " + std::to_string(id));
        auto bits = restest::ResourceBytes("ANICURSORS", MAKEINTRESOURCEA(id));
        ASSERT_TRUE(bits);
        auto ani = restest::ParseAni(*bits);
        ASSERT_TRUE(ani) << "not a RIFF ACON";
        EXPECT_GE(ani->frames, 2u);
        EXPECT_EQ(ani->iconChunks, ani->frames);
        EXPECT_EQ(ani->steps, ani->frames);
        EXPECT_GT(ani->rate, 0u);
        EXPECT_EQ(ani->flags & 1u, 1u);  // frames are icon/cursor files

        pw::unique_hcursor cursor(AnimatedCursor(id));
        ASSERT_TRUE(cursor);
        ICONINFO ii{};
        ASSERT_TRUE(GetIconInfo(cursor.get(), &ii));
        pw::unique_hbitmap colour(ii.hbmColor), mask(ii.hbmMask);
        EXPECT_FALSE(ii.fIcon);
        EXPECT_EQ(ii.xHotspot, 16u);
        EXPECT_EQ(ii.yHotspot, 16u);
        BITMAP bm{};
        ASSERT_TRUE(colour && GetObjectA(colour.get(), sizeof bm, &bm));
        EXPECT_EQ(bm.bmWidth, 32);
        EXPECT_EQ(bm.bmHeight, 32);

        // Frame 0 draws something and frame 1 differs from it.
        const std::string first = DrawStep(cursor.get(), 0);
        const std::string second = DrawStep(cursor.get(), 1);
        ASSERT_EQ(first.size(), 32u * 32u * 3u);
        EXPECT_NE(first, std::string(first.size(), '\xff')) << "frame 0 is blank";
        EXPECT_NE(first, second) << "the animation does not change";
    }
    // A missing id finds no resource (the window then clears the animation).
    EXPECT_FALSE(restest::ResourceBytes("ANICURSORS", MAKEINTRESOURCEA(167)));
}

TEST(MonitorResources, DriverImageIsTheBuiltDriver) {
    // The monitor looks the image up as type "bin"; resource type names match case-insensitively.
    auto image = restest::ResourceBytes("bin", MAKEINTRESOURCEA(IDR_HWINTERFACE));
    ASSERT_TRUE(image);
    std::string built;
    ASSERT_TRUE(bench::ReadFileText(bench::UnixToWindows(PW_HWINTERFACE_IMAGE), built));
    EXPECT_TRUE(std::string(image->begin(), image->end()) == built)
        << "BIN 164 (" << image->size() << " bytes) is not " << PW_HWINTERFACE_IMAGE << " (" << built.size() << ")";
#ifdef PW_HWINTERFACE_IS_DRIVER
    ASSERT_GE(image->size(), 2u);
    EXPECT_EQ((*image)[0], 'M');
    EXPECT_EQ((*image)[1], 'Z');
#endif
}

TEST(MonitorResources, ManifestAsksForNothingAndBindsCommonControls6) {
    auto bytes = restest::ResourceBytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));  // RT_MANIFEST 1
    ASSERT_TRUE(bytes);
    const std::string manifest(bytes->begin(), bytes->end());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Pagewarden\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"1.0.0.0\" processorArchitecture=\"X86\""), std::string::npos);
    EXPECT_NE(manifest.find("type=\"win32\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("publicKeyToken=\"6595b64144ccf1df\" language=\"*\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);

    // The loader honoured it: this process runs the common controls of the
    // side-by-side assembly, not the system directory's version 5.
    const std::string comctl = restest::LoadedCommonControlsPath();
    EXPECT_NE(comctl.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << comctl;
}

TEST(MonitorResources, VersionInformation) {
    EXPECT_EQ(restest::VersionString("FileDescription"), "Status Monitor Tool");
    EXPECT_EQ(restest::VersionString("CompanyName"), "ZYK Electronics");
    EXPECT_EQ(restest::VersionString("FileVersion"), "1.0.0.4");
    EXPECT_EQ(restest::VersionString("ProductVersion"), "1.0.0.1");
    EXPECT_EQ(restest::VersionString("InternalName"), "Pagewarden.exe");
    EXPECT_EQ(restest::VersionString("OriginalFilename"), "Pagewarden.exe");
    EXPECT_EQ(restest::FixedFileVersion(), "1.0.0.4");
    EXPECT_EQ(restest::FixedProductVersion(), "1.0.0.1");
}

}  // namespace
