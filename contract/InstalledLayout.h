// What an installation leaves on the machine, as the installer writes it and
// the uninstaller finds it again: the files in the printer driver directory D
// (no trailing separator), the monitor's auto-start value, the Start-menu
// shortcut and the uninstall entry. The files are one table; the installer's
// list of what it wrote and the uninstaller's lists of a model's files and of
// the shared ones are all read from it, so neither can name a file the other
// does not know. Names per model come from a catalogue row.
#pragma once

#include "catalogue/Catalogue.h"

#include <string>

namespace contract {

// ---------------------------------------------------------------- names
inline constexpr char kSharedDll[] = "ZYKE9pin.dll";
inline constexpr char kSharedCatalog[] = "ZYKE9pin.cat";
inline constexpr char kUninstaller[] = "Uninstall.exe";
inline constexpr char kSetupProgram[] = "setup.exe";
// D's subfolders: the spooler's copies of a driver's files, and the monitor.
inline constexpr char kSpoolerFolder[] = "3";
inline constexpr char kMonitorFolder[] = "PGW";

// The names of one catalogue row that the layout uses. The uninstaller,
// which knows every model, reads a row at run time (RowOf); the installer
// passes its own row, read at compile time, so that it carries no other
// model's names.
struct ModelRow {
    const char* key;
    const char* gpdFile;
    const char* infFile;
};

inline bool IsModel(int model) { return model >= 0 && model < catalogue::kModelCount; }
// A model of the catalogue (IsModel).
inline ModelRow RowOf(int model) {
    return {catalogue::kModelKey[model], catalogue::kModelGpdFile[model], catalogue::kModelInfFile[model]};
}

// The monitor's image, "<ModelKey>.exe"; its auto-start value's name,
// "ZYKE<ModelKey>"; its shortcut's file name, "Pagewarden<ModelKey>.LNK".
inline std::string MonitorImageName(const ModelRow& row) { return std::string(row.key) + ".exe"; }
inline std::string AutoRunValueName(const ModelRow& row) { return std::string("ZYKE") + row.key; }
inline std::string ShortcutFileName(const ModelRow& row) { return std::string("Pagewarden") + row.key + ".LNK"; }

// D + "\PGW\" + the monitor's image: the deployed monitor.
inline std::string MonitorExecutable(const std::string& driverDir, const ModelRow& row) {
    return driverDir + "\\" + kMonitorFolder + "\\" + MonitorImageName(row);
}

// D + "\" + the model's INF.
inline std::string InfPath(const std::string& driverDir, const ModelRow& row) { return driverDir + "\\" + row.infFile; }

// ---------------------------------------------------------------- registry and Start menu
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics";

// The shortcut's folder, below the folder the system names for all users' programs.
inline std::string ShortcutFolder(const std::string& commonPrograms) { return commonPrograms + "\\ZYK Electronics"; }

// ---------------------------------------------------------------- files
enum class Folder { Driver, Spooler, Monitor };  // D, D\3, D\PGW
enum class Name { Fixed, ModelGpd, ModelInf, ModelCompiledGpd, ModelMonitor };

struct InstalledFile {
    Folder folder;
    Name name;
    const char* fixed;       // the name, for Name::Fixed
    bool model;              // the model's own, else shared by every model of the family
    bool written;            // the installer writes it (else the universal driver does, beside it)
    bool needsVersionCheck;  // a common name: removed only when its version resource says it is ours
    bool ownStep;            // removed by a step of its own, not with the model's or shared files
};

// In the order the installer lists them.
inline constexpr InstalledFile kInstalledFiles[] = {
    {Folder::Driver, Name::ModelGpd, nullptr, true, true, false, false},
    {Folder::Driver, Name::ModelInf, nullptr, true, true, false, false},
    {Folder::Driver, Name::Fixed, kSharedDll, false, true, false, false},
    {Folder::Driver, Name::Fixed, kSharedCatalog, false, true, false, false},
    // Staging copies every program of the medium's top level, the installer too.
    {Folder::Driver, Name::Fixed, kSetupProgram, false, true, true, false},
    // The uninstaller removes itself last.
    {Folder::Driver, Name::Fixed, kUninstaller, false, true, true, true},
    {Folder::Spooler, Name::ModelGpd, nullptr, true, true, false, false},
    // The compiled GPD the universal driver writes beside the spooler's copy.
    {Folder::Spooler, Name::ModelCompiledGpd, nullptr, true, false, false, false},
    {Folder::Spooler, Name::Fixed, kSharedDll, false, true, false, false},
    // Removed with its folder once the monitor has ended.
    {Folder::Monitor, Name::ModelMonitor, nullptr, true, true, false, true},
};

// The universal driver's compiled form of a GPD: its name with ".BUD".
inline std::string CompiledGpdName(const std::string& gpd) { return gpd.substr(0, gpd.find_last_of('.')) + ".BUD"; }

// An entry's file name; a shared entry reads nothing of the row.
inline std::string FileName(const InstalledFile& file, const ModelRow& row) {
    switch (file.name) {
    case Name::Fixed: return file.fixed;
    case Name::ModelGpd: return row.gpdFile;
    case Name::ModelInf: return row.infFile;
    case Name::ModelCompiledGpd: return CompiledGpdName(row.gpdFile);
    case Name::ModelMonitor: return MonitorImageName(row);
    }
    return {};
}

// D, D\3 or D\PGW.
inline std::string FolderPath(const std::string& driverDir, Folder folder) {
    switch (folder) {
    case Folder::Driver: return driverDir;
    case Folder::Spooler: return driverDir + "\\" + kSpoolerFolder;
    case Folder::Monitor: return driverDir + "\\" + kMonitorFolder;
    }
    return driverDir;
}

inline std::string FilePath(const std::string& driverDir, const InstalledFile& file, const ModelRow& row) {
    return FolderPath(driverDir, file.folder) + "\\" + FileName(file, row);
}

}  // namespace contract
