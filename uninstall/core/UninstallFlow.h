// One uninstallation from start to end: the checks that refuse bad input
// before anything is touched, the one question, the removal steps in an order
// that never strands the user, and the one closing message.
#pragma once

#include <string>

namespace uninstall {

// What one removal step achieved. Ordered: combining keeps the worst.
enum class Outcome { Nothing, Done, Scheduled, Failed };
Outcome Combine(Outcome a, Outcome b);

enum class Icon { Information, Stop };

// The exit codes of Uninstall.exe.
enum ExitCode { kExitRemoved = 0, kExitDeclined = 1, kExitRefused = 2, kExitIncomplete = 3, kExitNothingInstalled = 4 };

// The removal steps, in the order they run.
enum class Step {
    EndMonitor,           // the running status monitor, ended by its own exit command
    AutoRun,              // its start at logon
    PortDriver,           // the hwinterface service and its image, when ours
    Queues,               // every queue on our driver
    PrinterDriver,        // the spooler's driver record
    Inf,                  // our INF in the system's INF store
    Shortcut,             // the Start-menu shortcut
    MonitorFiles,         // PGW\<ModelKey>.exe and PGW when empty
    PackageFiles,         // the staged driver package
    UninstallEntry,       // the entry in the list of installed programs
    Count
};

// What the uninstallation asks of the system and the user.
class UninstallSystem {
public:
    virtual ~UninstallSystem() = default;
    // Takes the installer's single-instance lock for the whole run; false when
    // setup or another uninstaller holds it.
    virtual bool TakeInstallerLock() = 0;
    // False when the user may not remove printers and drivers.
    virtual bool MayRemovePrinters() = 0;
    // Anything of this model left that is not already waiting for a restart.
    virtual bool AnythingInstalled() = 0;
    // True when another model of the family still uses the shared files and the
    // shared uninstall entry.
    virtual bool SharedWithOtherModel() = 0;
    virtual bool AskYesNo(const std::string& question) = 0;
    virtual void Tell(const std::string& text, Icon icon) = 0;
    virtual Outcome Remove(Step step) = 0;
    // The uninstaller's own file, after everything else.
    virtual void RemoveSelf() = 0;
};

// The words naming a step's leftovers in the closing message.
const char* PartName(Step step);

// Runs the uninstallation; returns its exit code.
int RunUninstall(UninstallSystem& system);

}  // namespace uninstall
