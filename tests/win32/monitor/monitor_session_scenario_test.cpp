// Pagewarden.exe through what a Windows 7 session does to it: installed and
// started by setup from the medium, the shell restarting under it, a second
// start that may not open the first one's lock, and a published-port key the
// spooler has not filled yet. Each scenario runs in a fresh prefix.
#include "tools/sim/Drive.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MonitorCatalogue.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <winternl.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kTrayCallback = WM_USER + 15;
const std::string kCaption = std::string(catalogue::ModelName) + " - Status Monitor";

std::string Exe() { return bench::UnixToWindows(PAGEWARDEN_EXE); }

// The icon's owner: the monitor's hidden 10 x 10 popup.
HWND TrayOwner(DWORD pid, HWND dialog) {
    HWND owner = nullptr;
    bench::WaitUntil([&] {
        for (HWND h : bench::FindTopWindows({"", "", pid})) {
            RECT r;
            GetWindowRect(h, &r);
            if (h != dialog && (GetWindowLongA(h, GWL_STYLE) & WS_POPUP) && r.right - r.left == 10 &&
                r.bottom - r.top == 10) {
                owner = h;
                return true;
            }
        }
        return false;
    });
    return owner;
}

// The current directory of another process, from its process parameters.
std::string CurrentDirectoryOf(DWORD pid) {
    pw::unique_handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return "<not opened>";
    using Query = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0)
        return "<no basic information>";
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
    if (!ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof peb, nullptr)) return "<no PEB>";
    parameters = peb.ProcessParameters;
    // CurrentDirectory.DosPath, a UNICODE_STRING, 0x24 bytes into the 32-bit parameters.
    UNICODE_STRING path = {};
    if (!ReadProcessMemory(process.get(), reinterpret_cast<BYTE*>(parameters) + 0x24, &path, sizeof path, nullptr))
        return "<no parameters>";
    std::wstring wide(path.Length / sizeof(wchar_t), L'\0');
    if (!wide.empty() && !ReadProcessMemory(process.get(), path.Buffer, &wide[0], path.Length, nullptr))
        return "<no path>";
    std::string narrow;
    for (wchar_t c : wide) narrow += static_cast<char>(c);
    return narrow;
}

// The shell restarting: it loses the icon as explorer's end loses every icon,
// then broadcasts "TaskbarCreated" as the new taskbar does.
void RestartShell(HWND trayOwner) {
    NOTIFYICONDATAA lost = {};
    lost.cbSize = NOTIFYICONDATAA_V1_SIZE;
    lost.hWnd = trayOwner;
    lost.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
    ASSERT_TRUE(bench::WaitTrayIconCount(0));
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0));
}

