// One uninstallation from start to end: the checks that refuse bad input
// before anything is touched, the one question, the removal steps in an order
// that never strands the user, and the one closing message.
#pragma once

#include <string>
#include <vector>

namespace uninstall {

// What one removal step achieved. Ordered: combining keeps the worst.
enum class Outcome { Nothing, Done, Scheduled, Failed };
Outcome Combine(Outcome a, Outcome b);

enum class Icon { Information, Stop };

// The exit codes of Uninstall.exe.
enum ExitCode { kExitRemoved = 0, kExitDeclined = 1, kExitRefused = 2, kExitIncomplete = 3, kExitNothingInstalled = 4 };

// The removal steps, in the order they run: first a model's own, for each
// installed model in turn, then the parts every model shares.
enum class Step {
    EndMonitor,      // the model's running status monitor, ended by its own exit command
    AutoRun,         // its start at logon
    Queues,          // every queue on the model's driver, its jobs purged
    PrinterDriver,   // the spooler's driver record
    Inf,             // the model's INF in the system's INF store
    Shortcut,        // the Start-menu shortcut
    MonitorFiles,    // PGW\<ModelKey>.exe and PGW when empty
    ModelFiles,      // the model's staged GPD and INF
    PortDriver,      // shared: the hwinterface service and its image, when ours
    SharedFiles,     // shared: ZYKE9pin.dll, the catalogue and setup.exe
    UninstallEntry,  // shared: the entry in the list of installed programs
    Count
};
inline constexpr Step kFirstSharedStep = Step::PortDriver;
inline constexpr int kNoModel = -1;

// What the uninstallation asks of the system and the user.
class UninstallSystem {
public:
    virtual ~UninstallSystem() = default;
    // Takes the installer's single-instance lock for the whole run; false when
    // setup or another uninstaller holds it.
    virtual bool TakeInstallerLock() = 0;
    // False when the user may not remove printers and drivers.
    virtual bool MayRemovePrinters() = 0;
    // The models of the family with anything left that is not already waiting
    // for a restart, in catalogue order.
    virtual std::vector<int> InstalledModels() = 0;
    // Any of the shared parts left (not waiting for a restart) with no printer
    // driver using them.
    virtual bool SharedPartsInstalled() = 0;
    // True when a printer driver still names the family's shared DLL, after
    // every model found was removed: a model this uninstaller does not know.
    virtual bool SharedFilesInUse() = 0;
    virtual bool AskYesNo(const std::string& question) = 0;
    virtual void Tell(const std::string& text, Icon icon) = 0;
    // One step for one model; a shared step gets kNoModel.
    virtual Outcome Remove(Step step, int model) = 0;
    // The uninstaller's own file, after everything else.
    virtual void RemoveSelf() = 0;
};

// The words naming a step's leftovers in the closing message.
const char* PartName(Step step);
// One line of the closing message: the model's name before a model's own part.
std::string LeftOver(Step step, int model);

// Runs the uninstallation; returns its exit code.
int RunUninstall(UninstallSystem& system);

}  // namespace uninstall
