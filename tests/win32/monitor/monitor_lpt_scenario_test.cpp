// Pagewarden.exe on a parallel port under Wine. The test build of our port
// driver plays the status register from its service key, so the test sets
// what the printer reports while the monitor runs.
//
// Stand-ins of the test prefix: the driver's service is registered with an
// absolute path to the test build (Wine cannot load the relative one), and
// the WMI locator is pointed at the test provider, which lists the parallel
// port device whose resource list the test plants (Wine's own WMI has none).
#include "testbed/Bench.h"
#include "testbed/PollLog.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kTrayCallback = WM_USER + 15;
const std::string kCaption = std::string(catalogue::ModelName) + " - Status Monitor";
const char* const kReadyMinimize = "Ready to print.\n(Window will minimize in 2sec...)";
const char* const kLinkMessage =
    "Check all connections and make sure all device is turned ON.\nIf the power was turned off during printing, "
    "cancel the print job.";

// Status register samples (the port at 0x378, so its status register is 0x379).
constexpr DWORD kReady = 0x98, kPaperOut = 0x20, kOffline = 0x08, kNoLink = 0x78;

void SetStatusRegister(DWORD value) { ASSERT_TRUE(fixture::SetStatusRegister(value)); }

// The registers a search gone wrong would read: LPT1:'s, and the serial port's
// at 0x3F8 + 1.
const char* const kWatchedRegisters[] = {"379", "3F9"};

// The test build plays a "Sequence<port>" value one byte per read and records
// how far it got in "SequenceIndex<port>": 255 samples of one value count up
// to 255 reads of that register.
void CountReads(const std::string& port, DWORD value = kReady) {
    ASSERT_TRUE(bench::reg::SetBinary(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "Sequence" + port,
                                      std::vector<std::uint8_t>(255, static_cast<std::uint8_t>(value))));
    bench::reg::DeleteValue(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "SequenceIndex" + port);
}
DWORD ReadsOf(const std::string& port) {
    return bench::reg::GetDword(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "SequenceIndex" + port).value_or(0);
}
void StopCounting(const std::string& port) {
    bench::reg::DeleteValue(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "Sequence" + port);
    bench::reg::DeleteValue(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "SequenceIndex" + port);
}

class LptMonitor : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(fixture::InstallStandIns(bench::UnixToWindows(HWINTERFACE_TEST_SYS),
                                             bench::UnixToWindows(PW_WMI_FIXTURE_DLL), catalogue::ModelName, error))
            << error;
        // The serial port the WMI provider lists first has an address too: a
        // search that is not for the parallel port's own name would find it.
        ASSERT_TRUE(fixture::PlantResources(fixture::kComDevice, 0x3F8));
        ASSERT_TRUE(fixture::CreateQueue(catalogue::ModelName, "LPT1:"));
    }

    void TearDown() override {
        if (process.Running()) process.Kill();
        for (const char* port : kWatchedRegisters) StopCounting(port);
        bench::reg::DeleteValue(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "CallerMayWrite");
    }

    bool Start() {
        process = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE));
        if (!process) return false;
        dialog = bench::WaitWindow({"#32770", kCaption, process.Id()}, 20000);
        if (!dialog || !polls.Attach(dialog, bench::UnixToWindows(PW_POLL_LOG_DLL))) return false;
        return bench::WaitUntil([&] {
            for (HWND h : bench::FindTopWindows({"", "", process.Id()})) {
                RECT r;
                GetWindowRect(h, &r);
                if (h != dialog && (GetWindowLongA(h, GWL_STYLE) & WS_POPUP) && r.right - r.left == 10) {
                    trayOwner = h;
                    return true;
                }
            }
            return false;
        });
    }
    std::string Title() const { return bench::ControlText(dialog, 1004); }
    std::string Message() const { return bench::ControlText(dialog, 1005); }
    bool Visible() const { return IsWindowVisible(dialog) != FALSE; }
    bool WaitTitle(const std::string& t, DWORD ms = 10000) const {
        return bench::WaitUntil([&] { return Title() == t; }, ms);
    }
    // Opens the window from the tray and waits until the search has given way
    // to the status: the poll that first showed the search, or -1.
    int OpenAndWaitStatus(const std::string& title, DWORD ms = 30000) {
        const unsigned before = polls.Count();
        bench::Post(trayOwner, kTrayCallback, 1, WM_LBUTTONDBLCLK);
        if (!bench::WaitVisible(dialog)) return -1;
        const int searched = polls.WaitPollThatShowed(before, "Searching", -1, ms);
        if (searched < 0 || polls.WaitPollThatShowed(static_cast<unsigned>(searched), title, -1, ms) < 0) return -1;
        return searched;
    }

    bench::Process process;
    HWND dialog = nullptr;
    HWND trayOwner = nullptr;
    bench::PollLog polls;  // the status polls the window has taken
};

