// Pagewarden.exe end to end under Wine: started as the user's logon would
// start it, watched and driven through its window, tray icon and menu, with
// the queue and the USB broadcasts supplied by the test.
#include "testbed/Bench.h"
#include "testbed/PollLog.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MonitorCatalogue.h"
#include "monitor/core/Display.h"

#include <gtest/gtest.h>

#include <dbt.h>
#include <winspool.h>

#include <string>

namespace {

constexpr UINT kTrayCallback = WM_USER + 15;
constexpr UINT kStatusPoll = WM_USER + 258;
const std::string kCaption = std::string(catalogue::ModelName) + " - Status Monitor";
const char* const kUsbMessage =
    "Printer is not connected or switched OFF.\nEnsure USB cable is connected properly and the printer is "
    "switched ON.";

std::string Exe() { return bench::UnixToWindows(PAGEWARDEN_EXE); }

// The model's queue on the given port, created or moved there.
void UseQueueOn(const std::string& port) {
    ASSERT_TRUE(fixture::AddUsbPort());
    if (fixture::QueueExists(catalogue::ModelName)) {
        ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, port));
    } else {
        ASSERT_TRUE(fixture::CreateQueue(catalogue::ModelName, port));
    }
}

// The running monitor as a test sees it.
struct Monitor {
    bench::Process process;
    HWND dialog = nullptr;
    HWND trayOwner = nullptr;
    bench::PollLog polls;  // the status polls the window has taken

    bool Start() {
        process = bench::Process::Start(Exe());
        if (!process) return false;
        dialog = bench::WaitWindow({"#32770", kCaption, process.Id()});
        if (!dialog) return false;
        // The icon's owner: the process's hidden 10 x 10 popup.
        bench::WaitUntil([&] {
            for (HWND h : bench::FindTopWindows({"", "", process.Id()})) {
                RECT r;
                GetWindowRect(h, &r);
                if (h != dialog && (GetWindowLongA(h, GWL_STYLE) & WS_POPUP) && r.right - r.left == 10 &&
                    r.bottom - r.top == 10) {
                    trayOwner = h;
                    return true;
                }
            }
            return false;
        });
        return trayOwner != nullptr && polls.Attach(dialog, bench::UnixToWindows(PW_POLL_LOG_DLL));
    }
    // A round trip through the window's thread: what it was handling is done.
    bool RoundTrip() const {
        bool ok = false;
        bench::Send(dialog, WM_NULL, 0, 0, 10000, &ok);
        return ok;
    }
    std::string Title() const { return bench::ControlText(dialog, 1004); }
    std::string Message() const { return bench::ControlText(dialog, 1005); }
    std::string Tip() const { return bench::ControlText(dialog, 1008); }
    bool Visible() const { return IsWindowVisible(dialog) != FALSE; }
    bool WaitTitle(const std::string& title, DWORD timeoutMs = 10000) const {
        return bench::WaitUntil([&] { return Title() == title; }, timeoutMs);
    }
    bool WaitMessage(const std::string& message, DWORD timeoutMs = 10000) const {
        return bench::WaitUntil([&] { return Message() == message; }, timeoutMs);
    }
    void DoubleClickIcon() const { bench::Post(trayOwner, kTrayCallback, 1, WM_LBUTTONDBLCLK); }
    // Exit through the tray menu's second item.
    bool ExitFromMenu() {
        bench::Post(trayOwner, kTrayCallback, 1, WM_RBUTTONUP);
        HWND menu = bench::WaitPopupMenu(10000, process.Id());
        if (!menu) return false;
        bench::Screenshot("monitor_tray_menu");
        return bench::ChoosePopupItem(menu, 2) && process.WaitExit(15000);
    }
    bool Exit() {
        bench::Post(dialog, WM_COMMAND, 104, 0);
        return process.WaitExit(15000);
    }
};

// A device-interface broadcast naming this model's printer, sent as the system would.
void SendUsbBroadcast(HWND window, WPARAM event, const std::string& serial) {
    EXPECT_TRUE(bench::SendDeviceInterfaceChange(window, event, fixture::UsbNotificationName(serial)));
}

