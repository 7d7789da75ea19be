#include "monitor/core/StatusPoll.h"

#include "catalogue/Catalogue.h"

#include <limits>

namespace monitor {

namespace {

const char* const kCommError = "Communicaton Error";
const char* const kPaperOutTitle = "Paper-Out Error";
const char* const kPaperOutMessage = "Please insert the Paper.";
const char* const kOfflineTitle = "Printer OFFLINE Error";
const char* const kOfflineMessage = "Press the Online button once to make the printer ONLINE.";
const char* const kUsbMessage =
    "Printer is not connected or switched OFF.\n"
    "Ensure USB cable is connected properly and the printer is switched ON.";

void Set(PollActions& a, PollState& s, Shown code, const char* title, const char* message, int anim) {
    a.set = true;
    a.title = title;
    a.message = message;
    a.anim = anim;
    s.ShownState = code;
}

void ClearFaults(PollState& s) {
    s.PrintFaultCount = 0;
    s.IdleFaultCount = 0;
    s.JobFaultCount = 0;
}

void ArmHide(PollState& s) {
    s.AutoHideCount = 0;
    s.AutoHideArmed = 1;
}

void AutoHideStep(PollActions& a, PollState& s) {
    // Saturate rather than overflow: the count only matters while armed, and arming resets it.
    if (s.AutoHideCount < std::numeric_limits<std::int32_t>::max()) s.AutoHideCount += 1;
    if (s.AutoHideArmed == 1 && s.AutoHideCount > 3) {
        s.AutoHideArmed = 0;
        s.AutoHideCount = 0;
        a.hide = true;
    }
}

// A debounced fault: shown on the threshold-th poll with its condition unless
// already shown; the counter wraps to 0 above the threshold.
void Debounce(PollActions& a, PollState& s, std::int32_t& counter, std::int32_t threshold, bool pops, Shown code,
              const char* message) {
    counter += 1;
    if (counter == threshold && s.ShownState != code) {
        a.show = pops;
        Set(a, s, code, kCommError, message, kAnimAttention);
        counter = 0;
    }
    if (counter > threshold) counter = 0;
}

}  // namespace

const char* const kLinkMessage =
    "Check all connections and make sure all device is turned ON.\n"
    "If the power was turned off during printing, cancel the print job.";
const char* const kSpoolerTitle = "Spooler Error";
const char* const kSpoolerMessage =
    "Print Spooler service is not available.\n"
    "Printer status will be shown again once the service is running.";
const char* const kPortAccessTitle = "Port Access Error";
const char* const kPortAccessMessage =
    "Printer status cannot be read from the parallel port.\n"
    "Port driver (hwinterface) is not running. Restart the computer.";
const char* const kLinkMessageOneLine =
    "Check all connections and make sure all device is turned ON. "
    "If the power was turned off during printing, cancel the print job.";

const std::string& PausedMessage() {
    static const std::string text = std::string("\"Pause Printing\" is selected in ") + catalogue::ModelName +
                                    " driver.\nGoto \"Printer and Faxes\" folder, right click and choose "
                                    "\"Resume Printing\"";
    return text;
}

void BeginSearch(PollState& state) { state.SearchMode = 1; }

NotFoundDisplay PrinterNotFound() {
    return {"No Printer Found", std::string(catalogue::ModelName) + " not installed.", kAnimAttention};
}

PollActions DecidePoll(PollState& s, const PollInputs& in) {
    PollActions a;
    const std::int32_t J = in.jobStatus;
    const std::int32_t P = in.parallelStatus;
    const bool lpt = in.portKind == PortKind::Lpt;
    const bool usb = in.portKind == PortKind::Usb;

    // Entry into a state that pops the window up.
    auto enterShown = [&](int row, Shown code, const char* title, const char* message) {
        a.row = row;
        if (s.ShownState != code) {
            a.show = true;
            Set(a, s, code, title, message, kAnimAttention);
        }
    };
    // Entry into a state that is written but leaves the window as it is.
    auto enterQuiet = [&](int row, Shown code, const char* title, const char* message, int anim) {
        a.row = row;
        if (s.ShownState != code) Set(a, s, code, title, message, anim);
    };

    if (s.SearchMode == 1) {
        a.row = 1;
        a.set = true;
        a.title = "Searching";
        a.message = "Searching the printer...";
        a.anim = kAnimNone;
        s.SearchPollCount += 1;
        if (s.SearchPollCount > 2) {
            s.SearchMode = 0;
            s.SearchPollCount = 0;
            s.ShownState = Shown::None;
        }
    } else if (in.queue == QueueView::NotInstalled) {
        static const NotFoundDisplay notFound = PrinterNotFound();
        enterQuiet(19, Shown::NotInstalled, notFound.title, notFound.message.c_str(), notFound.anim);
    } else if (in.queue == QueueView::SpoolerDown) {
        enterQuiet(20, Shown::SpoolerDown, kSpoolerTitle, kSpoolerMessage, kAnimAttention);
    } else if (in.queue != QueueView::Watched) {
        // Nothing read at this poll: the window keeps what it shows.
    } else if (in.printerStatus == 1) {
        enterShown(2, Shown::Paused, kCommError, PausedMessage().c_str());
    } else if (lpt && P == kParallelUnreadable) {
        // Without the register every parallel row would be a guess: while a
        // job prints the user is told, as a fault while printing is.
        if (J != -1)
            enterShown(21, Shown::PortUnreadableWithJob, kPortAccessTitle, kPortAccessMessage);
        else
            enterQuiet(21, Shown::PortUnreadable, kPortAccessTitle, kPortAccessMessage, kAnimAttention);
    } else if (J == kJobPrintingRetained && lpt && P == kParallelPaperOut) {
        enterShown(3, Shown::PaperOutPrinting, kPaperOutTitle, kPaperOutMessage);
    } else if (J == kJobPrintingRetained && lpt && P == kParallelOffline) {
        enterShown(4, Shown::OfflinePrinting, kOfflineTitle, kOfflineMessage);
    } else if (J == kJobPrintingRetained && lpt && P == kParallelNoLink) {
        a.row = 5;
        Debounce(a, s, s.PrintFaultCount, 5, true, Shown::LinkPrinting, kLinkMessage);
    } else if (J == kJobPrintingRetained) {
        a.row = 6;
        if (s.ShownState != Shown::Printing) {
            Set(a, s, Shown::Printing, "Printing", "Printing...\n(Window will minimize in 2sec...)", kAnimReady);
            ArmHide(s);
        }
        AutoHideStep(a, s);
    } else if (J == kJobPrintingError) {
        enterShown(7, Shown::JobError, kCommError, kLinkMessageOneLine);
    } else if (J == -1 && lpt && P == kParallelPaperOut) {
        enterQuiet(8, Shown::PaperOutIdle, kPaperOutTitle, kPaperOutMessage, kAnimAttention);
    } else if (J == -1 && lpt && P == kParallelOffline) {
        enterQuiet(9, Shown::OfflineIdle, kOfflineTitle, kOfflineMessage, kAnimAttention);
    } else if (J == -1 && lpt && (P == kParallelNoLink || P == kParallelNone)) {
        a.row = 10;
        Debounce(a, s, s.IdleFaultCount, 8, false, Shown::LinkIdle, kLinkMessage);
    } else if (J == kJobPrintingPaperOut && lpt && P == kParallelPaperOut) {
        enterShown(11, Shown::PaperOutJobReported, kPaperOutTitle, kPaperOutMessage);
    } else if (J != -1 && lpt && P == kParallelPaperOut) {
        enterQuiet(12, Shown::PaperOutWithJob, kPaperOutTitle, kPaperOutMessage, kAnimAttention);
    } else if (J == kJobPrintingOffline && lpt && P == kParallelOffline) {
        enterShown(13, Shown::OfflineJobReported, kOfflineTitle, kOfflineMessage);
    } else if (J != -1 && lpt && P == kParallelOffline) {
        enterQuiet(14, Shown::OfflineWithJob, kOfflineTitle, kOfflineMessage, kAnimAttention);
    } else if (J != -1 && lpt && P == kParallelNoLink) {
        a.row = 15;
        Debounce(a, s, s.JobFaultCount, 5, false, Shown::LinkWithJob, kLinkMessage);
    } else if (!in.printerPresent && usb) {
        a.row = 16;
        if (s.ShownState != Shown::UsbAbsent) {
            Set(a, s, Shown::UsbAbsent, kCommError, kUsbMessage, kAnimAttention);
            ClearFaults(s);
        }
    } else if (lpt && P == kParallelReady) {
        a.row = 17;
        if (s.ShownState != Shown::ParallelReady) {
            Set(a, s, Shown::ParallelReady, "Ready", "Ready to print.\n(Window will minimize in 2sec...)", kAnimReady);
            ClearFaults(s);
            ArmHide(s);
        }
        AutoHideStep(a, s);
    } else if (J == -1) {
        a.row = 18;
        if (s.ShownState != Shown::Ready) {
            Set(a, s, Shown::Ready, "Ready", "Ready to print.", kAnimReady);
            ClearFaults(s);
        }
    }
    return a;
}

}  // namespace monitor