TEST(MonitorSession, StartedBySetupFromTheMediumItLeavesTheMediumAndKeepsItsIconThroughShellRestarts) {
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    std::string error;
    ASSERT_TRUE(fixture::InstallStandIns(bench::UnixToWindows(HWINTERFACE_TEST_SYS),
                                         bench::UnixToWindows(PW_WMI_FIXTURE_DLL), catalogue::ModelName, error))
        << error;
    fixture::PortPublisher publisher(catalogue::ModelName);
    {
        bench::Process setup = bench::Process::Start(bench::JoinPath(medium, "setup.exe"), "", medium);
        ASSERT_TRUE(setup) << setup.StartError();
        sim::SetScreenshotPrefix("monitor_session_");
        ASSERT_TRUE(sim::DriveSetup(kCaption, sim::Route::Lpt));
        ASSERT_TRUE(setup.WaitExit(20000));
    }
    HWND dialog = bench::FindTopWindow({"#32770", kCaption});
    ASSERT_TRUE(dialog);
    bench::Process monitor = bench::Process::Adopt(bench::WindowProcessId(dialog));
    ASSERT_TRUE(monitor);
    HWND owner = TrayOwner(monitor.Id(), dialog);
    ASSERT_TRUE(owner);
    ASSERT_TRUE(bench::WaitTrayIconCount(1));

    // Setup hands the monitor its own current directory, the medium's folder;
    // the monitor moves to its own folder next to the driver.
    const std::string folder = bench::SystemDir() + "\\spool\\drivers\\w32x86\\PGW";
    std::string current = CurrentDirectoryOf(monitor.Id());
    if (!current.empty() && current.back() == '\\') current.pop_back();
    EXPECT_EQ(_stricmp(current.c_str(), folder.c_str()), 0) << current << " instead of " << folder;

    // Explorer restarts twice: the icon comes back each time, and it still
    // opens the window.
    for (int restart = 0; restart < 2; ++restart) {
        RestartShell(owner);
        EXPECT_TRUE(bench::WaitTrayIconCount(1)) << restart;
    }
    bench::Post(owner, kTrayCallback, 1, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(bench::WaitVisible(dialog));
    ASSERT_TRUE(bench::WaitUntil([&] { return bench::ControlText(dialog, 1004) == "Ready"; }, 20000))
        << bench::ControlText(dialog, 1004);
    bench::Screenshot("monitor_session_icon_back");

    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(monitor.WaitExit(15000));
    EXPECT_TRUE(bench::WaitTrayIconCount(0));
}

// One queue on COM1: whose DsSpooler key exists without "portName" (the
// spooler has not published it yet, or a tool removed it), met by two starts.
TEST(MonitorSession, ALockItMayNotOpenEndsTheStartThenAnUnpublishedPortSettlesOnAStatus) {
    ASSERT_TRUE(fixture::AddUsbPort());
    ASSERT_TRUE(fixture::AddQueue(catalogue::ModelName, "COM1:"));
    const std::string published = std::string(fixture::kPrintersKey) + catalogue::ModelName + "\\DsSpooler";
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, published, "printerName", catalogue::ModelName));
    bench::reg::DeleteValue(HKEY_LOCAL_MACHINE, published, "portName");
    ASSERT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, published, "portName"));

    {
        // The lock as the elevated first run leaves it to the user's own later
        // start: it exists, and its security lets this user open nothing.
        SECURITY_DESCRIPTOR sd;
        ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
        ACL acl;
        ASSERT_TRUE(InitializeAcl(&acl, sizeof acl, ACL_REVISION));
        ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE));
        SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
        pw::unique_handle held(CreateMutexA(&sa, FALSE, catalogue::ModelMutexName));
        ASSERT_TRUE(held);
        // What the monitor's own CreateMutexA meets.
        pw::unique_handle again(CreateMutexA(nullptr, FALSE, catalogue::ModelMutexName));
        const DWORD error = GetLastError();
        ASSERT_FALSE(again);
        ASSERT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));

        // A monitor runs, as far as that start can tell: it ends silently.
        bench::Process second = bench::Process::Start(Exe());
        ASSERT_TRUE(second);
        EXPECT_TRUE(second.WaitExit(15000));
        EXPECT_EQ(bench::TrayIconCount(), 0);
        EXPECT_TRUE(bench::FindTopWindows({"#32770", kCaption}).empty());
    }

    // With the lock gone, a start settles on a status, and later polls still
    // reach the status table: opened, the window searches for three polls
    // and comes back to the same status.
    bench::Process process = bench::Process::Start(Exe());
    ASSERT_TRUE(process);
    HWND dialog = bench::WaitWindow({"#32770", kCaption, process.Id()});
    ASSERT_TRUE(dialog);
    HWND owner = TrayOwner(process.Id(), dialog);
    ASSERT_TRUE(owner);
    auto title = [&] { return bench::ControlText(dialog, 1004); };
    EXPECT_TRUE(bench::WaitUntil([&] { return title() == "Ready"; })) << title();
    EXPECT_EQ(bench::ControlText(dialog, 1005), "Ready to print.");
    bench::Post(owner, kTrayCallback, 1, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(bench::WaitVisible(dialog));
    EXPECT_TRUE(bench::WaitUntil([&] { return title() == "Searching"; })) << title();
    EXPECT_TRUE(bench::WaitUntil([&] { return title() == "Ready"; })) << title();
    EXPECT_EQ(bench::ControlText(dialog, 1005), "Ready to print.");
    bench::Screenshot("monitor_session_unpublished_port");

    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(process.WaitExit(15000));
}

}  // namespace
