// The installer engine in a scenario prefix: CFileCopy stages the package
// from an installation medium (the current directory), CInstaller installs on
// "LPT1:", and the installed layout is checked item by item, with the result
// message read off the screen as the user sees it.
#include "setup/engine/FileCopy.h"
#include "setup/engine/Installer.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifndef PW_MEDIUM_DIR
#error "PW_MEDIUM_DIR must name the test medium's folder"
#endif

namespace {

const std::string kModel = catalogue::ModelName;
const std::string kKey = catalogue::ModelKey;
const char kCaption[] = "ZYKE Printer Driver - Setup";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics";
const char kMarker[] = "C:\\monitor_started.txt";

std::string DriverDir() {
    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed)) return {};
    return dir;
}

// What Windows 7 offers and a fresh Wine prefix lacks: the queue's data type
// (Wine cannot open a queue without one).
void PrepareFixture() {
    ASSERT_TRUE(fixture::PlantDatatype(kModel)) << GetLastError();
    DeleteFileA(kMarker);
}

void UseMedium(const char* folder) {
    const std::string medium = bench::JoinPath(bench::BuildDir(), folder);
    ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str())) << medium;
}

// The message box of the running thread, as a second thread sees and answers it.
struct SeenMessage {
    bool found = false;
    std::string text;
    bool informationIcon = false;
    bool stopIcon = false;
};

HICON MessageBoxIcon(HWND box) {
    for (HWND child : bench::ChildWindows(box)) {
        if (bench::ClassName(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return nullptr;
}

template <typename Show> SeenMessage ShowAndAnswer(Show show, const std::string& shotName) {
    SeenMessage seen;
    const DWORD pid = GetCurrentProcessId();
    std::thread answerer([&] {
        HWND box = bench::WaitMessageBox(kCaption, 15000, pid);
        if (!box) return;
        seen.found = true;
        seen.text = bench::MessageBoxText(box);
        const HICON icon = MessageBoxIcon(box);
        seen.informationIcon = icon && icon == LoadIconA(nullptr, IDI_INFORMATION);
        seen.stopIcon = icon && icon == LoadIconA(nullptr, IDI_HAND);
        bench::Screenshot(shotName);
        bench::AnswerMessageBox(box, IDOK);
    });
    show();
    answerer.join();
    return seen;
}

struct LinkInfo {
    bool loaded = false;
    std::string path;
    std::string description;
};

LinkInfo ReadLink(const std::string& file) {
    LinkInfo info;
    pw::com_init com(CoInitialize(nullptr));
    pw::com_ptr<IShellLinkA> link;
    pw::com_ptr<IPersistFile> persist;
    wchar_t wide[MAX_PATH];
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())) ||
        !MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) || FAILED(persist->Load(wide, STGM_READ)))
        return info;
    info.loaded = true;
    char text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) info.path = text;
    text[0] = '\0';
    if (SUCCEEDED(link->GetDescription(text, MAX_PATH))) info.description = text;
    return info;
}

std::string ShortcutPath() {
    // The folder the system names for all users' programs.
    char programs[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::string(programs) + "\\ZYK Electronics\\Pagewarden" + kKey + ".LNK";
}

// A REG_SZ value's raw bytes: the stored length counts the terminator.
void ExpectRegString(HKEY root, const std::string& key, const std::string& name, const std::string& expected) {
    DWORD type = 0;
    const auto bytes = bench::reg::GetBinary(root, key, name, &type);
    ASSERT_TRUE(bytes.has_value()) << key << "\\" << name;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    std::string withNull = expected;
    withNull.push_back('\0');
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), withNull) << name;
}

