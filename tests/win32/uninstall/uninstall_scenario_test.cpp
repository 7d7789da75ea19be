// The uninstaller as a user runs it. Full: a snapshot of the prefix, the
// medium installed on LPT1: through setup's dialogs, the monitor reading its
// port through the driver's test build, then the uninstaller that the
// uninstall entry names answered with Yes; the monitor, its tray icon and the
// hwinterface service are gone, a second run finds nothing to remove, and
// after a restart the prefix compares equal to the snapshot but for what
// Wine writes for itself. Two models of the family from a read-only medium,
// removed through the one entry they share. Refusals: nothing installed,
// setup running.
#include "Snapshot.h"

#include "catalogue/Catalogue.h"
#include "uninstall/core/UninstallFlow.h"
#include "uninstall/core/UninstallRules.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"
#include "tools/sim/Drive.h"

#include <gtest/gtest.h>

#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace {

const std::string kMonitorCaption = uninstall::MonitorCaption(MODEL_INDEX);
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics";

std::string DriverDir() { return bench::SystemDir() + "\\spool\\drivers\\w32x86"; }

bool ServiceExists(const char* name) {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    pw::unique_service service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

DWORD ServiceState(const char* name) {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    pw::unique_service service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.get(), &status) ? status.dwCurrentState : 0;
}

// Runs the uninstaller and answers its messages: the question (when one comes)
// with `answer`, then the closing message, whose text is returned.
struct RunResult {
    bool asked = false;
    std::string closing;
    DWORD exitCode = 999;
};

RunResult RunUninstaller(const std::string& exe, int answer, const std::string& shot,
                         const std::string& question = uninstall::QuestionText({MODEL_INDEX})) {
    RunResult result;
    bench::Process process = bench::Process::Start(exe);
    EXPECT_TRUE(process) << exe << " did not start: " << process.StartError();
    if (!process) return result;
    HWND box = bench::WaitMessageBox(uninstall::kCaption, 30000, process.Id());
    EXPECT_TRUE(box) << "the uninstaller showed no message";
    if (!box) return result;
    EXPECT_TRUE(bench::WaitVisible(box));
    std::string text = bench::MessageBoxText(box);
    if (text == question) {
        result.asked = true;
        bench::Screenshot(shot + "-question");
        EXPECT_TRUE(bench::AnswerMessageBox(box, answer));
        box = bench::WaitMessageBox(uninstall::kCaption, 60000, process.Id());
        if (box) {
            EXPECT_TRUE(bench::WaitVisible(box));
            text = bench::MessageBoxText(box);
        } else {
            text.clear();
        }
    }
    if (box) {
        result.closing = text;
        bench::Screenshot(shot + "-closing");
        // Nothing is asked twice: the closing message is the last window.
        EXPECT_TRUE(bench::AnswerMessageBox(box, IDOK));
    }
    EXPECT_TRUE(process.WaitExit(30000, &result.exitCode));
    return result;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

// The first key of parent + "\" + path (walked one component at a time) that
// does not exist yet: what the stand-ins will create and the test removes again.
std::string FirstMissingKey(const std::string& parent, const std::string& path) {
    std::string key = parent;
    if (!key.empty() && key.back() == '\\') key.pop_back();
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        key += "\\" + path.substr(start, end - start);
        if (!bench::reg::KeyExists(HKEY_LOCAL_MACHINE, key)) return key;
        start = end + 1;
    }
    return {};
}

// What may differ after the uninstallation, and why: only what Wine writes
// for itself. Windows 7 has these keys from the start; Wine's spooler and
// desktop create them, empty, at their first use and keep them.
const std::vector<snapshot::Allowance> kAllowedKeys = {
    {R"(\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers(\\Version-3)?\])",
     "the spooler's driver keys, created by Wine's spooler with the first driver"},
    {R"(\[HKEY_USERS\\[^\\]+\\Software\\Microsoft\\Windows NT\\CurrentVersion\\(Devices|PrinterPorts|Windows)\])",
     "the user's printer keys, created by Wine's spooler with the first printer (their values go with it)"},
    {R"(\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent\] @=dword:[0-9a-f]+)",
     "Wine's count of services started, which every service start increases"},
    {R"(\[HKEY_USERS\\[^\\]+\\Software\\Wine\\Temporary System Parameters(\\.*)?\]( .*)?)",
     "Wine's own record of system parameters changed for the session"},
};

