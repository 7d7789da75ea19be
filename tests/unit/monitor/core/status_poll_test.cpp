// The status table as the user sees it: sequences of polls against a window
// that is shown, written and hidden as the poll's actions say.
#include "monitor/core/StatusPoll.h"

#include "monitor/core/QueueScan.h"
#include "monitor/core/QueueWatch.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace monitor;

namespace {

// The window as far as a poll can change it.
struct FakeWindow {
    bool visible = false;
    std::string title = "Searching...";
    std::string message = "Searching the printer...";
    int anim = kAnimNone;
    int writes = 0;

    void Apply(const PollActions& a) {
        if (a.show) visible = true;
        if (a.set) {
            title = a.title;
            message = a.message;
            anim = a.anim;
            ++writes;
        }
        if (a.hide) visible = false;
    }
};

struct Monitor {
    PollState state;
    FakeWindow window;
    PollInputs in;
    PollActions last;

    PollActions Poll() {
        last = DecidePoll(state, in);
        window.Apply(last);
        return last;
    }
    // The user opens the window from the tray.
    void Open() {
        BeginSearch(state);
        window.visible = true;
    }
    static Monitor Lpt(std::int32_t parallel, std::int32_t job = -1) {
        Monitor m;
        m.in.portKind = PortKind::Lpt;
        m.in.parallelStatus = parallel;
        m.in.jobStatus = job;
        return m;
    }
};

const char* kMinimizeReady = "Ready to print.\n(Window will minimize in 2sec...)";
const char* kMinimizePrinting = "Printing...\n(Window will minimize in 2sec...)";

// Every row once, entered from nothing: the code, the texts, the picture and
// whether the window pops up.
struct RowCase {
    int row;
    std::int32_t job, printer, parallel;
    PortKind port;
    bool present;
    Shown code;
    const char* title;
    std::string message;
    int anim;
    bool pops;
    QueueView view = QueueView::Watched;
};

TEST(StatusTable, EachRowEnteredFromNothingWritesItsStatus) {
    const std::string link = kLinkMessage;
    const std::vector<RowCase> cases = {
        {2, -1, 1, 2, PortKind::Lpt, false, Shown::Paused, "Communicaton Error", PausedMessage(), 165, true},
        {3, 0x2010, 0, 3, PortKind::Lpt, false, Shown::PaperOutPrinting, "Paper-Out Error", "Please insert the Paper.",
         165, true},
        {4, 0x2010, 0, 4, PortKind::Lpt, false, Shown::OfflinePrinting, "Printer OFFLINE Error",
         "Press the Online button once to make the printer ONLINE.", 165, true},
        {6, 0x2010, 0, 2, PortKind::Lpt, false, Shown::Printing, "Printing", kMinimizePrinting, 166, false},
        {7, 0x12, 0, 2, PortKind::Usb, true, Shown::JobError, "Communicaton Error", kLinkMessageOneLine, 165, true},
        {8, -1, 0, 3, PortKind::Lpt, false, Shown::PaperOutIdle, "Paper-Out Error", "Please insert the Paper.", 165,
         false},
        {9, -1, 0, 4, PortKind::Lpt, false, Shown::OfflineIdle, "Printer OFFLINE Error",
         "Press the Online button once to make the printer ONLINE.", 165, false},
        {11, 0x50, 0, 3, PortKind::Lpt, false, Shown::PaperOutJobReported, "Paper-Out Error",
         "Please insert the Paper.", 165, true},
        {12, 0x10, 0, 3, PortKind::Lpt, false, Shown::PaperOutWithJob, "Paper-Out Error", "Please insert the Paper.",
         165, false},
        {13, 0x30, 0, 4, PortKind::Lpt, false, Shown::OfflineJobReported, "Printer OFFLINE Error",
         "Press the Online button once to make the printer ONLINE.", 165, true},
        {14, 0x10, 0, 4, PortKind::Lpt, false, Shown::OfflineWithJob, "Printer OFFLINE Error",
         "Press the Online button once to make the printer ONLINE.", 165, false},
        {16, -1, 0, -1, PortKind::Usb, false, Shown::UsbAbsent, "Communicaton Error",
         "Printer is not connected or switched OFF.\nEnsure USB cable is connected properly and the printer is "
         "switched ON.",
         165, false},
        {17, 0x10, 0, 2, PortKind::Lpt, false, Shown::ParallelReady, "Ready", kMinimizeReady, 166, false},
        {18, -1, 0, -1, PortKind::Com, false, Shown::Ready, "Ready", "Ready to print.", 166, false},
        {19, 0x2010, 0, 2, PortKind::Lpt, false, Shown::NotInstalled, "No Printer Found", PrinterNotFound().message,
         165, false, QueueView::NotInstalled},
        {20, 0x2010, 1, 2, PortKind::Lpt, false, Shown::SpoolerDown, kSpoolerTitle, kSpoolerMessage, 165, false,
         QueueView::SpoolerDown},
        {21, -1, 0, kParallelUnreadable, PortKind::Lpt, false, Shown::PortUnreadable, kPortAccessTitle,
         kPortAccessMessage, 165, false},
        {21, 0x2010, 0, kParallelUnreadable, PortKind::Lpt, false, Shown::PortUnreadableWithJob, kPortAccessTitle,
         kPortAccessMessage, 165, true},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        Monitor m;
        m.in = {c.job, c.printer, c.parallel, c.port, c.present, c.view};
        PollActions a = m.Poll();
        EXPECT_EQ(a.row, c.row);
        EXPECT_EQ(m.state.ShownState, c.code);
        EXPECT_EQ(m.window.title, c.title);
        EXPECT_EQ(m.window.message, c.message);
        EXPECT_EQ(m.window.anim, c.anim);
        EXPECT_EQ(m.window.visible, c.pops);
        // A second poll in the same state writes nothing and pops nothing.
        m.window.visible = false;
        a = m.Poll();
        EXPECT_FALSE(a.set);
        EXPECT_FALSE(a.show);
    }
}

TEST(StatusTable, PausedMessageNamesTheModel) {
    EXPECT_EQ(PausedMessage(), std::string("\"Pause Printing\" is selected in ") + catalogue::ModelName +
                                   " driver.\nGoto \"Printer and Faxes\" folder, right click and choose \"Resume "
                                   "Printing\"");
}

TEST(StatusTable, PausedWithAnErrorBitIsNotThePausedRow) {
    Monitor m = Monitor::Lpt(2);
    m.in.printerStatus = 3;
    m.Poll();
    EXPECT_EQ(m.last.row, 17);
    EXPECT_FALSE(m.window.visible);
    m.in.printerStatus = 1;
    m.Poll();
    EXPECT_EQ(m.last.row, 2);
    EXPECT_TRUE(m.window.visible);
}

TEST(StatusSequences, IdlePaperOutIsWrittenButTheWindowStaysHidden) {
    Monitor m = Monitor::Lpt(3);
    m.Poll();
    EXPECT_EQ(m.window.title, "Paper-Out Error");
    EXPECT_EQ(m.window.anim, kAnimAttention);
    EXPECT_FALSE(m.window.visible);
    // A job starts printing while the paper is still out: the window pops up.
    m.in.jobStatus = 0x2010;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::PaperOutPrinting);
    EXPECT_TRUE(m.window.visible);
    // Paper inserted: printing, then the window hides itself at the 4th poll.
    m.in.parallelStatus = -1;
    for (int poll = 1; poll <= 3; ++poll) {
        m.Poll();
        EXPECT_EQ(m.window.title, "Printing");
        EXPECT_TRUE(m.window.visible) << "poll " << poll;
    }
    m.Poll();
    EXPECT_FALSE(m.window.visible);
    // The job leaves and the register reads ready: "Ready", and it stays hidden.
    m.in.jobStatus = -1;
    m.in.parallelStatus = 2;
    m.Poll();
    EXPECT_EQ(m.window.title, "Ready");
    EXPECT_FALSE(m.window.visible);
}