TEST(SetupEngineScenario, InstallOnLpt1LeavesTheWholeLayout) {
    PrepareFixture();
    UseMedium(PW_MEDIUM_DIR);
    const std::string d = DriverDir();
    ASSERT_FALSE(d.empty());

    CFileCopy staging;
    staging.StageDriverFiles();
    ASSERT_TRUE(staging.m_pszDriverDir);
    EXPECT_EQ(std::string(staging.m_pszDriverDir.get()), d);
    for (const std::string& file :
         {std::string(catalogue::ModelGpdFile), std::string(catalogue::ModelInfFile), std::string("ZYKE9pin.cat"),
          std::string("ZYKE9pin.dll"), std::string("Uninstall.exe")})
        EXPECT_TRUE(bench::FileExists(d + "\\" + file)) << file;
    // A second staging overwrites without a question (it would block here otherwise).
    staging.StageDriverFiles();

    CInstaller installer;
    EXPECT_TRUE(installer.m_strPort.empty());
    EXPECT_FALSE(installer.m_pszDriverDir);
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_bDirectoryFound, 1);
    EXPECT_EQ(installer.m_bDriverAdded, 1);
    EXPECT_EQ(installer.m_bQueueAdded, 1);
    EXPECT_EQ(installer.m_strPrinterName, kModel);

    // The queue, as the spooler reports it.
    {
        pw::unique_printer printer;
        ASSERT_TRUE(OpenPrinterA(const_cast<char*>(kModel.c_str()), printer.put(), nullptr));
        DWORD needed = 0;
        GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
        pw::heap_buffer buffer(needed);
        ASSERT_TRUE(GetPrinterA(printer.get(), 2, buffer.get(), needed, &needed));
        const auto* info = buffer.as<PRINTER_INFO_2A>();
        EXPECT_STREQ(info->pPortName, "LPT1:");
        EXPECT_STREQ(info->pShareName, catalogue::ModelShareName);
        EXPECT_STREQ(info->pDriverName, catalogue::ModelName);
        EXPECT_STREQ(info->pPrintProcessor, "winprint");
        EXPECT_EQ(info->Attributes & 0x204, 0x204u);
        EXPECT_EQ(info->Attributes & PRINTER_ATTRIBUTE_SHARED, 0u);

        // The driver it uses.
        needed = 0;
        GetPrinterDriverA(printer.get(), nullptr, 6, nullptr, 0, &needed);
        pw::heap_buffer driver(needed);
        ASSERT_TRUE(GetPrinterDriverA(printer.get(), nullptr, 6, driver.get(), needed, &needed));
        const auto* record = driver.as<DRIVER_INFO_6A>();
        // Wine keeps none of the level-6 additions (date, version, maker, hardware id);
        // the host tests check those values.
        std::vector<std::string> dependents;
        for (const char* p = record->pDependentFiles; p && *p; p += strlen(p) + 1) {
            const std::string path = p;
            dependents.push_back(path.substr(path.find_last_of('\\') + 1));
        }
        EXPECT_EQ(dependents, (std::vector<std::string>{"ZYKE9pin.dll", "unidrvui.dll", "unidrv.dll", "unidrv.hlp",
                                                        "unires.dll", "stdnames.gpd"}));
        EXPECT_STREQ(record->pName, catalogue::ModelName);
        EXPECT_EQ(record->cVersion, 3u);
        const std::string dataFile = record->pDataFile ? record->pDataFile : "";
        EXPECT_NE(dataFile.find(catalogue::ModelGpdFile), std::string::npos) << dataFile;
        const std::string driverPath = record->pDriverPath ? record->pDriverPath : "";
        EXPECT_NE(driverPath.find("unidrv.dll"), std::string::npos) << driverPath;
    }
    char defaultPrinter[256] = {};
    DWORD size = sizeof defaultPrinter;
    ASSERT_TRUE(GetDefaultPrinterA(defaultPrinter, &size));
    EXPECT_EQ(std::string(defaultPrinter), kModel);

    // The monitor, its auto-start value, its shortcut and its first start.
    const std::string monitor = d + "\\PGW\\" + kKey + ".exe";
    EXPECT_TRUE(bench::FileExists(monitor));
    ExpectRegString(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey, d + "\\PGW\\" + kKey);
    const LinkInfo link = ReadLink(ShortcutPath());
    ASSERT_TRUE(link.loaded) << ShortcutPath();
    EXPECT_EQ(link.description, "Shortcut to Status Monitor - " + kModel);
    EXPECT_EQ(link.path, monitor);
    EXPECT_TRUE(bench::WaitUntil([] { return bench::FileExists(kMarker); }, 15000));
    const std::string started = bench::ReadFileText(kMarker).value_or("");
    EXPECT_EQ(started.substr(0, 2), "6\n") << started;  // SW_MINIMIZE
    EXPECT_NE(started.find("\\PGW\\" + kKey + ".exe"), std::string::npos) << started;

    // The uninstall entry and the INF in the store.
    ExpectRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "ZYK Electronics Printer Software");
    ExpectRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", d + "\\Uninstall.exe");
    ExpectRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", d + "\\Uninstall.exe");
    EXPECT_EQ(std::string(installer.m_szInfPath), d + "\\" + catalogue::ModelInfFile);
    ASSERT_NE(installer.m_szOemInf[0], '\0');
    EXPECT_TRUE(bench::FileExists(installer.m_szOemInf)) << installer.m_szOemInf;

    // One message reports it all.
    const SeenMessage seen = ShowAndAnswer([&] { installer.ShowResult(); }, "setup_engine_installed");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_TRUE(seen.informationIcon);

    // Staging the INF again finds it in the store: still a success.
    CInstaller again;
    EXPECT_EQ(again.StageInf(), 1);
}

