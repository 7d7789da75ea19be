// The monitor's spooler and registry adapters against Wine's real spooler and
// registry, the polling thread's stop and restart, and the tray icon's window.
#include "monitor/MonitorPlatform.h"
#include "monitor/PollThread.h"
#include "monitor/SysTray.h"

#include "common/Handles.h"
#include "contract/Programs.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

using namespace monitor;

namespace {

// The application object gives the tray its main window (AfxGetMainWnd).
class PlatformTestApp : public CWinApp {
} theApp;

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
    EXPECT_EQ(QueryQueue(nullptr, snap), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));  // the error is kept
    EXPECT_EQ(snap.printerStatus, 77);
}

TEST(RegistryAdapters, PublishedPortComparedWhole) {
    const std::string queue = "Published Port Queue";
    EXPECT_FALSE(PublishedPortDiffers(queue, "LPT1:"));  // no key: never a change
    ASSERT_TRUE(fixture::WritePublishedPort(queue, std::string("LPT1:\0\0", 7)));
    EXPECT_FALSE(PublishedPortDiffers(queue, "LPT1:"));
    EXPECT_TRUE(PublishedPortDiffers(queue, "USB001"));
    const std::string longPort = "IP_192.168.100.200_printserver_port";
    ASSERT_TRUE(fixture::WritePublishedPort(queue, longPort + std::string("\0\0", 2)));
    EXPECT_FALSE(PublishedPortDiffers(queue, longPort));
    ASSERT_TRUE(fixture::WritePublishedPort(queue, "USB001", REG_BINARY));  // no terminator
    EXPECT_FALSE(PublishedPortDiffers(queue, "USB001"));
    EXPECT_TRUE(PublishedPortDiffers(queue, "USB00"));
}

TEST(Resources, MissingAnimatedCursorIsNull) { EXPECT_EQ(LoadAnimatedCursor(GetModuleHandleA(nullptr), 165), nullptr); }

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
    EXPECT_EQ(IconSize(second.get()).cx, GetSystemMetrics(SM_CXSMICON));  // the other copy lives on
    EXPECT_EQ(IconSize(shared).cx, GetSystemMetrics(SM_CXICON));
}

// A message-only window that counts the polls it receives, and takes each
// as the status window does, so that the poller posts the next.
struct PollSink {
    HWND hwnd = nullptr;
    PollThreadParams* params = nullptr;
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
        while (PeekMessageA(&msg, hwnd, WM_STATUS_POLL, WM_STATUS_POLL, PM_REMOVE)) {
            PollTaken(params);
            ++n;
        }
        return n;
    }
};

// The polling state as the status window holds it: the stop flag, the
// parameter block pointing at it and the running thread.
struct Polling {
    PollStopFlagType PollStopFlag{0};
    std::unique_ptr<PollThreadParams> m_pPollParams;
    std::unique_ptr<CWinThread> PollThread;
    Polling(PollSink& sink, DWORD periodMs) : m_pPollParams(NewPollThreadParams(PollStopFlag)) {
        sink.params = m_pPollParams.get();
        if (m_pPollParams) {
            m_pPollParams->hWnd = sink.hwnd;
            m_pPollParams->periodMs = periodMs;
        }
    }
    ~Polling() { StopPollThread(PollThread, m_pPollParams.get()); }
    bool Start() { return StartPollThread(PollThread, m_pPollParams.get()); }
    void Stop() { StopPollThread(PollThread, m_pPollParams.get()); }
};

// The thread of the running poller, for telling afterwards whether it has
// ended (the poller's own handle goes with its object).
pw::unique_handle ThreadOf(const Polling& polling) {
    pw::unique_handle copy;
    if (polling.PollThread)
        DuplicateHandle(GetCurrentProcess(), polling.PollThread->m_hThread, GetCurrentProcess(), copy.put(),
                        SYNCHRONIZE, FALSE, 0);
    return copy;
}
bool Ended(const pw::unique_handle& thread) { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }

// Waits (at most 20 s) until the sink has received `count` polls in all.
bool WaitPolls(PollSink& sink, int& received, int count) {
    return bench::WaitUntil([&] { return (received += sink.Drain()) >= count; }, 20000, 5);
}

constexpr DWORD kLongPeriodMs = 10 * 60 * 1000;  // never reached by these tests

TEST(Poller, PostsAtOnceAndThenPeriodically) {
    {
        // The first poll does not wait a period, and the thread then waits:
        // joined, it has posted exactly that one.
        PollSink sink;
        Polling polling(sink, kLongPeriodMs);
        ASSERT_TRUE(polling.m_pPollParams);
        EXPECT_EQ(polling.m_pPollParams->pStopFlag, &polling.PollStopFlag);
        ASSERT_TRUE(polling.Start());
        int received = 0;
        ASSERT_TRUE(WaitPolls(sink, received, 1));
        polling.Stop();
        EXPECT_EQ(received + sink.Drain(), 1);
    }
    // With a short period it goes on posting.
    PollSink sink;
    Polling polling(sink, 20);
    ASSERT_TRUE(polling.Start());
    int received = 0;
    EXPECT_TRUE(WaitPolls(sink, received, 6)) << received;
}