// Windows 7 has the driver catalogue database's folder from the start; Wine
// creates it when the first catalogue is installed and keeps it, empty.
const std::vector<snapshot::Allowance> kAllowedFiles = {
    {R"(C:\\windows\\system32\\catroot\\\{f750e6c3-38ee-11d1-85e5-00c04fc295ee\}\\)",
     "the driver catalogue database's folder, created empty by Wine's SetupAPI with the first catalogue"},
};

const std::vector<std::string> kFolders = {"C:\\windows", "C:\\Documents and Settings", "C:\\users"};

// The model installed from `medium` onto LPT1: as a user does it, with the
// prefix snapshotted before; and, at the end, the test's own stand-ins taken
// away, the restart that completes a removal, and the prefix compared with
// that snapshot.
struct InstalledPrefix {
    snapshot::Snapshot before;
    std::optional<std::string> wmiServer;
    std::string newEnumKey;
    // The monitor reads the queue's published port; the publisher stops before
    // the removal, so that it cannot write into a queue key being deleted.
    std::unique_ptr<fixture::PortPublisher> publisher;
    HWND status = nullptr;
    bench::Process monitor;

    // `cwd`: the current directory setup is started in (the medium when empty).
    void Install(const std::string& medium, const std::string& snaps, const std::string& shotPrefix,
                 const std::string& cwd = {}) {
        // Wine writes some of its own state at the first use of a program; let it
        // happen before the snapshot (a run of regedit, which the snapshot needs anyway).
        snapshot::Snapshot warmup;
        std::string error;
        ASSERT_TRUE(snapshot::Take(snaps + "\\warmup.reg", kFolders, warmup, error)) << error;
        ASSERT_TRUE(snapshot::Take(snaps + "\\before.reg", kFolders, before, error)) << error;
        wmiServer = bench::reg::GetString(HKEY_CLASSES_ROOT, fixture::kLocatorServerKey, "");
        newEnumKey = FirstMissingKey(fixture::kEnumKey, fixture::kLptDevice);

        ASSERT_TRUE(fixture::InstallStandIns(bench::UnixToWindows(HWINTERFACE_TEST_SYS),
                                             bench::UnixToWindows(PW_WMI_FIXTURE_DLL), catalogue::ModelName, error))
            << error;
        publisher = std::make_unique<fixture::PortPublisher>(catalogue::ModelName);
        {
            bench::Process setup =
                bench::Process::Start(bench::JoinPath(medium, "setup.exe"), "", cwd.empty() ? medium : cwd);
            ASSERT_TRUE(setup) << setup.StartError();
            sim::SetScreenshotPrefix(shotPrefix);
            ASSERT_TRUE(sim::DriveSetup(kMonitorCaption, sim::Route::Lpt));
            ASSERT_TRUE(setup.WaitExit(20000));
        }
        status = bench::FindTopWindow({"#32770", kMonitorCaption});
        ASSERT_TRUE(status);
        monitor = bench::Process::Adopt(bench::WindowProcessId(status));
        ASSERT_TRUE(monitor);
        // The monitor has started its port driver.
        ASSERT_TRUE(bench::WaitUntil([] { return ServiceState(uninstall::kServiceName) == SERVICE_RUNNING; }, 30000));
    }