// Installs from the full medium, as the first scenario does, without the checks.
void InstallFromMedium(CInstaller& installer) {
    PrepareFixture();
    UseMedium(PW_MEDIUM_DIR);
    CFileCopy staging;
    staging.StageDriverFiles();
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
}

TEST(SetupEngineScenario, ReinstallAfterDeletedQueueDeploysInPlace) {
    {
        CInstaller first;
        InstallFromMedium(first);
        ASSERT_EQ(first.m_bQueueAdded, 1);
    }
    const std::string d = DriverDir();
    const std::string monitor = d + "\\PGW\\" + kKey + ".exe";
    ASSERT_TRUE(bench::WaitUntil([] { return bench::FileExists(kMarker); }, 15000));
    DeleteFileA(kMarker);
    // The deployed monitor is replaced, not kept: mark the old copy (once the
    // started stand-in has ended and no longer holds its file).
    ASSERT_TRUE(bench::WaitUntil([&] { return bench::WriteFileText(monitor, "old copy"); }, 15000));
    {
        PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        pw::unique_printer printer;
        ASSERT_TRUE(OpenPrinterA(const_cast<char*>(kModel.c_str()), printer.put(), &access));
        ASSERT_TRUE(DeletePrinter(printer.get()));
    }

    CInstaller second;
    InstallFromMedium(second);
    EXPECT_EQ(second.m_bQueueAdded, 1);
    EXPECT_EQ(second.m_strPrinterName, kModel);
    EXPECT_EQ(second.m_strResult, kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_NE(bench::ReadFileText(monitor).value_or("old copy"), "old copy");
    EXPECT_TRUE(bench::WaitUntil([] { return bench::FileExists(kMarker); }, 15000));
    ExpectRegString(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey, d + "\\PGW\\" + kKey);
}

TEST(SetupEngineScenario, DeploysAndStartsTheBuiltMonitor) {
#ifndef PW_MEDIUM_REAL_DIR
    GTEST_SKIP() << "the monitor program is not part of this build";
#else
    PrepareFixture();
    UseMedium(PW_MEDIUM_REAL_DIR);
    CFileCopy staging;
    staging.StageDriverFiles();
    CInstaller installer;
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_strResult, kModel + " Printer Driver & Status Monitor installed successfully.");

    const std::string image = kKey + ".exe";
    ASSERT_TRUE(bench::WaitUntil([&] { return !bench::ProcessIdsByName(image).empty(); }, 15000));
    for (DWORD pid : bench::ProcessIdsByName(image)) {
        bench::Process monitor = bench::Process::Adopt(pid);
        ASSERT_TRUE(monitor);
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        ASSERT_TRUE(QueryFullProcessImageNameA(monitor.Handle(), 0, path, &size));
        EXPECT_STREQ(path, (DriverDir() + "\\PGW\\" + image).c_str());
        // The monitor shows itself in the notification area.
        EXPECT_TRUE(bench::WaitTrayIconCount(1, 15000));
        bench::Screenshot("setup_engine_monitor_started");
        monitor.Kill();
    }
#endif
}