TEST(Poller, StopIsPromptAndNothingIsPostedAfterIt) {
    PollSink sink;
    Polling polling(sink, kLongPeriodMs);
    ASSERT_TRUE(polling.Start());
    int received = 0;
    ASSERT_TRUE(WaitPolls(sink, received, 1));  // the thread is at its wait
    pw::unique_handle thread = ThreadOf(polling);
    ASSERT_TRUE(thread);
    // Prompt: it does not wait for the next wake-up, ten minutes away (the
    // test gives up long before; the stop then finishes in the destructor).
    struct Stopper {
        static DWORD WINAPI Run(LPVOID p) {
            static_cast<Polling*>(p)->Stop();
            return 0;
        }
    };
    pw::unique_handle stopper(CreateThread(nullptr, 0, &Stopper::Run, &polling, 0, nullptr));
    ASSERT_TRUE(stopper);
    ASSERT_EQ(WaitForSingleObject(stopper.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(polling.PollThread, nullptr);     // refers only to a running thread
    EXPECT_EQ(polling.PollStopFlag.load(), 0);  // the thread acknowledged the stop
    // Its thread has ended, so what it posted is all in the queue: the one poll.
    EXPECT_TRUE(Ended(thread));
    EXPECT_EQ(received + sink.Drain(), 1);
}

TEST(Poller, RestartLeavesOnePollerPosting) {
    // Every start ends the thread before it; the last one runs and posts.
    PollSink sink;
    Polling polling(sink, 20);
    std::vector<pw::unique_handle> threads;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(polling.Start());
        threads.push_back(ThreadOf(polling));
        ASSERT_TRUE(threads.back());
    }
    for (int i = 0; i + 1 < 20; ++i) EXPECT_TRUE(Ended(threads[i])) << "thread " << i;
    EXPECT_FALSE(Ended(threads.back()));
    sink.Drain();
    int received = 0;
    EXPECT_TRUE(WaitPolls(sink, received, 5)) << received;
}

TEST(Poller, ThreadStartedAfterAStopKeepsPosting) {
    // The parameter block and its wake event live for the whole run: the
    // stop's signal must not end the next thread after its first post (as when
    // the user opens the window, or the port changes, after a failed restart).
    PollSink sink;
    Polling polling(sink, 20);
    ASSERT_TRUE(polling.Start());
    int received = 0;
    ASSERT_TRUE(WaitPolls(sink, received, 1));
    polling.Stop();
    ASSERT_TRUE(polling.Start());
    sink.Drain();
    received = 0;
    EXPECT_TRUE(WaitPolls(sink, received, 5)) << received;
    ASSERT_NE(polling.PollThread, nullptr);
    DWORD exitCode = 0;
    GetExitCodeThread(polling.PollThread->m_hThread, &exitCode);
    EXPECT_EQ(exitCode, static_cast<DWORD>(STILL_ACTIVE));
}

// The status window's stand-in: records the commands the tray sends it.
class TrayOwner : public CWnd {
public:
    std::vector<int> commands;
protected:
    void OnOpen() { commands.push_back(contract::kMonitorOpenCommand); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TrayOwner, CWnd)
    ON_COMMAND(contract::kMonitorOpenCommand, &TrayOwner::OnOpen)
END_MESSAGE_MAP()

TEST(Tray, NamedCSysTrayAndItsMessagesPassThroughWindowProc) {
    TrayOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    theApp.m_pMainWnd = &owner;

    CSysTray tray;
    EXPECT_EQ(tray.Create(CSysTray::kCallbackMessage, "ZYK-E Status Monitor Utility",
                          LoadIconA(nullptr, IDI_APPLICATION)),
              0);
    ASSERT_NE(tray.m_hWnd, nullptr);

    // The object behind the owner window, found from the window alone.
    CWnd* found = CWnd::FromHandle(tray.m_hWnd);
    ASSERT_EQ(found, &tray);
    EXPECT_STREQ(found->GetRuntimeClass()->m_lpszClassName, "CSysTray");
    EXPECT_TRUE(found->IsKindOf(RUNTIME_CLASS(CSysTray)));
    EXPECT_TRUE(found->IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(found->IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_EQ(RUNTIME_CLASS(CSysTray)->m_pBaseClass, RUNTIME_CLASS(CWnd));

    // The callback message reaches the map through WindowProc: a double click
    // opens the status window, a single click does nothing.
    found->SendMessage(CSysTray::kCallbackMessage, CSysTray::kIconId, WM_LBUTTONUP);
    EXPECT_TRUE(owner.commands.empty());
    found->SendMessage(CSysTray::kCallbackMessage, CSysTray::kIconId, WM_LBUTTONDBLCLK);
    EXPECT_EQ(owner.commands, std::vector<int>{contract::kMonitorOpenCommand});
    // What the map does not take still gets the window's default processing.
    found->SetWindowText("owner");
    EXPECT_EQ(found->GetWindowText(), "owner");

    tray.Remove();
    theApp.m_pMainWnd = nullptr;
}

}  // namespace
