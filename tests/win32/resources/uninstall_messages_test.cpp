// The uninstaller's message boxes as a user sees them, at the resolution the
// run asks for (PW_LOG_PIXELS; ctest runs it at 96 and at 120 dpi): each box
// on the screen, and its text and its buttons' texts whole in the message
// font. Driven through the built Uninstall.exe, copied into the prefix first
// (it schedules its own image for deletion): nothing installed, then a
// leftover start at logon, which it asks about, removes and reports.
#include "ResourceChecks.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "testbed/Bench.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A text's size drawn as the box draws it: in the message font, word-wrapped
// within `width` (single-line for buttons).
SIZE Measure(const std::string& text, int width, bool wrap) {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    pw::unique_hfont font(CreateFontIndirectA(&metrics.lfMessageFont));
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.get());
    RECT need{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {need.right, need.bottom};
}

void ExpectWhole(HWND box, const std::string& shot) {
    SCOPED_TRACE(shot);
    RECT frame{};
    GetWindowRect(box, &frame);
    EXPECT_TRUE(frame.left >= 0 && frame.top >= 0 && frame.right <= GetSystemMetrics(SM_CXSCREEN) &&
                frame.bottom <= GetSystemMetrics(SM_CYSCREEN));
    RECT client{};
    GetClientRect(box, &client);
    bool sawText = false;
    for (HWND c : bench::ChildWindows(box)) {
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        const std::string text = bench::WindowText(c);
        SCOPED_TRACE("\"" + text + "\"");
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom);
        const std::string cls = bench::ClassName(c);
        if (cls == "Static" && bench::ControlId(c) == 0xFFFF) {
            sawText = true;
            const SIZE need = Measure(text, r.right - r.left, true);
            EXPECT_LE(need.cx, r.right - r.left);
            EXPECT_LE(need.cy, r.bottom - r.top);
        } else if (cls == "Button" && !text.empty()) {
            const SIZE need = Measure(text, 0, false);
            EXPECT_LE(need.cx + 2 * GetSystemMetrics(SM_CXEDGE), r.right - r.left);
            EXPECT_LE(need.cy, r.bottom - r.top);
        }
    }
    EXPECT_TRUE(sawText);
    const int dpi = restest::ScreenDpi();
    bench::Screenshot(dpi == 96 ? shot : shot + "_" + std::to_string(dpi) + "dpi");
}

// The next message box of the uninstaller, checked and answered.
bool CheckAndAnswer(const bench::Process& uninstaller, const std::string& shot, int answer) {
    // Whatever its caption: the visible dialog of that process holding a message box's text.
    HWND box = nullptr;
    bench::WaitUntil(
        [&] {
        for (HWND h : bench::FindTopWindows({"#32770", "", uninstaller.Id(), true}))
            if (GetDlgItem(h, 0xFFFF)) box = h;
        return box != nullptr;
        },
        30000);
    if (!box) return false;
    ExpectWhole(box, shot);
    return bench::AnswerMessageBox(box, answer);
}

TEST(UninstallMessages, AreWholeOnTheScreen) {
    EXPECT_EQ(restest::ScreenDpi(), restest::AskedDpi());
    const std::string exe = bench::PrefixPath("uninstall_probe\\Uninstall.exe");
    ASSERT_TRUE(bench::CopyFileTo(bench::UnixToWindows(UNINSTALL_EXE), exe));

    {  // Nothing installed: it says so.
        bench::Process run = bench::Process::Start(exe);
        ASSERT_TRUE(run) << run.StartError();
        EXPECT_TRUE(CheckAndAnswer(run, "uninstall_message_nothing_left", IDOK));
        EXPECT_TRUE(run.WaitExit(30000));
    }
    {  // A leftover start at logon: the question, Yes, and the closing message.
        const std::string value = std::string("ZYKE") + catalogue::ModelKey;
        ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, kRunKey, value, "C:\\none.exe"));
        bench::Process run = bench::Process::Start(exe);
        ASSERT_TRUE(run) << run.StartError();
        EXPECT_TRUE(CheckAndAnswer(run, "uninstall_message_question", IDYES));
        EXPECT_TRUE(CheckAndAnswer(run, "uninstall_message_done", IDOK));
        EXPECT_TRUE(run.WaitExit(30000));
        EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, value));
    }
}

}  // namespace