TEST(StatusSequences, IdleLinkFaultIsShownAtTheEighthPollAndNotRepeated) {
    Monitor m = Monitor::Lpt(1);
    for (int poll = 1; poll <= 7; ++poll) {
        m.Poll();
        EXPECT_FALSE(m.last.set) << "poll " << poll;
    }
    m.Poll();
    EXPECT_TRUE(m.last.set);
    EXPECT_EQ(m.window.title, "Communicaton Error");
    EXPECT_EQ(m.window.message, kLinkMessage);
    EXPECT_FALSE(m.window.visible);
    // The fault persists: nothing is written again, however long it lasts.
    for (int poll = 9; poll <= 60; ++poll) {
        m.Poll();
        EXPECT_FALSE(m.last.set) << "poll " << poll;
    }
}

TEST(StatusSequences, MissingStatusAddressCountsAsIdleLinkFault) {
    Monitor m = Monitor::Lpt(-1);
    int firstWrite = 0;
    for (int poll = 1; poll <= 8 && !firstWrite; ++poll)
        if (m.Poll().set) firstWrite = poll;
    EXPECT_EQ(firstWrite, 8);
    EXPECT_EQ(m.state.ShownState, Shown::LinkIdle);
}

TEST(StatusSequences, LinkFaultWhilePrintingPopsUpAtTheFifthPoll) {
    Monitor m = Monitor::Lpt(1, 0x2010);
    for (int poll = 1; poll <= 4; ++poll) {
        m.Poll();
        EXPECT_FALSE(m.last.set) << "poll " << poll;
        EXPECT_FALSE(m.window.visible);
    }
    m.Poll();
    EXPECT_TRUE(m.window.visible);
    EXPECT_EQ(m.state.ShownState, Shown::LinkPrinting);
    EXPECT_EQ(m.window.message, kLinkMessage);
    // Hidden by the user while the fault persists: not popped up again.
    m.window.visible = false;
    for (int poll = 6; poll <= 40; ++poll) m.Poll();
    EXPECT_FALSE(m.window.visible);
}