    // `goneAtRestart`: a file the restart must have deleted.
    void ExpectNothingLeftAfterRestart(const std::string& snaps, const std::string& goneAtRestart) {
        if (wmiServer) bench::reg::SetString(HKEY_CLASSES_ROOT, fixture::kLocatorServerKey, "", *wmiServer);
        bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Pagewarden Test");
        if (!newEnumKey.empty()) bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, newEnumKey);
        ASSERT_EQ(bench::RunAndWait("wineboot.exe -r", 120000), std::optional<DWORD>(0));
        EXPECT_FALSE(bench::FileExists(goneAtRestart));
        snapshot::Snapshot after;
        std::string error;
        ASSERT_TRUE(snapshot::Take(snaps + "\\after.reg", kFolders, after, error)) << error;
        EXPECT_EQ(Joined(snapshot::Unexplained(before.registry, after.registry, kAllowedKeys)), "");
        EXPECT_EQ(Joined(snapshot::Unexplained(before.files, after.files, kAllowedFiles)), "");
    }
};

TEST(UninstallScenario, LeavesThePrefixAsItWasBeforeTheInstallation) {
    const std::string snaps = bench::PrefixPath("snapshots");
    ASSERT_TRUE(bench::MakeDirs(snaps));
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    // The installation as a user does it, onto LPT1:.
    InstalledPrefix prefix;
    ASSERT_NO_FATAL_FAILURE(prefix.Install(medium, snaps, "uninstall_"));
    HWND status = prefix.status;
    bench::Process& monitor = prefix.monitor;
    std::string error;
    ASSERT_TRUE(bench::WaitUntil([] { return bench::TrayIconCount() >= 1; }, 15000));
    ASSERT_TRUE(sim::OpenMonitor(kMonitorCaption));
    // Its title control reads "Ready" only from a status register read through the driver.
    ASSERT_TRUE(bench::WaitUntil([&] { return bench::ControlText(status, 1004) == "Ready"; }, 20000))
        << bench::ControlText(status, 1004);
    bench::Screenshot("uninstall-monitor-ready");
    prefix.publisher.reset();

    // The uninstaller the uninstall entry names, answered with Yes.
    const std::optional<std::string> command =
        bench::reg::GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    ASSERT_TRUE(command);
    ASSERT_EQ(*command, DriverDir() + "\\Uninstall.exe");
    const RunResult first = RunUninstaller(*command, IDYES, "uninstall");
    EXPECT_TRUE(first.asked);
    EXPECT_EQ(first.closing, uninstall::kRemoved);
    EXPECT_EQ(first.exitCode, 0u);

    // The monitor ended through its own exit: process and tray icon gone.
    EXPECT_TRUE(monitor.WaitExit(1000));
    EXPECT_TRUE(bench::FindTopWindows({"#32770", kMonitorCaption}).empty());
    EXPECT_TRUE(bench::WaitTrayIconCount(0, 5000));
    EXPECT_FALSE(ServiceExists(uninstall::kServiceName));
    EXPECT_FALSE(bench::FileExists(fixture::DriverImagePath()));
    pw::unique_printer printer;
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>(catalogue::ModelName), printer.put(), nullptr));

    // A second run finds nothing to remove, asks nothing and touches nothing.
    snapshot::Snapshot afterFirst;
    ASSERT_TRUE(snapshot::Take(snaps + "\\after-first.reg", kFolders, afterFirst, error)) << error;
    const RunResult second = RunUninstaller(*command, IDNO, "uninstall-second-run");
    EXPECT_FALSE(second.asked);
    EXPECT_EQ(second.closing, uninstall::kNothingToRemove);
    EXPECT_EQ(second.exitCode, static_cast<DWORD>(uninstall::kExitNothingInstalled));
    snapshot::Snapshot afterSecond;
    ASSERT_TRUE(snapshot::Take(snaps + "\\after-second.reg", kFolders, afterSecond, error)) << error;
    EXPECT_EQ(Joined(snapshot::Unexplained(afterFirst.registry, afterSecond.registry, {})), "");
    EXPECT_EQ(Joined(snapshot::Unexplained(afterFirst.files, afterSecond.files, {})), "");

    // The test's own stand-ins go, so that what is left is the programs' and Wine's;
    // the restart completes the removal of what was in use.
    prefix.ExpectNothingLeftAfterRestart(snaps, *command);
}