TEST(MonitorScenario, QueueMissingSaysNotInstalledUntilItIsCreated) {
    if (fixture::QueueExists(catalogue::ModelName)) {
        ASSERT_TRUE(fixture::DeleteQueue(catalogue::ModelName));
    }
    Monitor m;
    ASSERT_TRUE(m.Start());
    EXPECT_TRUE(m.WaitTitle("No Printer Found")) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Message(), std::string(catalogue::ModelName) + " not installed.");
    EXPECT_FALSE(m.Visible());
    // Opened by the user, it searches and says so again.
    const unsigned beforeOpening = m.polls.Count();
    m.DoubleClickIcon();
    ASSERT_TRUE(bench::WaitVisible(m.dialog));
    const int searched = m.polls.WaitPollThatShowed(beforeOpening, "Searching");
    ASSERT_GE(searched, 0) << m.Title();
    ASSERT_GE(m.polls.WaitPollThatShowed(static_cast<unsigned>(searched), "No Printer Found"), 0) << m.Title();
    EXPECT_EQ(m.Message(), std::string(catalogue::ModelName) + " not installed.");
    bench::Screenshot("monitor_no_printer");
    EXPECT_TRUE(bench::ClickButton(m.dialog, 1007));
    EXPECT_TRUE(bench::WaitVisible(m.dialog, false));
    // Installed later (a logon before the spooler, a reinstallation): found
    // by the monitor itself, without a command.
    UseQueueOn("COM1:");
    EXPECT_TRUE(m.WaitMessage("Ready to print.", 30000)) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Title(), "Ready");
    EXPECT_TRUE(m.Exit());
}

TEST(MonitorScenario, StartsHiddenWithItsTrayIconAndASecondStartEndsAtOnce) {
    UseQueueOn("COM1:");
    Monitor m;
    ASSERT_TRUE(m.Start());
    EXPECT_TRUE(bench::WaitTrayIconCount(1));
    EXPECT_EQ(bench::WindowText(m.dialog), kCaption);
    EXPECT_EQ(bench::ControlText(m.dialog, 1010), catalogue::VersionText);
    EXPECT_EQ(m.Tip(), monitor::PrintingTips[0]);
    EXPECT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Title(), "Ready");
    ASSERT_TRUE(m.polls.WaitPollsHandled(2));
    EXPECT_FALSE(m.Visible());
    bench::Screenshot("monitor_started_hidden");

    bench::Process second = bench::Process::Start(Exe());
    ASSERT_TRUE(second);
    EXPECT_TRUE(second.WaitExit(10000));
    EXPECT_EQ(bench::TrayIconCount(), 1);
    EXPECT_EQ(bench::FindTopWindows({"#32770", kCaption}).size(), 1u);
    EXPECT_TRUE(m.process.Running());

    // The window's thread held up (a hung spooler call) for five poller
    // periods: at most one poll waits before a marker posted at its end.
    pw::unique_handle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(m.dialog, nullptr)));
    ASSERT_TRUE(thread);
    constexpr WPARAM kMarker = 0x5151;
    const unsigned before = m.polls.Count();
    ASSERT_NE(SuspendThread(thread.get()), static_cast<DWORD>(-1));
    Sleep(5000);  // the hold-up itself
    bench::Post(m.dialog, kStatusPoll, kMarker);
    ASSERT_NE(ResumeThread(thread.get()), static_cast<DWORD>(-1));
    unsigned marker = before;  // the marker's index, once it came through
    ASSERT_TRUE(bench::WaitUntil([&] {
        for (; marker < m.polls.Count(); ++marker)
            if (m.polls.At(marker).tag == kMarker) return true;
        return false;
    }));
    EXPECT_LE(marker - before, 1u);
    EXPECT_TRUE(m.Exit());
}