TEST(StatusSequences, LinkFaultWithAnotherJobStatusIsWrittenAtTheFifthPollWithoutPopping) {
    Monitor m = Monitor::Lpt(1, 0x10);
    int firstWrite = 0;
    for (int poll = 1; poll <= 5 && !firstWrite; ++poll)
        if (m.Poll().set) firstWrite = poll;
    EXPECT_EQ(firstWrite, 5);
    EXPECT_EQ(m.state.ShownState, Shown::LinkWithJob);
    EXPECT_FALSE(m.window.visible);
}

TEST(StatusSequences, PollsInOtherRowsKeepTheDebounceCount) {
    Monitor m = Monitor::Lpt(1);
    for (int i = 0; i < 4; ++i) m.Poll();
    m.in.parallelStatus = 3;  // a paper-out poll in between
    m.Poll();
    m.in.parallelStatus = 1;
    for (int i = 0; i < 3; ++i) {
        m.Poll();
        EXPECT_FALSE(m.last.set);
    }
    m.Poll();  // the 8th poll with the condition
    EXPECT_EQ(m.state.ShownState, Shown::LinkIdle);
}

TEST(StatusSequences, ReadyClearsTheDebounceCount) {
    Monitor m = Monitor::Lpt(1);
    for (int i = 0; i < 7; ++i) m.Poll();
    m.in.parallelStatus = 2;  // one ready poll clears the count
    m.Poll();
    m.in.parallelStatus = 1;
    for (int poll = 1; poll <= 7; ++poll) {
        m.Poll();
        EXPECT_FALSE(m.last.set) << "poll " << poll;
    }
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::LinkIdle);
}