TEST(SetupEngineScenario, UninstallerRemovesWhatTheInstallationAdded) {
    CInstaller installer;
    InstallFromMedium(installer);
    ASSERT_EQ(installer.m_bQueueAdded, 1);
    const std::string d = DriverDir();
    ASSERT_TRUE(bench::FileExists(ShortcutPath()));
    ASSERT_TRUE(bench::WaitUntil([] { return bench::FileExists(kMarker); }, 15000));

    const char caption[] = "ZYK Electronics Printer Software - Uninstall";
    bench::Process uninstall = bench::Process::Start(d + "\\Uninstall.exe");
    ASSERT_TRUE(uninstall);
    HWND question = bench::WaitMessageBox(caption, 15000, uninstall.Id());
    ASSERT_TRUE(question);
    ASSERT_TRUE(bench::WaitVisible(question));
    EXPECT_NE(bench::MessageBoxText(question).find(kModel), std::string::npos);
    bench::Screenshot("setup_engine_uninstall_question");
    ASSERT_TRUE(bench::AnswerMessageBox(question, IDYES));
    HWND done = bench::WaitMessageBox(caption, 15000, uninstall.Id());
    ASSERT_TRUE(done);
    ASSERT_TRUE(bench::WaitVisible(done));
    EXPECT_EQ(bench::MessageBoxText(done), "The ZYK Electronics printer software has been removed.");
    ASSERT_TRUE(bench::AnswerMessageBox(done, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(uninstall.WaitExit(15000, &code));
    EXPECT_EQ(code, 0u);

    pw::unique_printer printer;
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>(kModel.c_str()), printer.put(), nullptr));
    EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey));
    EXPECT_FALSE(bench::FileExists(ShortcutPath()));
    EXPECT_FALSE(bench::DirectoryExists(d + "\\PGW"));
    EXPECT_FALSE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST(SetupEngineScenario, UninstallerAsksFirstAndKeepsEverythingOnNo) {
    CInstaller installer;
    InstallFromMedium(installer);
    const std::string d = DriverDir();
    bench::Process uninstall = bench::Process::Start(d + "\\Uninstall.exe");
    HWND question = bench::WaitMessageBox("ZYK Electronics Printer Software - Uninstall", 15000, uninstall.Id());
    ASSERT_TRUE(question);
    // A box can be found a moment before it is shown and its buttons can be pressed.
    ASSERT_TRUE(bench::WaitVisible(question));
    ASSERT_TRUE(bench::AnswerMessageBox(question, IDNO));
    DWORD code = 0;
    ASSERT_TRUE(uninstall.WaitExit(15000, &code));
    EXPECT_EQ(code, 1u);
    pw::unique_printer printer;
    EXPECT_TRUE(OpenPrinterA(const_cast<char*>(kModel.c_str()), printer.put(), nullptr));
    EXPECT_TRUE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey));
    EXPECT_TRUE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Runs in a child process (PW_ENGINE_CHILD set): stages and says whether it returned.
TEST(SetupEngineChild, StageDriverFiles) {
    if (!GetEnvironmentVariableA("PW_ENGINE_CHILD", nullptr, 0)) GTEST_SKIP() << "runs only as a child";
    UseMedium(PW_MEDIUM_DIR);
    CFileCopy staging;
    staging.StageDriverFiles();
    std::printf("\nstaging returned\n");
    std::fflush(stdout);
    ExitProcess(0);
}

// The process's exit on a failed copy cannot be provoked under Wine: its shell copy
// skips files it cannot read or write and still reports success.
TEST(SetupEngineScenario, StagingPrintsItsBufferSizeAndReturnsToItsCaller) {
    PrepareFixture();
    UseMedium(PW_MEDIUM_DIR);
    CFileCopy staging;
    staging.StageDriverFiles();
    const std::string d = DriverDir();

    const auto runChild = [&](const char* outFile) -> DWORD {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        pw::unique_file out(CreateFileA(outFile, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        if (!out) return 98;
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = std::string("\"") + self + "\" --gtest_filter=SetupEngineChild.StageDriverFiles";
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = out.get();
        PROCESS_INFORMATION process = {};
        SetEnvironmentVariableA("PW_ENGINE_CHILD", "1");
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        SetEnvironmentVariableA("PW_ENGINE_CHILD", nullptr);
        if (!started) return 97;
        pw::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
        // The shell may report the failure in its own message box; a user would close it.
        DWORD code = 96;
        const DWORD until = GetTickCount() + 30000;
        while (WaitForSingleObject(processHandle.get(), 100) == WAIT_TIMEOUT && GetTickCount() < until) {
            for (HWND box : bench::FindTopWindows({"#32770", "", process.dwProcessId, true})) {
                bench::Screenshot("setup_engine_copy_error");
                bench::Post(box, WM_COMMAND, IDCANCEL, 0);
                bench::Post(box, WM_COMMAND, IDOK, 0);
            }
        }
        if (WaitForSingleObject(processHandle.get(), 0) != WAIT_OBJECT_0) TerminateProcess(processHandle.get(), 95);
        GetExitCodeProcess(processHandle.get(), &code);
        return code;
    };

    // Unhindered, the child stages and returns, after the diagnostic of the directory query.
    EXPECT_EQ(runChild("C:\\child_ok.txt"), 0u);
    const std::string okOutput = bench::ReadFileText("C:\\child_ok.txt").value_or("");
    EXPECT_NE(okOutput.find("Allocating a buffer of size " + std::to_string(d.size() + 1)), std::string::npos)
        << okOutput;
    EXPECT_NE(okOutput.find("staging returned"), std::string::npos) << okOutput;
}

inline void release_pages(void* p) { VirtualFree(p, 0, MEM_RELEASE); }
using unique_pages = pw::unique_any<void*, &release_pages>;

// The directory as the spooler's buffer holds it: one null, the last readable
// byte before a page the process may not touch. The shell reads its pFrom and
// pTo lists up to a double null, so the staging must hand it a list of its own.
TEST(SetupEngineScenario, StagingReadsNothingPastTheDirectoryBuffer) {
    PrepareFixture();
    UseMedium(PW_MEDIUM_DIR);
    const std::string d = DriverDir();
    ASSERT_FALSE(d.empty());
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    unique_pages pages(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(pages);
    char* base = static_cast<char*>(pages.get());
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
    char* path = base + page - (d.size() + 1);
    std::memcpy(path, d.c_str(), d.size() + 1);

    DeleteFileA((d + "\\ZYKE9pin.dll").c_str());
    EXPECT_EQ(setup::engine::CopyPackageFiles(path), 1);
    EXPECT_TRUE(bench::FileExists(d + "\\ZYKE9pin.dll"));
    EXPECT_TRUE(bench::FileExists(d + "\\" + catalogue::ModelGpdFile));
}

TEST(SetupEngineScenario, MediumWithoutMonitorInstallsTheDriverOnly) {
    PrepareFixture();
    UseMedium(PW_MEDIUM_NO_MONITOR_DIR);
    const std::string d = DriverDir();

    CFileCopy staging;
    staging.StageDriverFiles();
    CInstaller installer;
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_bQueueAdded, 1);
    EXPECT_EQ(installer.DeployMonitor(), 0);

    EXPECT_FALSE(bench::FileExists(d + "\\PGW\\" + kKey + ".exe"));
    EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey));
    EXPECT_FALSE(bench::FileExists(ShortcutPath()));
    // A start would have made the process before the deployment returned.
    EXPECT_TRUE(bench::ProcessIdsByName(kKey + ".exe").empty());
    EXPECT_FALSE(bench::FileExists(kMarker));
    // The rest of the installation is still there.
    ExpectRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "ZYK Electronics Printer Software");

    const SeenMessage seen = ShowAndAnswer([&] { installer.ShowResult(); }, "setup_engine_driver_only");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kModel + " Printer Driver installed successfully.");
    EXPECT_TRUE(seen.informationIcon);
}