// As run in the field: the all-users Programs folder moved, setup started in a
// folder of other drivers' files, uninstalled from the driver directory and
// installed again before the restart, which leaves that installation whole.
TEST(UninstallScenario, ReinstalledBeforeTheRestartFromAnotherFolderWithTheStartMenuMoved) {
    const std::string snaps = bench::PrefixPath("snapshots");
    ASSERT_TRUE(bench::MakeDirs(snaps));
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    const std::string programs = "C:\\Menus\\Programs";
    ASSERT_TRUE(bench::MakeDirs(programs));
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE,
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                      "Common Programs", programs));
    const std::string elsewhere = bench::PrefixPath("elsewhere");
    for (const char* name : {"other.dll", "other.inf"})
        ASSERT_TRUE(bench::WriteFileText(bench::JoinPath(elsewhere, name), "not ours"));
    const std::string d = DriverDir();
    const std::string shortcut = programs + "\\ZYK Electronics\\" + uninstall::ShortcutFileName(MODEL_INDEX);

    InstalledPrefix first;
    ASSERT_NO_FATAL_FAILURE(first.Install(medium, snaps, "uninstall_elsewhere_", elsewhere));
    EXPECT_TRUE(bench::FileExists(shortcut));
    for (const char* name : {"other.dll", "other.inf"}) EXPECT_FALSE(bench::FileExists(d + "\\" + name)) << name;
    first.publisher.reset();
    const std::string uninstaller = d + "\\Uninstall.exe";
    EXPECT_EQ(RunUninstaller(uninstaller, IDYES, "uninstall-elsewhere").closing, uninstall::kRemoved);
    EXPECT_FALSE(bench::FileExists(shortcut));

    InstalledPrefix again;
    ASSERT_NO_FATAL_FAILURE(again.Install(medium, snaps, "uninstall_elsewhere_again_", elsewhere));
    again.publisher.reset();
    ASSERT_EQ(bench::RunAndWait("wineboot.exe -r", 120000), std::optional<DWORD>(0));
    for (const std::string& file : {uninstaller, shortcut, uninstall::MonitorExecutable(d, MODEL_INDEX)})
        EXPECT_TRUE(bench::FileExists(file)) << file;
    EXPECT_EQ(bench::reg::GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              std::optional<std::string>(uninstaller));
}

// What a second model's installation (model 0, ZYK LXD 410 Nova) leaves beside
// this model's: its staged GPD and INF, the INF in the system's store, its
// driver record on the shared ZYKE9pin.dll, a queue, its monitor with its Run
// value. Its installer also overwrote the shared Uninstall.exe
// and the entry, which name the same file for every model.
constexpr int kOther = 0;
const std::string kOtherName = catalogue::kModelName[kOther];
const std::string kOtherKey = catalogue::kModelKey[kOther];

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool MakeReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void PlantOtherModel(const std::string& medium) {
    const std::string d = DriverDir();
    const std::string inf = d + "\\" + catalogue::kModelInfFile[kOther];
    const std::string gpd = d + "\\" + catalogue::kModelGpdFile[kOther];
    std::string text;
    ASSERT_TRUE(bench::ReadFileText(d + "\\" + catalogue::ModelInfFile, text));
    text = Replaced(Replaced(Replaced(text, catalogue::ModelName, kOtherName), catalogue::ModelKey, kOtherKey),
                    catalogue::ModelGpdFile, catalogue::kModelGpdFile[kOther]);
    ASSERT_TRUE(bench::WriteFileText(inf, text));
    ASSERT_TRUE(bench::CopyFileTo(d + "\\" + catalogue::ModelGpdFile, gpd));
    ASSERT_TRUE(MakeReadOnly(inf) && MakeReadOnly(gpd));
    // Staged as setup stages it.
    char stored[MAX_PATH] = {};
    ASSERT_TRUE(SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, stored, sizeof stored, nullptr,
                                 nullptr))
        << GetLastError();

    const std::string dependent("ZYKE9pin.dll\0unidrvui.dll\0unidrv.dll\0unidrv.hlp\0unires.dll\0stdnames.gpd\0\0", 73);
    ASSERT_TRUE(fixture::AddDriverRecord(kOtherName, catalogue::kModelGpdFile[kOther], dependent)) << GetLastError();

    ASSERT_TRUE(fixture::PlantDatatype(kOtherName));
    std::string name = kOtherName, port = "LPT2:", processor = "WinPrint", datatype = "RAW";
    PRINTER_INFO_2A queue = {};
    queue.pPrinterName = &name[0];
    queue.pPortName = &port[0];
    queue.pDriverName = &name[0];
    queue.pPrintProcessor = &processor[0];
    queue.pDatatype = &datatype[0];
    pw::unique_printer added(AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&queue)));
    ASSERT_TRUE(added) << GetLastError();

    const std::string monitor = d + "\\PGW\\" + kOtherKey + ".exe";
    ASSERT_TRUE(
        bench::CopyFileTo(bench::JoinPath(medium, std::string("PGW\\") + catalogue::ModelKey + ".exe"), monitor));
    ASSERT_TRUE(MakeReadOnly(monitor));
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      "ZYKE" + kOtherKey, d + "\\PGW\\" + kOtherKey));
}