TEST(StatusSequences, DebounceWrapsAboveItsThresholdWhileTheFaultIsShown) {
    Monitor m = Monitor::Lpt(1, 0x2010);
    for (int i = 0; i < 5; ++i) m.Poll();
    ASSERT_EQ(m.state.ShownState, Shown::LinkPrinting);
    for (int i = 0; i < 200; ++i) {
        m.Poll();
        EXPECT_GE(m.state.PrintFaultCount, 0);
        EXPECT_LE(m.state.PrintFaultCount, 5);
    }
    // The job ends and the printer reads ready: the count is cleared and a
    // new fault while printing must again be seen 5 times.
    m.in.jobStatus = -1;
    m.in.parallelStatus = 2;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::ParallelReady);
    m.in.jobStatus = 0x2010;
    m.in.parallelStatus = 1;
    m.window.visible = false;
    int firstWrite = 0;
    for (int poll = 1; poll <= 5 && !firstWrite; ++poll)
        if (m.Poll().set) firstWrite = poll;
    EXPECT_EQ(firstWrite, 5);
    EXPECT_TRUE(m.window.visible);
}

TEST(StatusSequences, ReadyHidesAVisibleWindowAtTheFourthPollOnlyOnce) {
    Monitor m = Monitor::Lpt(2);
    m.window.visible = true;
    for (int poll = 1; poll <= 3; ++poll) {
        m.Poll();
        EXPECT_TRUE(m.window.visible) << "poll " << poll;
    }
    EXPECT_EQ(m.window.message, kMinimizeReady);
    EXPECT_EQ(m.window.anim, kAnimReady);
    m.Poll();
    EXPECT_FALSE(m.window.visible);
    // Shown again by other means without a new entry: it does not hide again.
    m.window.visible = true;
    for (int poll = 5; poll <= 20; ++poll) m.Poll();
    EXPECT_TRUE(m.window.visible);
}

TEST(StatusSequences, OpeningShowsThreeSearchPollsThenTheStatusAfreshAndHidesAtTheSeventh) {
    Monitor m = Monitor::Lpt(2);
    for (int i = 0; i < 10; ++i) m.Poll();
    ASSERT_EQ(m.state.ShownState, Shown::ParallelReady);
    m.Open();
    for (int poll = 1; poll <= 3; ++poll) {
        m.Poll();
        EXPECT_EQ(m.window.title, "Searching") << "poll " << poll;
        EXPECT_EQ(m.window.message, "Searching the printer...");
        EXPECT_EQ(m.window.anim, kAnimNone);
        EXPECT_TRUE(m.window.visible);
    }
    EXPECT_EQ(m.state.ShownState, Shown::None);
    m.Poll();  // 4th: the same status is written again
    EXPECT_TRUE(m.last.set);
    EXPECT_EQ(m.window.title, "Ready");
    m.Poll();
    m.Poll();
    EXPECT_TRUE(m.window.visible);
    m.Poll();  // 7th after the opening
    EXPECT_FALSE(m.window.visible);
}

TEST(StatusSequences, OpeningAfterAQuietFaultShowsItAfterTheSearch) {
    Monitor m = Monitor::Lpt(3);
    m.Poll();
    ASSERT_FALSE(m.window.visible);
    m.Open();
    for (int i = 0; i < 3; ++i) m.Poll();
    m.Poll();
    EXPECT_EQ(m.window.title, "Paper-Out Error");
    EXPECT_TRUE(m.window.visible);
    for (int i = 0; i < 10; ++i) m.Poll();
    EXPECT_TRUE(m.window.visible);
}

TEST(StatusSequences, UsbPrintingIsNeverPoppedUpAndHidesAVisibleWindow) {
    Monitor m;
    m.in.portKind = PortKind::Usb;
    m.in.printerPresent = true;
    m.in.jobStatus = 0x2010;
    for (int i = 0; i < 10; ++i) m.Poll();
    EXPECT_FALSE(m.window.visible);
    EXPECT_EQ(m.window.title, "Printing");
    EXPECT_EQ(m.window.anim, kAnimReady);

    Monitor v;
    v.in = m.in;
    v.window.visible = true;
    for (int poll = 1; poll <= 3; ++poll) v.Poll();
    EXPECT_TRUE(v.window.visible);
    v.Poll();
    EXPECT_FALSE(v.window.visible);
}