TEST(SetupEngineScenario, FreshInstallerReportsAndWritesNothing) {
    // A fresh installer reports the step that did not run first: the driver directory.
    CInstaller installer;
    const SeenMessage seen = ShowAndAnswer([&] { installer.ShowResult(); }, "setup_engine_error_001C");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Unexpected error 0x001C occured.");
    EXPECT_TRUE(seen.stopIcon);

    // Without the driver directory no step writes anything, least of all at the drive's root.
    EXPECT_EQ(installer.DeployMonitor(), 0);
    installer.RegisterAutoRun();
    installer.CreateShortcut();
    EXPECT_EQ(installer.WriteUninstallEntry(), 0);
    EXPECT_FALSE(bench::DirectoryExists("C:\\PGW"));
    EXPECT_FALSE(bench::reg::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZYKE" + kKey));
    EXPECT_FALSE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Runs the window's messages as the framework's loops do (PreTranslateMessage
// first) until none is left: the keys posted before have then been handled.
void PumpPending(CWnd& window) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!window.PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void PressEscape(CWnd& window) {
    HWND target = GetFocus() ? GetFocus() : window.m_hWnd;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0);
    PumpPending(window);
}

TEST(SetupEngineScenario, PleaseWaitWindowIgnoresEscape) {
    // The same template in a plain dialog closes on Escape: the keystroke does arrive.
    {
        CDialog plain(CFileCopy::IDD);
        ASSERT_TRUE(plain.Create(CFileCopy::IDD));
        plain.ShowWindow(SW_SHOW);
        PressEscape(plain);
        EXPECT_FALSE(plain.m_hWnd && ::IsWindowVisible(plain.m_hWnd));
    }

    CFileCopy wait;
    ASSERT_TRUE(wait.Create(CFileCopy::IDD));
    wait.ShowWindow(SW_SHOW);
    ASSERT_TRUE(::IsWindowVisible(wait.m_hWnd));
    EXPECT_EQ(wait.GetWindowText(), kCaption);
    EXPECT_EQ(bench::ControlText(wait.m_hWnd, IDC_WAIT_TEXT), "Now the printer will be installed ...\nPlease wait ...");
    PressEscape(wait);
    EXPECT_TRUE(IsWindow(wait.m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(wait.m_hWnd));
    bench::Screenshot("setup_engine_please_wait");
    wait.ShowWindow(SW_HIDE);
}

}  // namespace
