#include "uninstall/core/UninstallFlow.h"

#include "uninstall/core/UninstallRules.h"

#include <vector>

namespace uninstall {

Outcome Combine(Outcome a, Outcome b) { return static_cast<int>(a) > static_cast<int>(b) ? a : b; }

const char* PartName(Step step) {
    switch (step) {
    case Step::EndMonitor: return "the running status monitor";
    case Step::AutoRun: return "the status monitor's start at logon";
    case Step::PortDriver: return "the port driver (hwinterface)";
    case Step::Queues: return "the printer";
    case Step::PrinterDriver: return "the printer driver";
    case Step::Inf: return "the printer driver's INF file in the system";
    case Step::Shortcut: return "the Start-menu shortcut";
    case Step::MonitorFiles: return "the status monitor's program file";
    case Step::PackageFiles: return "the printer driver's files";
    case Step::UninstallEntry: return "the entry in the list of installed programs";
    case Step::Count: break;
    }
    return "";
}

int RunUninstall(UninstallSystem& system) {
    // Bad input is refused before anything is touched or asked.
    if (!system.TakeInstallerLock()) {
        system.Tell(kSetupRunning, Icon::Stop);
        return kExitRefused;
    }
    if (!system.MayRemovePrinters()) {
        system.Tell(kNotAllowed, Icon::Stop);
        return kExitRefused;
    }
    if (!system.AnythingInstalled()) {
        system.Tell(NothingToRemoveText(), Icon::Information);
        return kExitNothingInstalled;
    }
    if (!system.AskYesNo(QuestionText())) return kExitDeclined;

    const bool shared = system.SharedWithOtherModel();
    bool scheduled = false;
    std::vector<Step> failed;
    auto run = [&](Step step) {
        const Outcome outcome = system.Remove(step);
        if (outcome == Outcome::Failed) failed.push_back(step);
        if (outcome == Outcome::Scheduled) scheduled = true;
        return outcome;
    };
    for (int i = 0; i < static_cast<int>(Step::UninstallEntry); ++i) run(static_cast<Step>(i));
    // The entry is what lets the user run this program again: it goes only
    // when nothing failed and no other model of the family still relies on it,
    // and the uninstaller it names goes with it, last.
    if (failed.empty() && !shared) {
        if (run(Step::UninstallEntry) != Outcome::Failed) system.RemoveSelf();
    }

    if (!failed.empty()) {
        std::string text = kIncompleteHead;
        for (Step step : failed) text += std::string("\n- ") + PartName(step);
        if (scheduled) text += std::string("\n\n") + kRestartNote;
        text += std::string("\n\n") + kIncompleteTail;
        system.Tell(text, Icon::Stop);
        return kExitIncomplete;
    }
    std::string text = kRemoved;
    if (scheduled) text += std::string("\n\n") + kRestartNote;
    system.Tell(text, Icon::Information);
    return kExitRemoved;
}

}  // namespace uninstall
