// The uninstaller as a user runs it. Full: a snapshot of the prefix, the
// medium installed on LPT1: through setup's dialogs, the monitor reading its
// port through the driver's test build, then the uninstaller that the
// uninstall entry names answered with Yes; the monitor, its tray icon and the
// hwinterface service are gone, a second run finds nothing to remove, and
// after a restart the prefix compares equal to the snapshot but for what
// Wine writes for itself. Refusals: nothing installed, setup running.
#include "Snapshot.h"

#include "catalogue/Catalogue.h"
#include "uninstall/core/UninstallFlow.h"
#include "uninstall/core/UninstallRules.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"
#include "tools/sim/Drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

const std::string kMonitorCaption = uninstall::MonitorCaption();
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

RunResult RunUninstaller(const std::string& exe, int answer, const std::string& shot) {
    RunResult result;
    bench::Process process = bench::Process::Start(exe);
    EXPECT_TRUE(process) << exe << " did not start: " << process.StartError();
    if (!process) return result;
    HWND box = bench::WaitMessageBox(uninstall::kCaption, 30000, process.Id());
    EXPECT_TRUE(box) << "the uninstaller showed no message";
    if (!box) return result;
    EXPECT_TRUE(bench::WaitVisible(box));
    std::string text = bench::MessageBoxText(box);
    if (text == uninstall::QuestionText()) {
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

TEST(UninstallScenario, LeavesThePrefixAsItWasBeforeTheInstallation) {
    const std::string snaps = bench::PrefixPath("snapshots");
    ASSERT_TRUE(bench::MakeDirs(snaps));
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    // Wine writes some of its own state at the first use of a program; let it
    // happen before the snapshot (a run of regedit, which the snapshot needs anyway).
    snapshot::Snapshot warmup;
    std::string error;
    ASSERT_TRUE(snapshot::Take(snaps + "\\warmup.reg", kFolders, warmup, error)) << error;
    snapshot::Snapshot before;
    ASSERT_TRUE(snapshot::Take(snaps + "\\before.reg", kFolders, before, error)) << error;
    const std::optional<std::string> wmiServer =
        bench::reg::GetString(HKEY_CLASSES_ROOT, fixture::kLocatorServerKey, "");
    const std::string newEnumKey = FirstMissingKey(fixture::kEnumKey, fixture::kLptDevice);

    // The installation as a user does it, onto LPT1:.
    ASSERT_TRUE(fixture::InstallStandIns(bench::UnixToWindows(HWINTERFACE_TEST_SYS),
                                     bench::UnixToWindows(PW_WMI_FIXTURE_DLL), catalogue::ModelName, error))
        << error;
    // The monitor reads the queue's published port; the publisher stops before
    // the removal, so that it cannot write into a queue key being deleted.
    auto publisher = std::make_unique<fixture::PortPublisher>(catalogue::ModelName);
    {
        bench::Process setup = bench::Process::Start(bench::JoinPath(medium, "setup.exe"), "", medium);
        ASSERT_TRUE(setup) << setup.StartError();
        sim::SetScreenshotPrefix("uninstall_");
        ASSERT_TRUE(sim::DriveSetup(kMonitorCaption, sim::Route::Lpt));
        ASSERT_TRUE(setup.WaitExit(20000));
    }
    HWND status = bench::FindTopWindow({"#32770", kMonitorCaption});
    ASSERT_TRUE(status);
    bench::Process monitor = bench::Process::Adopt(bench::WindowProcessId(status));
    ASSERT_TRUE(monitor);
    // The monitor has started its port driver and reads the printer through it.
    ASSERT_TRUE(bench::WaitUntil([] { return ServiceState(uninstall::kServiceName) == SERVICE_RUNNING; }, 30000));
    ASSERT_TRUE(bench::WaitUntil([] { return bench::TrayIconCount() >= 1; }, 15000));
    ASSERT_TRUE(sim::OpenMonitor(kMonitorCaption));
    // Its title control reads "Ready" only from a status register read through the driver.
    ASSERT_TRUE(bench::WaitUntil([&] { return bench::ControlText(status, 1004) == "Ready"; }, 20000))
        << bench::ControlText(status, 1004);
    bench::Screenshot("uninstall-monitor-ready");
    publisher.reset();

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
    EXPECT_EQ(second.closing, uninstall::NothingToRemoveText());
    EXPECT_EQ(second.exitCode, static_cast<DWORD>(uninstall::kExitNothingInstalled));
    snapshot::Snapshot afterSecond;
    ASSERT_TRUE(snapshot::Take(snaps + "\\after-second.reg", kFolders, afterSecond, error)) << error;
    EXPECT_EQ(Joined(snapshot::Unexplained(afterFirst.registry, afterSecond.registry, {})), "");
    EXPECT_EQ(Joined(snapshot::Unexplained(afterFirst.files, afterSecond.files, {})), "");

    // The test's own stand-ins go, so that what is left is the programs' and Wine's.
    if (wmiServer)
        bench::reg::SetString(HKEY_CLASSES_ROOT, fixture::kLocatorServerKey, "", *wmiServer);
    bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Pagewarden Test");
    if (!newEnumKey.empty()) bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, newEnumKey);

    // The restart that completes the removal of what was in use.
    ASSERT_EQ(bench::RunAndWait("wineboot.exe -r", 120000), std::optional<DWORD>(0));
    EXPECT_FALSE(bench::FileExists(*command));

    snapshot::Snapshot after;
    ASSERT_TRUE(snapshot::Take(snaps + "\\after.reg", kFolders, after, error)) << error;
    const std::vector<std::string> registry = snapshot::Unexplained(before.registry, after.registry, kAllowedKeys);
    const std::vector<std::string> files = snapshot::Unexplained(before.files, after.files, kAllowedFiles);
    EXPECT_EQ(Joined(registry), "");
    EXPECT_EQ(Joined(files), "");
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
    EXPECT_EQ(run.closing, uninstall::NothingToRemoveText());
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