// The spooler keeps a driver's record under its name here.
bool DriverRegistered(const std::string& name) {
    return bench::reg::KeyExists(HKEY_LOCAL_MACHINE,
                                 "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86"
                                 "\\Drivers\\Version-3\\" +
                                     name);
}

// Two models of the family, this one installed from a read-only medium (a CD
// copied to disk keeps the attribute) and a second one beside it, removed
// through the entry they share: the entry's values; one run removes both
// models but keeps the shared parts while a model is left (here a status
// window of the second model that is no monitor's, so that model cannot be
// removed completely); a second run through the entry removes the rest, the
// read-only files at once, without a restart; and nothing is left after it.
TEST(UninstallScenario, TwoModelsFromAReadOnlyMediumGoThroughTheSharedEntry) {
    const std::string snaps = bench::PrefixPath("snapshots");
    ASSERT_TRUE(bench::MakeDirs(snaps));
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    for (const std::string& name : bench::ListDir(medium)) {
        if (bench::FileExists(bench::JoinPath(medium, name))) {
            ASSERT_TRUE(MakeReadOnly(bench::JoinPath(medium, name)));
        }
    }
    ASSERT_TRUE(MakeReadOnly(bench::JoinPath(medium, std::string("PGW\\") + catalogue::ModelKey + ".exe")));
    InstalledPrefix prefix;
    ASSERT_NO_FATAL_FAILURE(prefix.Install(medium, snaps, "uninstall_two_models_"));
    bench::Process& monitor = prefix.monitor;
    std::string error;
    const std::string d = DriverDir();
    // Staging kept the medium's attribute.
    ASSERT_TRUE(IsReadOnly(d + "\\" + catalogue::ModelGpdFile));
    ASSERT_TRUE(IsReadOnly(d + "\\ZYKE9pin.dll"));

    // The entry's values the engine writes beside the tabled ones (their data
    // is the host tests'): the columns of Programs and Features, no Change or
    // Repair, a size of at least the uninstaller, and an icon in the program
    // the entry names.
    const std::string uninstaller = d + "\\Uninstall.exe";
    for (const char* name : {"Publisher", "DisplayVersion"})
        EXPECT_TRUE(bench::reg::GetString(HKEY_LOCAL_MACHINE, kUninstallKey, name)) << name;
    for (const char* name : {"NoModify", "NoRepair"})
        EXPECT_EQ(bench::reg::GetDword(HKEY_LOCAL_MACHINE, kUninstallKey, name), std::optional<DWORD>(1)) << name;
    const std::optional<DWORD> size = bench::reg::GetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    WIN32_FILE_ATTRIBUTE_DATA exe = {};
    ASSERT_TRUE(size && GetFileAttributesExA(uninstaller.c_str(), GetFileExInfoStandard, &exe));
    EXPECT_GT(*size, exe.nFileSizeLow / 1024);
    EXPECT_LT(*size, 64u * 1024);
    EXPECT_EQ(bench::reg::GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"),
              std::optional<std::string>(uninstaller));
    EXPECT_GE(ExtractIconExA(uninstaller.c_str(), -1, nullptr, nullptr, 0), 1u);

    ASSERT_NO_FATAL_FAILURE(PlantOtherModel(medium));
    ASSERT_TRUE(DriverRegistered(catalogue::ModelName) && DriverRegistered(kOtherName));
    prefix.publisher.reset();
    // A window with the second model's monitor caption in a program that is no monitor.
    HWND impostor = CreateWindowExA(0, "#32770", uninstall::MonitorCaption(kOther).c_str(), WS_OVERLAPPED, 0, 0, 100,
                                    100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(impostor);

    const std::optional<std::string> command =
        bench::reg::GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    ASSERT_TRUE(command);
    const RunResult first =
        RunUninstaller(*command, IDYES, "uninstall-two-models", uninstall::QuestionText({kOther, MODEL_INDEX}));
    EXPECT_TRUE(first.asked);
    // What was left and what to do, without a restart note: nothing read-only waits for one.
    EXPECT_EQ(first.closing, std::string(uninstall::kIncompleteHead) + "\n- " + kOtherName +
                                 ": the running status monitor\n\n" + uninstall::kIncompleteTail);
    EXPECT_EQ(first.exitCode, static_cast<DWORD>(uninstall::kExitIncomplete));
    EXPECT_TRUE(monitor.WaitExit(1000));
    // Both models' own parts are gone, the read-only files at once.
    for (const std::string& model : {std::string(catalogue::ModelName), kOtherName}) {
        EXPECT_FALSE(fixture::QueueExists(model)) << model;
        EXPECT_FALSE(DriverRegistered(model)) << model;
    }
    for (int model : {kOther, MODEL_INDEX}) {
        const std::string key = catalogue::kModelKey[model];
        EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                             "ZYKE" + key));
        for (const std::string& file :
             {d + "\\" + catalogue::kModelGpdFile[model], d + "\\" + catalogue::kModelInfFile[model],
              d + "\\PGW\\" + key + ".exe", bench::WindowsDir() + "\\inf\\" + catalogue::kModelInfFile[model]})
            EXPECT_FALSE(bench::FileExists(file)) << file;
    }
    // The shared parts stay while a model is left: its monitor's port driver,
    // the shared files and the entry with the uninstaller it names.
    EXPECT_TRUE(ServiceExists(uninstall::kServiceName));
    EXPECT_TRUE(bench::FileExists(d + "\\ZYKE9pin.dll"));
    EXPECT_TRUE(bench::FileExists(d + "\\ZYKE9pin.cat"));
    EXPECT_TRUE(bench::FileExists(uninstaller));
    EXPECT_TRUE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // With the window gone, the entry removes what is left, the read-only shared files at once.
    DestroyWindow(impostor);
    const RunResult second = RunUninstaller(*command, IDYES, "uninstall-two-models-rest", uninstall::QuestionText({}));
    EXPECT_TRUE(second.asked);
    EXPECT_EQ(second.closing, uninstall::kRemoved);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_FALSE(ServiceExists(uninstall::kServiceName));
    for (const char* name : {"ZYKE9pin.dll", "ZYKE9pin.cat", "setup.exe", "3\\ZYKE9pin.dll"})
        EXPECT_FALSE(bench::FileExists(d + "\\" + name)) << name;
    EXPECT_FALSE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // Nothing left but what Wine writes for itself, after the restart that
    // takes the uninstaller's own file.
    prefix.ExpectNothingLeftAfterRestart(snaps, uninstaller);
}