TEST(StatusSequences, UsbUnpluggedThenPluggedIn) {
    Monitor m;
    m.in.portKind = PortKind::Usb;
    m.Poll();
    EXPECT_EQ(m.window.title, "Communicaton Error");
    EXPECT_EQ(m.window.message.find("Printer is not connected or switched OFF.\n"), 0u);
    EXPECT_FALSE(m.window.visible);
    m.in.printerPresent = true;
    m.Poll();
    EXPECT_EQ(m.window.title, "Ready");
    EXPECT_EQ(m.window.message, "Ready to print.");
    // Visible in this state: it does not hide by itself.
    m.window.visible = true;
    for (int i = 0; i < 10; ++i) m.Poll();
    EXPECT_TRUE(m.window.visible);
    m.in.printerPresent = false;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::UsbAbsent);
}

TEST(StatusSequences, UsbUnpluggedWhilePrintingReportsPrinting) {
    Monitor m;
    m.in.portKind = PortKind::Usb;
    m.in.jobStatus = 0x2010;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::Printing);
    m.in.jobStatus = 0x12;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::JobError);
    EXPECT_TRUE(m.window.visible);
    m.in.jobStatus = -1;
    m.Poll();
    EXPECT_EQ(m.state.ShownState, Shown::UsbAbsent);
}

TEST(StatusSequences, JobErrorPopsUpOnEveryPortClass) {
    for (const char* port : {"LPT", "USB", "COM", "FILE:"}) {
        SCOPED_TRACE(port);
        Monitor m;
        m.in.portKind = ClassifyPort(port).kind;
        m.in.printerPresent = true;
        m.in.parallelStatus = 2;
        m.in.jobStatus = 0x12;
        m.Poll();
        EXPECT_EQ(m.state.ShownState, Shown::JobError);
        EXPECT_EQ(m.window.message, kLinkMessageOneLine);
        EXPECT_TRUE(m.window.visible);
    }
}

TEST(StatusSequences, ComAndRawPortsReachOnlyTheSpoolerRows) {
    const std::set<int> allowed = {0, 2, 6, 7, 18};
    const std::int32_t jobs[] = {-1, 0x10, 0x12, 0x30, 0x50, 0x2010, 0x2012};
    const std::int32_t parallels[] = {-1, 1, 2, 3, 4};
    for (const char* port : {"COM", "FILE:", "lpt1:"}) {
        for (std::int32_t printer : {0, 1, 3}) {
            for (std::int32_t job : jobs) {
                for (std::int32_t parallel : parallels) {
                    for (bool present : {false, true}) {
                        Monitor m;
                        m.in = {job, printer, parallel, ClassifyPort(port).kind, present};
                        m.Poll();
                        EXPECT_TRUE(allowed.count(m.last.row))
                            << port << " job " << job << " P " << parallel << " row " << m.last.row;
                    }
                }
            }
        }
    }
    Monitor idle;
    idle.in.portKind = PortKind::Com;
    idle.Poll();
    EXPECT_EQ(idle.window.message, "Ready to print.");
}

TEST(StatusSequences, UnmatchedStateLeavesTheWindowAlone) {
    Monitor m;
    m.in.portKind = PortKind::Usb;
    m.in.printerPresent = true;
    m.in.jobStatus = -1;
    m.Poll();
    ASSERT_EQ(m.state.ShownState, Shown::Ready);
    m.in.jobStatus = 0x10;  // printing, but not a status the table names
    PollActions a = m.Poll();
    EXPECT_EQ(a.row, 0);
    EXPECT_FALSE(a.set || a.show || a.hide);
    EXPECT_EQ(m.window.title, "Ready");
}

