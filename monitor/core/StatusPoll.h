// The decision of every status poll: which status the window shows, whether
// it pops up, and whether it hides itself. Texts and pictures are written only
// on entry into a state; faults of the parallel link are debounced by counting
// polls; the user's opening of the window shows three "Searching" polls and then
// writes the current status afresh.
#pragma once

#include "monitor/core/PortRules.h"
#include "monitor/core/QueueWatch.h"
#include "monitor/portaccess/core/ParallelStatus.h"

#include <cstdint>
#include <string>

namespace monitor {

// Animated cursors of the status picture; 0 clears the picture.
constexpr int kAnimNone = 0;
constexpr int kAnimAttention = 165;
constexpr int kAnimReady = 166;

// Whole job Status values the table compares with.
constexpr std::int32_t kJobPrintingRetained = 0x2010;
constexpr std::int32_t kJobPrintingError = 0x12;
constexpr std::int32_t kJobPrintingPaperOut = 0x50;
constexpr std::int32_t kJobPrintingOffline = 0x30;

// Parallel status codes.
constexpr std::int32_t kParallelNoLink = 1;
constexpr std::int32_t kParallelReady = 2;
constexpr std::int32_t kParallelPaperOut = 3;
constexpr std::int32_t kParallelOffline = 4;
constexpr std::int32_t kParallelNone = -1;
constexpr std::int32_t kParallelUnreadable = portaccess::kParallelUnreadable;

// The state the window shows, as the table last wrote it. A state is written
// only on entry, so each row that writes has its own; the parallel faults have
// one each for an idle printer, a job printing (retained) and any other job
// (and one more where the job itself reports the fault).
enum class Shown : std::int32_t {
    Ready = -1,                   // row 18: no job, nothing to report
    None = 0,                     // nothing written since the start or the search
    Paused = 1,                   // row 2
    NotInstalled = 10,            // row 19
    Printing = 16,                // row 6
    JobError = 18,                // row 7
    UsbAbsent = 20,               // row 16
    SpoolerDown = 50,             // row 20
    LinkIdle = 1000,              // row 10
    LinkPrinting = 1001,          // row 5
    LinkWithJob = 1010,           // row 15
    ParallelReady = 2000,         // row 17
    PaperOutIdle = 3000,          // row 8
    PaperOutPrinting = 3001,      // row 3
    PaperOutWithJob = 3010,       // row 12
    PaperOutJobReported = 3011,   // row 11
    OfflineIdle = 4000,           // row 9
    OfflinePrinting = 4001,       // row 4
    OfflineWithJob = 4010,        // row 14
    OfflineJobReported = 4011,    // row 13
    PortUnreadable = 5000,        // row 21, no job
    PortUnreadableWithJob = 5001  // row 21, a job printing
};

// What one poll sees.
struct PollInputs {
    std::int32_t jobStatus = -1;     // printing job's Status, -1 when none
    std::int32_t printerStatus = 0;  // queue Status at the last successful query
    std::int32_t parallelStatus = -1;
    PortKind portKind = PortKind::Other;
    bool printerPresent = false;  // USB printer attached
    QueueView queue = QueueView::Watched;
};

// What one poll does to the window: show first, then the texts, then hide.
struct PollActions {
    bool show = false;
    bool set = false;
    const char* title = nullptr;
    const char* message = nullptr;
    int anim = kAnimNone;
    bool hide = false;
    int row = 0;  // table row that applied, 0 for none
};

// The polling state, one per monitor window; all zero at start.
struct PollState {
    Shown ShownState = Shown::None;
    std::int32_t SearchMode = 0;
    std::int32_t SearchPollCount = 0;
    std::int32_t AutoHideArmed = 0;
    std::int32_t AutoHideCount = 0;
    std::int32_t PrintFaultCount = 0;
    std::int32_t IdleFaultCount = 0;
    std::int32_t JobFaultCount = 0;
};

// The paused-queue message, naming this build's model.
const std::string& PausedMessage();
extern const char* const kLinkMessage;
extern const char* const kLinkMessageOneLine;
// The states of a spooler that cannot be reached and of a status register
// the port driver cannot read.
extern const char* const kSpoolerTitle;
extern const char* const kSpoolerMessage;
extern const char* const kPortAccessTitle;
extern const char* const kPortAccessMessage;

// Applies the first row of the decision table whose condition holds. After
// the search, a queue that is not watched has rows of its own, written on
// entry and never popped up: not installed (19), the spooler not available
// (20), or nothing while it is unknown. A parallel port whose register the
// driver cannot read (21) is written on entry, and pops up while a job prints.
PollActions DecidePoll(PollState& state, const PollInputs& in);

// The user opened the window: the next three polls show the search.
void BeginSearch(PollState& state);

// What the window shows when the model's queue cannot be opened.
struct NotFoundDisplay {
    const char* title;
    std::string message;
    int anim;
};
NotFoundDisplay PrinterNotFound();

}  // namespace monitor