TEST_F(LptMonitor, FollowsTheStatusRegister) {
    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "LPT1:"));
    SetStatusRegister(kReady);
    // The monitor runs as a standard user does: the driver's test build plays
    // a caller without the write right, who reads only LPT1's registers.
    ASSERT_TRUE(bench::reg::SetDword(HKEY_LOCAL_MACHINE, fixture::kServiceKey, "CallerMayWrite", 0));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitTitle("Ready", 20000)) << Title() << " / " << Message();
    EXPECT_EQ(Message(), kReadyMinimize);
    EXPECT_FALSE(Visible());

    // Paper out while idle: written, but the window stays hidden.
    SetStatusRegister(kPaperOut);
    ASSERT_TRUE(WaitTitle("Paper-Out Error")) << Title() << " / " << Message();
    EXPECT_EQ(Message(), "Please insert the Paper.");
    ASSERT_TRUE(polls.WaitPollsHandled(2));
    EXPECT_FALSE(Visible());
    ASSERT_GE(OpenAndWaitStatus("Paper-Out Error"), 0);
    bench::Screenshot("monitor_lpt_paper_out");
    EXPECT_TRUE(bench::ClickButton(dialog, 1007));
    EXPECT_TRUE(bench::WaitVisible(dialog, false));

    SetStatusRegister(kOffline);
    ASSERT_TRUE(WaitTitle("Printer OFFLINE Error")) << Title() << " / " << Message();
    EXPECT_EQ(Message(), "Press the Online button once to make the printer ONLINE.");
    EXPECT_FALSE(Visible());
    ASSERT_GE(OpenAndWaitStatus("Printer OFFLINE Error"), 0);
    bench::Screenshot("monitor_lpt_offline");
    EXPECT_TRUE(bench::ClickButton(dialog, 1007));
    EXPECT_TRUE(bench::WaitVisible(dialog, false));

    // Ready: a visible window hides itself at the 4th poll in that state.
    SetStatusRegister(kReady);
    ASSERT_TRUE(WaitTitle("Ready")) << Title() << " / " << Message();
    const int searched = OpenAndWaitStatus("Ready");
    ASSERT_GE(searched, 0);
    bench::Screenshot("monitor_lpt_ready");
    const int entered = polls.WaitPollThatShowed(static_cast<unsigned>(searched), "Ready", 1);
    ASSERT_GE(entered, 0);
    const int hidden = polls.WaitPollThatShowed(static_cast<unsigned>(entered), "Ready", 0);
    ASSERT_GE(hidden, 0);
    EXPECT_EQ(hidden - entered, 3);  // the entry and two more polls visible, hidden at the 4th
    EXPECT_FALSE(Visible());

    // No communication: shown at the 8th poll with the condition, not
    // earlier. The register's reads are counted from here and the count is
    // sampled before each poll: a poll after the first read sees the condition.
    const unsigned beforeLoss = polls.Count();
    polls.Sample(fixture::kServiceKey, "SequenceIndex379");
    CountReads("379", kNoLink);
    const int lost = polls.WaitPollThatShowed(beforeLoss, "Communicaton Error");
    ASSERT_GE(lost, 0) << Title() << " / " << Message();
    int firstSeen = -1;
    for (int i = static_cast<int>(beforeLoss); i <= lost && firstSeen < 0; ++i)
        if (polls.At(static_cast<unsigned>(i)).sample != 0) firstSeen = i;
    ASSERT_GE(firstSeen, 0);
    EXPECT_EQ(lost - firstSeen, 7);
    EXPECT_EQ(Message(), kLinkMessage);
    EXPECT_FALSE(Visible());
    // After the search the debounce counts again from where it stood: it had
    // counted every poll since (wrapping to 0 after 8), and shows the error
    // again when it reaches 8.
    const int searchedAgain = OpenAndWaitStatus("Communicaton Error");
    ASSERT_GE(searchedAgain, 0) << Title() << " / " << Message();
    const int counted = (searchedAgain - lost - 1) % 9;
    const int back = polls.WaitPollThatShowed(static_cast<unsigned>(searchedAgain), "Communicaton Error");
    EXPECT_EQ(back - (searchedAgain + 2), counted < 8 ? 8 - counted : 9);
    bench::Screenshot("monitor_lpt_no_link");

    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(process.WaitExit(15000));
}

