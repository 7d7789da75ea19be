// The monitor's spooler and registry adapters against Wine's real spooler and
// registry, and the polling thread's stop and restart.
#include "monitor/MonitorPlatform.h"
#include "monitor/StatusPoller.h"

#include "QueueFixture.h"
#include "common/Handles.h"
#include "tests/win32/bench/Bench.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include <string>

using namespace monitor;

namespace {

pw::unique_printer OpenQueue(const std::string& name) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    OpenPrinterA(&n[0], printer.put(), &defaults);
    return printer;
}

TEST(SpoolerAdapters, PortRecordOfAQueue) {
    ASSERT_TRUE(fixture::AddUsbPort());
    ASSERT_TRUE(fixture::CreateQueue("Adapter Queue LPT", "LPT1:"));
    ASSERT_TRUE(fixture::CreateQueue("Adapter Queue USB", "USB001"));
    auto lpt = OpenQueue("Adapter Queue LPT");
    auto usb = OpenQueue("Adapter Queue USB");
    ASSERT_TRUE(lpt);
    ASSERT_TRUE(usb);
    std::string port;
    EXPECT_EQ(ReadQueuePort(lpt.get(), port), PortRecordResult::Ok);
    EXPECT_EQ(port, "LPT1:");
    EXPECT_EQ(ReadQueuePort(usb.get(), port), PortRecordResult::Ok);
    EXPECT_EQ(port, "USB001");
    EXPECT_EQ(ReadQueuePort(nullptr, port), PortRecordResult::ProbeFailed);
}

TEST(SpoolerAdapters, QueueQueryFailsCleanlyOnABadHandle) {
    QueueSnapshot snap;
    snap.printerStatus = 77;
    EXPECT_FALSE(QueryQueue(nullptr, snap));
    EXPECT_EQ(snap.printerStatus, 77);
}

TEST(RegistryAdapters, PublishedPortComparedWhole) {
    const std::string queue = "Published Port Queue";
    EXPECT_FALSE(PublishedPortDiffers(queue, "LPT1:"));   // no key: never a change
    ASSERT_TRUE(fixture::WritePublishedPort(queue, std::string("LPT1:\0\0", 7)));
    EXPECT_FALSE(PublishedPortDiffers(queue, "LPT1:"));
    EXPECT_TRUE(PublishedPortDiffers(queue, "USB001"));
    const std::string longPort = "IP_192.168.100.200_printserver_port";
    ASSERT_TRUE(fixture::WritePublishedPort(queue, longPort + std::string("\0\0", 2)));
    EXPECT_FALSE(PublishedPortDiffers(queue, longPort));
    ASSERT_TRUE(fixture::WritePublishedPort(queue, "USB001", REG_BINARY));   // no terminator
    EXPECT_FALSE(PublishedPortDiffers(queue, "USB001"));
    EXPECT_TRUE(PublishedPortDiffers(queue, "USB00"));
}

TEST(Resources, MissingAnimatedCursorIsNull) {
    EXPECT_EQ(LoadAnimatedCursor(GetModuleHandleA(nullptr), 165), nullptr);
}

// The size of an icon's image, from its mask (an icon without colour bitmap
// has a mask twice its height).
SIZE IconSize(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return {0, 0};
    pw::unique_hbitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bm = {};
    GetObjectA(mask.get(), sizeof bm, &bm);
    return {bm.bmWidth, colour ? bm.bmHeight : bm.bmHeight / 2};
}

TEST(Resources, TrayIconIsTheOwnersAloneAtTheSmallIconSize) {
    // The built monitor's own icon 1010, from the program mapped as an image
    // as it is when it runs (its entry point is not called): a data-file
    // mapping would not share its icons.
    pw::unique_hmodule exe(LoadLibraryExA(bench::UnixToWindows(PAGEWARDEN_EXE).c_str(), nullptr, 0));
    ASSERT_TRUE(exe) << GetLastError();
    pw::unique_hicon first = LoadTrayIcon(exe.get(), 1010);
    pw::unique_hicon second = LoadTrayIcon(exe.get(), 1010);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    // A shared icon is the same handle at every load: the owner's DestroyIcon
    // would then take it from everyone else who loaded it.
    EXPECT_NE(first.get(), second.get());
    HICON shared = LoadIconA(exe.get(), MAKEINTRESOURCEA(1010));
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(first.get(), shared);
    EXPECT_NE(second.get(), shared);
    const SIZE size = IconSize(first.get());
    EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYSMICON));
    first.reset();
    EXPECT_EQ(IconSize(second.get()).cx, GetSystemMetrics(SM_CXSMICON));   // the other copy lives on
    EXPECT_EQ(IconSize(shared).cx, GetSystemMetrics(SM_CXICON));
}

// A message-only window that counts the polls it receives.
struct PollSink {
    HWND hwnd = nullptr;
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
    PollSink() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PollSink";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "PollSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~PollSink() { DestroyWindow(hwnd); }
    int Drain() {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, hwnd, WM_STATUS_POLL, WM_STATUS_POLL, PM_REMOVE)) ++n;
        return n;
    }
};

TEST(Poller, PostsAtOnceAndThenPeriodically) {
    PollSink sink;
    StatusPoller poller;
    ASSERT_TRUE(poller.Start(sink.hwnd, 50));
    Sleep(20);
    EXPECT_EQ(sink.Drain(), 1);   // the first poll does not wait a period
    Sleep(500);
    int n = sink.Drain();
    EXPECT_GE(n, 5);
    EXPECT_LE(n, 12);
}

TEST(Poller, StopIsPromptAndNothingIsPostedAfterIt) {
    PollSink sink;
    StatusPoller poller;
    ASSERT_TRUE(poller.Start(sink.hwnd, 1000));
    Sleep(50);
    DWORD t0 = GetTickCount();
    poller.Stop();
    EXPECT_LT(GetTickCount() - t0, 500u);   // not waiting for the next wake-up
    EXPECT_FALSE(poller.Running());
    sink.Drain();
    Sleep(1200);
    EXPECT_EQ(sink.Drain(), 0);
}

TEST(Poller, RestartLeavesOnePollerPosting) {
    PollSink sink;
    StatusPoller poller;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(poller.Start(sink.hwnd, 100));
    sink.Drain();
    Sleep(1000);
    int n = sink.Drain();
    // One poller gives about 10 polls a second; two or more would give 20 or more.
    EXPECT_GE(n, 7);
    EXPECT_LE(n, 13);
}

}  // namespace
