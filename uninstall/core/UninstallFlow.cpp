#include "uninstall/core/UninstallFlow.h"

#include "uninstall/core/UninstallRules.h"

#include <utility>
#include <vector>

namespace uninstall {

Outcome Combine(Outcome a, Outcome b) { return static_cast<int>(a) > static_cast<int>(b) ? a : b; }

const char* PartName(Step step) {
    switch (step) {
    case Step::EndMonitor: return "the running status monitor";
    case Step::AutoRun: return "the status monitor's start at logon";
    case Step::Queues: return "the printer";
    case Step::PrinterDriver: return "the printer driver";
    case Step::Inf: return "the printer driver's INF file in the system";
    case Step::Shortcut: return "the Start-menu shortcut";
    case Step::MonitorFiles: return "the status monitor's program file";
    case Step::ModelFiles: return "the printer driver's files";
    case Step::PortDriver: return "the port driver (hwinterface)";
    case Step::SharedFiles: return "the driver files all models share";
    case Step::UninstallEntry: return "the entry in the list of installed programs";
    case Step::Count: break;
    }
    return "";
}

std::string LeftOver(Step step, int model) {
    return IsModel(model) ? std::string(ModelName(model)) + ": " + PartName(step) : std::string(PartName(step));
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
    const std::vector<int> models = system.InstalledModels();
    if (models.empty() && !system.SharedPartsInstalled()) {
        system.Tell(kNothingToRemove, Icon::Information);
        return kExitNothingInstalled;
    }
    if (!system.AskYesNo(QuestionText(models))) return kExitDeclined;

    bool scheduled = false;
    std::vector<std::pair<Step, int>> failed;
    auto run = [&](Step step, int model) {
        const Outcome outcome = system.Remove(step, model);
        if (outcome == Outcome::Failed) failed.emplace_back(step, model);
        if (outcome == Outcome::Scheduled) scheduled = true;
        return outcome;
    };
    // Every model's own parts; a failed step does not stop the others.
    for (int model : models)
        for (int i = 0; i < static_cast<int>(kFirstSharedStep); ++i) run(static_cast<Step>(i), model);
    // The port driver, the shared files and the entry serve every model: they
    // stay while any model is left, so that its monitor keeps working and the
    // entry still removes it. The uninstaller goes with the entry, last.
    if (failed.empty() && !system.SharedFilesInUse()) {
        run(Step::PortDriver, kNoModel);
        run(Step::SharedFiles, kNoModel);
        if (failed.empty() && run(Step::UninstallEntry, kNoModel) != Outcome::Failed) system.RemoveSelf();
    }

    if (!failed.empty()) {
        std::string text = kIncompleteHead;
        for (const auto& [step, model] : failed) text += "\n- " + LeftOver(step, model);
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