// The spooler of a session: it may restart or stay down a while (every call
// then answers 1722); once back, every handle from before answers 6. The
// poll takes what the window takes: the open queue read and a dead handle
// closed, the queue resolved when due, the port driver reopened when due.
struct Session {
    Monitor m;
    QueueWatch watch;
    bool up = true;
    int opens = 0, firstLive = 1, handle = 0, driverOpens = 0;
    std::uint32_t readError = 0;   // what a live handle's read answers
    std::set<std::string> titles;  // every title the window showed

    void Poll() {
        if (watch.Open()) {
            QueueSnapshot snap{0, {kJobPrintingRetained}};
            const std::uint32_t error = !up                  ? kRpcServerUnavailable
                                        : handle < firstLive ? kErrorInvalidHandle
                                                             : readError;
            ScanQueue(error == 0 ? &snap : nullptr, m.in.printerStatus, m.in.jobStatus);
            watch.Queried(error);
        }
        if (watch.Due()) {
            ++opens;
            up ? (handle = opens, watch.Found()) : watch.Missed(false, kRpcServerUnavailable);
        }
        if (watch.Open() && watch.DriverDue(m.in.parallelStatus == kParallelUnreadable)) ++driverOpens;
        m.in.queue = watch.View();
        m.Poll();
        titles.insert(m.window.title);
    }
};

TEST(SpoolerOutage, TheSpoolerStateWhileItLastsThenPrintingThroughTheNewHandle) {
    Session s;
    s.m.in.portKind = PortKind::Com;
    s.Poll();
    s.Poll();
    EXPECT_EQ(s.m.window.title, "Printing");
    // Down for a minute: the spooler's state, quietly, with fewer and fewer opens.
    s.up = false;
    s.titles.clear();
    const int opens = s.opens;
    for (int poll = 0; poll < 60; ++poll) s.Poll();
    EXPECT_EQ(s.titles, (std::set<std::string>{kSpoolerTitle}));
    EXPECT_EQ(s.opens - opens, 5);  // after 0, 2, 4, 8 and 16 polls more

    // Back: opened within the backoff, and the job shows through the new
    // handle; after a restart between two polls the dead handle is replaced
    // at once. Never "Ready" on the way.
    s.up = true;
    s.firstLive = s.opens + 1;
    for (int poll = 0; poll <= kMaxBackoffPolls + 1 && s.m.window.title != "Printing"; ++poll) s.Poll();
    EXPECT_EQ(s.m.window.title, "Printing");
    s.firstLive = s.opens + 1;
    s.Poll();
    s.Poll();
    EXPECT_EQ(s.handle, s.firstLive);
    EXPECT_FALSE(s.titles.count("Ready"));
    // Reads that keep failing otherwise, through every reopening: the
    // spooler's state, not the "Printing" shown before them.
    s.readError = 8;
    for (int poll = 0; poll < 10; ++poll) s.Poll();
    EXPECT_EQ(s.m.window.title, kSpoolerTitle);
    s.readError = 0;

    // The port driver stopped under a parallel printer that prints: its own
    // state, popped up, and the driver opened again at a backoff.
    s.m.in.portKind = PortKind::Lpt;
    s.m.in.parallelStatus = kParallelUnreadable;
    for (int poll = 0; poll < 30; ++poll) s.Poll();
    EXPECT_EQ(s.m.window.title, kPortAccessTitle);
    EXPECT_EQ(s.driverOpens, 4);
}

// A poll lost on the way does not stop the polling: one post a minute of turns.
TEST(PollGate, OnePollWaitsAndALostOneIsPostedAgain) {
    PollGate gate;
    int posted = 0;
    for (int turn = 0; turn < 2 * kGateReopenTurns; ++turn) posted += gate.MayPost();
    EXPECT_EQ(posted, 2);
}

TEST(StatusDisplay, PrinterNotFoundNamesTheModel) {
    NotFoundDisplay d = PrinterNotFound();
    EXPECT_STREQ(d.title, "No Printer Found");
    EXPECT_EQ(d.message, std::string(catalogue::ModelName) + " not installed.");
    EXPECT_EQ(d.anim, kAnimAttention);
}

}  // namespace