TEST(MonitorScenario, TrayOpeningSearchesThenShowsTheStatusAndEveryCloseHides) {
    UseQueueOn("COM1:");
    Monitor m;
    ASSERT_TRUE(m.Start());
    ASSERT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();

    // A single click on the icon does nothing (sent: handled when it returns).
    bool delivered = false;
    bench::Send(m.trayOwner, kTrayCallback, 1, WM_LBUTTONUP, 10000, &delivered);
    ASSERT_TRUE(delivered);
    EXPECT_FALSE(m.Visible());

    const unsigned beforeOpening = m.polls.Count();
    m.DoubleClickIcon();
    ASSERT_TRUE(bench::WaitVisible(m.dialog));
    EXPECT_EQ(m.Tip(), monitor::PrintingTips[1]);
    // Three "Searching" polls, then the status written afresh.
    ASSERT_TRUE(m.WaitTitle("Searching", 3000)) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Message(), "Searching the printer...");
    bench::Screenshot("monitor_searching");
    const int searched = m.polls.WaitPollThatShowed(beforeOpening, "Searching");
    ASSERT_GE(searched, 0);
    const int ready = m.polls.WaitPollThatShowed(static_cast<unsigned>(searched), "Ready");
    ASSERT_GE(ready, 0) << m.Title() << " / " << m.Message();
    EXPECT_EQ(ready - searched, 3);  // three polls searching, the fourth writes the status
    EXPECT_EQ(m.Message(), "Ready to print.");
    bench::Screenshot("monitor_ready_opened");
    // A ready COM printer does not hide by itself: not at the fourth poll in
    // that state, which hides a ready parallel printer, nor later.
    ASSERT_TRUE(m.polls.WaitPollsHandled(5));
    EXPECT_TRUE(m.Visible());

    EXPECT_TRUE(bench::ClickButton(m.dialog, 1007));  // Ok
    EXPECT_TRUE(bench::WaitVisible(m.dialog, false));

    m.DoubleClickIcon();
    ASSERT_TRUE(bench::WaitVisible(m.dialog));
    EXPECT_EQ(m.Tip(), monitor::PrintingTips[2]);
    bench::Post(m.dialog, WM_KEYDOWN, VK_ESCAPE, 1);  // Esc
    bench::Post(m.dialog, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_TRUE(bench::WaitVisible(m.dialog, false));

    m.DoubleClickIcon();
    ASSERT_TRUE(bench::WaitVisible(m.dialog));
    EXPECT_EQ(m.Tip(), monitor::PrintingTips[3]);
    bench::Post(m.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_TRUE(bench::WaitVisible(m.dialog, false));

    EXPECT_TRUE(m.process.Running());
    EXPECT_EQ(bench::TrayIconCount(), 1);
    EXPECT_TRUE(m.Exit());
}

TEST(MonitorScenario, UsbPrinterUnpluggedArrivesAndIsRemoved) {
    UseQueueOn("USB001");
    Monitor m;
    ASSERT_TRUE(m.Start());
    ASSERT_TRUE(m.WaitMessage(kUsbMessage)) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Title(), "Communicaton Error");
    EXPECT_FALSE(m.Visible());

    // Plugged in, as the system has it: the interface present and announced.
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error)) << error;
    SendUsbBroadcast(m.dialog, DBT_DEVICEARRIVAL, "ZYK-455SENT");
    EXPECT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Title(), "Ready");
    m.DoubleClickIcon();
    ASSERT_TRUE(m.WaitTitle("Searching", 3000)) << m.Title() << " / " << m.Message();
    ASSERT_TRUE(m.WaitTitle("Ready", 8000)) << m.Title() << " / " << m.Message();
    bench::Screenshot("monitor_usb_ready");

    // Another printer of the same kind leaves: nothing changes at the polls after it.
    SendUsbBroadcast(m.dialog, DBT_DEVICEREMOVECOMPLETE, "zyk-455");
    ASSERT_TRUE(m.polls.WaitPollsHandled(2));
    EXPECT_EQ(m.Message(), "Ready to print.");

    ASSERT_TRUE(fixture::UnplugUsb(catalogue::ModelUsbSerial, error)) << error;
    SendUsbBroadcast(m.dialog, DBT_DEVICEREMOVECOMPLETE, catalogue::ModelUsbSerial);
    EXPECT_TRUE(m.WaitMessage(kUsbMessage)) << m.Title() << " / " << m.Message();
    bench::Screenshot("monitor_usb_unplugged");

    // Plugged in again, but its arrival reached no one: opening the window
    // scans again and finds it.
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error)) << error;
    m.DoubleClickIcon();
    EXPECT_TRUE(m.WaitMessage("Ready to print.", 60000)) << m.Title() << " / " << m.Message();
    EXPECT_TRUE(m.Exit());
    ASSERT_TRUE(fixture::UnplugUsb(catalogue::ModelUsbSerial, error)) << error;
}

TEST(MonitorScenario, PortChangeRestartsTheMonitoringOnTheNewPort) {
    UseQueueOn("COM1:");
    Monitor m;
    ASSERT_TRUE(m.Start());
    ASSERT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();
    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "USB001"));
    EXPECT_TRUE(m.WaitMessage(kUsbMessage)) << m.Title() << " / " << m.Message();
    // A published port name longer than 20 characters is read whole: the
    // monitoring settles on it instead of restarting at every poll.
    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "IP_192.168.100.200_printserver"));
    EXPECT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();
    ASSERT_TRUE(m.polls.WaitPollsHandled(3));
    EXPECT_EQ(m.Message(), "Ready to print.");
    EXPECT_TRUE(m.Exit());
}

TEST(MonitorScenario, MenuExitRemovesTheIconAndEndsTheProcess) {
    UseQueueOn("COM1:");
    Monitor m;
    ASSERT_TRUE(m.Start());
    ASSERT_TRUE(bench::WaitTrayIconCount(1));
    ASSERT_TRUE(m.ExitFromMenu());
    EXPECT_TRUE(bench::WaitTrayIconCount(0));
    // The lock went with the process: a new start runs normally.
    Monitor again;
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(again.WaitMessage("Ready to print.")) << again.Message();
    EXPECT_TRUE(again.Exit());
}

// Last: the planted printer stays attached for the rest of the prefix's life.
TEST(MonitorScenario, UsbPrinterAttachedAtStartIsReady) {
    UseQueueOn("USB001");
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error)) << error;
    Monitor m;
    ASSERT_TRUE(m.Start());
    EXPECT_TRUE(m.WaitMessage("Ready to print.")) << m.Title() << " / " << m.Message();
    EXPECT_EQ(m.Title(), "Ready");
    EXPECT_TRUE(m.Exit());
}

}  // namespace