// Nothing installed: the uninstaller, started from the medium, says so,
// asks nothing and touches nothing.
TEST(UninstallScenario, NothingInstalledIsSaidAndNothingTouched) {
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    const std::string snaps = bench::PrefixPath("snapshots");
    ASSERT_TRUE(bench::MakeDirs(snaps));
    std::string error;
    snapshot::Snapshot warmup, before, after;
    ASSERT_TRUE(snapshot::Take(snaps + "\\warmup.reg", kFolders, warmup, error)) << error;
    ASSERT_TRUE(snapshot::Take(snaps + "\\before.reg", kFolders, before, error)) << error;
    const RunResult run = RunUninstaller(bench::JoinPath(medium, "Uninstall.exe"), IDNO, "uninstall-nothing");
    EXPECT_FALSE(run.asked);
    EXPECT_EQ(run.closing, uninstall::kNothingToRemove);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(uninstall::kExitNothingInstalled));
    ASSERT_TRUE(snapshot::Take(snaps + "\\after.reg", kFolders, after, error)) << error;
    // Wine's spooler makes its driver keys at the first look at its drivers.
    EXPECT_EQ(Joined(snapshot::Unexplained(before.registry, after.registry, kAllowedKeys)), "");
    EXPECT_EQ(Joined(snapshot::Unexplained(before.files, after.files, {})), "");
    EXPECT_TRUE(bench::FileExists(bench::JoinPath(medium, "Uninstall.exe")));
}