// A queue printing to two ports: the spooler reports "LPT1:,LPT2:" and
// publishes "LPT1:" and "LPT2:". Neither names the pool's device, so the
// monitor has no register to read and settles on the link error.
TEST_F(LptMonitor, PooledQueueSettlesOnAStatusAndReadsNoRegister) {
    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "LPT1:,LPT2:"));
    for (const char* port : kWatchedRegisters) CountReads(port);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitTitle("Communicaton Error", 20000))
        << Title() << " / " << Message() << "; reads of 0x379: " << ReadsOf("379") << ", of 0x3F9: " << ReadsOf("3F9");
    EXPECT_EQ(Message(), kLinkMessage);
    // Kept at the following polls: the published list matches the watched port.
    const unsigned settled = polls.Count();
    ASSERT_TRUE(polls.WaitPollsHandled(4));
    for (unsigned i = settled + 1; i < polls.Count(); ++i) EXPECT_EQ(polls.At(i).title, "Communicaton Error") << i;
    ASSERT_GE(OpenAndWaitStatus("Communicaton Error"), 0) << Title() << " / " << Message();
    bench::Screenshot("monitor_lpt_pool");
    for (const char* port : kWatchedRegisters) EXPECT_EQ(ReadsOf(port), 0u) << "register 0x" << port;
    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(process.WaitExit(15000));
}

// From LPT1:, found and read, to LPT4:, which names no device: the monitor
// must not go on with LPT1:'s instance id, nor read its register again.
TEST_F(LptMonitor, PortWithoutADeviceOfItsOwnReadsNoRegister) {
    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "LPT1:"));
    for (const char* port : kWatchedRegisters) CountReads(port);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitTitle("Ready", 20000)) << Title() << " / " << Message();
    // The count sees the monitor's reads of LPT1:'s register.
    ASSERT_TRUE(bench::WaitUntil([&] { return ReadsOf("379") >= 2; }, 5000)) << ReadsOf("379");

    ASSERT_TRUE(fixture::ChangeQueuePort(catalogue::ModelName, "LPT4:"));
    ASSERT_TRUE(WaitTitle("Communicaton Error", 20000))
        << Title() << " / " << Message() << "; reads of 0x379: " << ReadsOf("379") << ", of 0x3F9: " << ReadsOf("3F9");
    EXPECT_EQ(Message(), kLinkMessage);
    const DWORD readsBefore = ReadsOf("379");
    // A timer message still queued when the timer was stopped reads nothing
    // either (sent: handled when the call returns).
    bool delivered = false;
    bench::Send(dialog, WM_TIMER, 1, 0, 10000, &delivered);
    ASSERT_TRUE(delivered);
    EXPECT_EQ(ReadsOf("379"), readsBefore);
    EXPECT_EQ(ReadsOf("3F9"), 0u);
    EXPECT_EQ(Title(), "Communicaton Error");
    ASSERT_GE(OpenAndWaitStatus("Communicaton Error"), 0) << Title() << " / " << Message();
    bench::Screenshot("monitor_lpt4");
    EXPECT_EQ(ReadsOf("379"), readsBefore);
    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(process.WaitExit(15000));
}

}  // namespace
