// A filled-in test dialog, captured from the screen into $PW_OUT so that one
// can look at what the framework's dialogs show.
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Writes the screen area of the window as a 24-bit BMP file; false on failure.
bool CaptureWindow(HWND hWnd, const std::string& path) {
    RECT rc{};
    if (!GetWindowRect(hWnd, &rc)) return false;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    pw::unique_hbitmap bmp(CreateCompatibleBitmap(screen, w, h));
    HGDIOBJ old = SelectObject(mem, bmp.get());
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    int lines = GetDIBits(mem, bmp.get(), 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (lines != h) return false;

    BITMAPFILEHEADER bfh{};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&bfh, sizeof bfh, 1, f) == 1 && std::fwrite(&bih, sizeof bih, 1, f) == 1 &&
              std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

class ShowcaseDialog : public ScriptedDialog {
public:
    CListBox list;
    CListCtrl listView;
    CTabCtrl tab;
    CStatic icon;
    CImageList images;
    CFont titleFont;
protected:
    void DoDataExchange(CDataExchange* pDX) override {
        ScriptedDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_LIST, list);
        DDX_Control(pDX, IDC_LISTVIEW, listView);
        DDX_Control(pDX, IDC_TAB, tab);
        DDX_Control(pDX, IDC_ICON_STATIC, icon);
    }
    BOOL OnInitDialog() override {
        ScriptedDialog::OnInitDialog();
        SetWindowText("Framework Test \x96 Showcase");
        list.InsertString(0, "LPT1: (Printer Port)");
        list.InsertString(1, "COM1: (Local Port)");
        list.SetCurSel(0);
        images.Create(IDB_MODEL, 0, 32, RGB(255, 255, 255));
        listView.SetImageList(&images, LVSIL_NORMAL);
        images.Detach();  // the list view destroys it (no LVS_SHAREIMAGELISTS)
        listView.InsertItem(0, "ZYK LXD 455", 0);
        tab.InsertItem(0, "Printer Model");
        icon.SetIcon(LoadIconA(nullptr, IDI_INFORMATION));
        titleFont.CreatePointFont(140, "Arial");
        GetDlgItem(IDC_STATIC_TEXT)->SetFont(&titleFont);
        GetDlgItem(IDC_STATIC_TEXT)->SetWindowText("Ready");
        return TRUE;
    }
};

TEST(Screenshot, ShowcaseDialogIsCapturedToTheOutputFolder) {
    const char* out = std::getenv("PW_OUT");
    std::string path = std::string(out && *out ? out : ".") + "/framework_dialog.bmp";
    ShowcaseDialog dlg;
    dlg.text = "Searching the printer...";
    bool captured = false;
    dlg.steps = {[](ScriptedDialog&) {},  // let it paint
                 [](ScriptedDialog&) {},
                 [&](ScriptedDialog& d) {
        d.UpdateWindow();
        captured = CaptureWindow(d.m_hWnd, path);
        d.EndDialog(1);
                 }};
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_TRUE(captured) << path;
}

}  // namespace