// While setup runs, the uninstaller refuses with a message and removes nothing.
TEST(UninstallScenario, RefusesWhileSetupRuns) {
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    // Something to remove, so that only the running setup can stop it.
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string runValue = std::string("ZYKE") + catalogue::ModelKey;
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, runKey, runValue, "C:\\x\\PGW\\x"));
    bench::Process setup = bench::Process::Start(bench::JoinPath(medium, "setup.exe"), "", medium);
    ASSERT_TRUE(setup) << setup.StartError();
    ASSERT_TRUE(bench::WaitWindow({"#32770", "ZYKE Printer Driver - Setup", setup.Id(), true}, 60000));
    const RunResult run = RunUninstaller(bench::JoinPath(medium, "Uninstall.exe"), IDYES, "uninstall-setup-running");
    EXPECT_FALSE(run.asked);
    EXPECT_EQ(run.closing, uninstall::kSetupRunning);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(uninstall::kExitRefused));
    EXPECT_TRUE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, runKey, runValue));
    EXPECT_TRUE(setup.Running());
}

// A "hwinterface" kernel service of another maker, whose image lacks our
// version information, is left registered with its image in place.
TEST(UninstallScenario, LeavesAnotherMakersPortDriverAlone) {
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    const std::string image = bench::SystemDir() + "\\drivers\\hwinterface.sys";
    ASSERT_TRUE(bench::CopyFileTo(bench::SystemDir() + "\\drivers\\mountmgr.sys", image));
    {
        pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager);
        pw::unique_service service(CreateServiceA(manager.get(), "hwinterface", "hwinterface", SERVICE_ALL_ACCESS,
                                                  SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                  "System32\\Drivers\\hwinterface.sys", nullptr, nullptr, nullptr,
                                                  nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
    }
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string runValue = std::string("ZYKE") + catalogue::ModelKey;
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, runKey, runValue, "C:\\x\\PGW\\x"));

    const RunResult run = RunUninstaller(bench::JoinPath(medium, "Uninstall.exe"), IDYES, "uninstall-foreign-driver");
    EXPECT_TRUE(run.asked);
    EXPECT_EQ(run.closing, uninstall::kRemoved);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, runKey, runValue));
    EXPECT_TRUE(ServiceExists(uninstall::kServiceName));
    EXPECT_TRUE(bench::FileExists(image));
    // Started from the medium, it leaves the medium's copy of itself alone.
    EXPECT_TRUE(bench::FileExists(bench::JoinPath(medium, "Uninstall.exe")));
}

}  // namespace
