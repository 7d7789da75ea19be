// The decision of every status poll: which status the window shows, whether
// it pops up, and whether it hides itself. Texts and pictures are written only
// on entry into a state; faults of the parallel link are debounced by counting
// polls; the user's opening of the window shows three "Searching" polls and then
// writes the current status afresh.
#pragma once

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

// What one poll sees.
struct PollInputs {
    std::int32_t jobStatus = -1;        // printing job's Status, -1 when none
    std::int32_t printerStatus = 0;     // queue Status at the last successful query
    std::int32_t parallelStatus = -1;
    std::string portClass;              // "LPT", "USB", "COM" or the raw port name
    bool printerPresent = false;        // USB printer attached
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
    int row = 0;   // table row that applied, 0 for none
};

// The polling state, one per monitor window; all zero at start.
struct PollState {
    std::int32_t ShownState = 0;
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
