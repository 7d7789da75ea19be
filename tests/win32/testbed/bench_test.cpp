// The bench's own tests: they drive bench_target.exe the way scenarios drive
// the programs, so a helper that finds nothing or presses nothing fails here first.
#include "testbed/Bench.h"
#include "testbed/Png.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kTargetClass[] = "BenchTargetWnd";
const char kTargetCaption[] = "Bench Target";
const COLORREF kTargetPaint = RGB(0x20, 0x80, 0xC0);
const char kTestKey[] = "Software\\PagewardenBench\\Test";

std::string TargetExe() { return bench::JoinPath(bench::BuildDir(), "bench_target.exe"); }

std::uint32_t Be32(const std::string& s, std::size_t at) {
    return (std::uint32_t(std::uint8_t(s[at])) << 24) | (std::uint32_t(std::uint8_t(s[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

// Decodes the PNGs our encoder writes (one IDAT of stored deflate blocks):
// checks every CRC, the Adler sum and the filter bytes, so a wrong length or
// checksum fails.
bool DecodeStoredPng(const std::string& png, int& width, int& height, std::vector<std::uint8_t>& rgb) {
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
    std::string idat;
    std::size_t at = 8;
    bool ended = false;
    while (at + 12 <= png.size() && !ended) {
        const std::uint32_t len = Be32(png, at);
        if (at + 12 + len > png.size()) return false;
        const std::string type = png.substr(at + 4, 4);
        const std::uint32_t crc = bench::Crc32(reinterpret_cast<const std::uint8_t*>(png.data() + at + 4), len + 4);
        if (crc != Be32(png, at + 8 + len)) return false;
        if (type == "IHDR") {
            width = static_cast<int>(Be32(png, at + 8));
            height = static_cast<int>(Be32(png, at + 12));
        } else if (type == "IDAT") {
            idat += png.substr(at + 8, len);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + len;
    }
    if (!ended || idat.size() < 6) return false;
    std::vector<std::uint8_t> raw;
    std::size_t p = 2;
    for (bool last = false; !last;) {
        if (p + 5 > idat.size()) return false;
        last = idat[p] & 1;
        const std::size_t n = std::uint8_t(idat[p + 1]) | (std::uint8_t(idat[p + 2]) << 8);
        const std::size_t nn = std::uint8_t(idat[p + 3]) | (std::uint8_t(idat[p + 4]) << 8);
        if ((n ^ 0xFFFF) != nn || p + 5 + n > idat.size()) return false;
        raw.insert(raw.end(), idat.begin() + p + 5, idat.begin() + p + 5 + n);
        p += 5 + n;
    }
    if (p + 4 != idat.size() || Be32(idat, p) != bench::Adler32(raw.data(), raw.size())) return false;
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    if (raw.size() != (stride + 1) * height) return false;
    rgb.clear();
    for (int y = 0; y < height; ++y) {
        if (raw[y * (stride + 1)] != 0) return false;
        rgb.insert(rgb.end(), raw.begin() + y * (stride + 1) + 1, raw.begin() + (y + 1) * (stride + 1));
    }
    return true;
}

struct Target {
    bench::Process process;
    HWND wnd = nullptr;
};

Target StartTarget(const std::string& args = "", const bench::StartOptions& options = {}) {
    Target t;
    t.process = bench::Process::Start(TargetExe(), args, "", options);
    if (t.process) t.wnd = bench::WaitWindow({kTargetClass, kTargetCaption, t.process.Id(), true});
    return t;
}

bool ProcessIsGone(DWORD pid) {
    pw::unique_handle h(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !h || WaitForSingleObject(h.get(), 0) == WAIT_OBJECT_0;
}

TEST(BenchPng, ChecksumsMatchTheirReferenceValues) {
    const char* nine = "123456789";
    EXPECT_EQ(bench::Crc32(reinterpret_cast<const std::uint8_t*>(nine), 9), 0xCBF43926u);
    const char* wiki = "Wikipedia";
    EXPECT_EQ(bench::Adler32(reinterpret_cast<const std::uint8_t*>(wiki), 9), 0x11E60398u);
    EXPECT_EQ(bench::Adler32(nullptr, 0), 1u);
}

TEST(BenchPng, EncodesImagesThatSpanSeveralStoredBlocks) {
    // 300 x 100 x 3 = 90 000 bytes of pixels: two stored blocks.
    const int w = 300, h = 100;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    const std::string png = bench::EncodePng(w, h, rgb);
    int dw = 0, dh = 0;
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(DecodeStoredPng(png, dw, dh, back));
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_TRUE(back == rgb);

    EXPECT_TRUE(bench::EncodePng(w, h, std::vector<std::uint8_t>(10)).empty());
    EXPECT_TRUE(bench::EncodePng(0, h, {}).empty());
}

TEST(BenchPaths, MapUnixPathsAndFindTheTrees) {
    EXPECT_EQ(bench::UnixToWindows("/work/main/build"), "Z:\\work\\main\\build");
    EXPECT_EQ(bench::UnixToWindows("/work/main/"), "Z:\\work\\main");
    EXPECT_EQ(bench::UnixToWindows("C:\\x"), "C:\\x");
    EXPECT_EQ(bench::JoinPath("C:\\a\\", "\\b"), "C:\\a\\b");
    EXPECT_EQ(bench::JoinPath("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(bench::PrefixPath("medium\\setup.exe"), "C:\\medium\\setup.exe");

    EXPECT_TRUE(bench::FileExists(TargetExe())) << TargetExe();
    EXPECT_TRUE(bench::FileExists(bench::JoinPath(bench::SourceDir(), "testbed\\Bench.h"))) << bench::SourceDir();
    EXPECT_TRUE(bench::FileExists(bench::JoinPath(bench::BuildRoot(), "CMakeCache.txt"))) << bench::BuildRoot();
    EXPECT_TRUE(bench::DirectoryExists(bench::SystemDir()));
    EXPECT_FALSE(bench::OutDir().empty()) << "PW_OUT should be set by tools/wine-run";
}

TEST(BenchFiles, WriteReadCopyListAndRemove) {
    const std::string root = bench::PrefixPath("bench_files");
    const std::string bytes("a\0b\r\n\xff", 6);
    ASSERT_TRUE(bench::WriteFileText(bench::JoinPath(root, "one\\two\\f.bin"), bytes));
    ASSERT_TRUE(bench::WriteFileText(bench::JoinPath(root, "top.txt"), "top"));
    EXPECT_EQ(bench::ReadFileText(bench::JoinPath(root, "one\\two\\f.bin")).value_or(""), bytes);
    std::string big;
    EXPECT_FALSE(bench::ReadFileText(bench::JoinPath(root, "top.txt"), big, 2)) << "larger than the bound";
    EXPECT_FALSE(bench::ReadFileText(bench::JoinPath(root, "missing")).has_value());

    const std::string copy = bench::PrefixPath("bench_copy");
    ASSERT_TRUE(bench::CopyTree(root, copy));
    EXPECT_EQ(bench::ListDir(copy), (std::vector<std::string>{"one", "top.txt"}));
    EXPECT_EQ(bench::ReadFileText(bench::JoinPath(copy, "one\\two\\f.bin")).value_or(""), bytes);
    EXPECT_FALSE(bench::CopyTree(bench::PrefixPath("no_such_dir"), bench::PrefixPath("bench_copy2")));

    EXPECT_TRUE(bench::RemovePath(copy));
    EXPECT_TRUE(bench::RemovePath(root));
    EXPECT_FALSE(bench::DirectoryExists(root));
    EXPECT_TRUE(bench::RemovePath(root)) << "removing what is not there is no failure";
}

// Scenario prefixes leave Wine's builtin modules out (Wine supplies them): the
// modules and COM classes the programs use must still load, and the system
// folders the installer writes to must take new files.
TEST(BenchPrefix, SystemModulesLoadAndSystemFoldersTakeNewFiles) {
    for (const char* dll : {"winspool.drv", "setupapi.dll", "shell32.dll", "ole32.dll", "comctl32.dll", "advapi32.dll",
                            "user32.dll", "gdi32.dll", "newdev.dll"}) {
        pw::unique_hmodule m(LoadLibraryA(dll));
        EXPECT_TRUE(m) << dll << " error " << GetLastError();
    }
    pw::unique_hmodule spool(LoadLibraryA("winspool.drv"));
    EXPECT_TRUE(spool && GetProcAddress(spool.get(), MAKEINTRESOURCEA(202))) << "set-default-printer ordinal";
    {
        pw::com_init com(CoInitialize(nullptr));
        ASSERT_TRUE(com.ok());
        pw::com_ptr<IUnknown> link;
        const CLSID shellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
        EXPECT_EQ(CoCreateInstance(shellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, link.put_void()), S_OK);
    }
    EXPECT_TRUE(bench::WriteFileText(bench::JoinPath(bench::SystemDir(), "drivers\\bench_added.sys"), "driver"));
    EXPECT_TRUE(bench::WriteFileText(bench::JoinPath(bench::SystemDir(), "spool\\drivers\\w32x86\\bench.dll"), "d"));
    EXPECT_TRUE(bench::WriteFileText(bench::JoinPath(bench::SystemDir(), "bench_added.dll"), "dll"));
    EXPECT_EQ(bench::RunAndWait("cmd.exe /c exit 0").value_or(1), 0u) << "a builtin program starts";
}

TEST(BenchRegistry, ValuesRoundTripByType) {
    ASSERT_TRUE(bench::reg::DeleteKey(HKEY_CURRENT_USER, kTestKey));
    const std::string sub = std::string(kTestKey) + "\\Deeper\\Still";
    ASSERT_TRUE(bench::reg::SetString(HKEY_CURRENT_USER, sub, "sz", "text value"));
    ASSERT_TRUE(bench::reg::SetString(HKEY_CURRENT_USER, kTestKey, "", "default"));
    ASSERT_TRUE(bench::reg::SetDword(HKEY_CURRENT_USER, kTestKey, "dw", 0x89ABCDEF));
    ASSERT_TRUE(bench::reg::SetMultiSz(HKEY_LOCAL_MACHINE, kTestKey, "multi", {"USB001", "", "LPT1:"}));
    ASSERT_TRUE(bench::reg::SetMultiSz(HKEY_LOCAL_MACHINE, kTestKey, "two", {"a", "bc"}));
    const std::vector<std::uint8_t> bin{0, 1, 2, 0, 0xFF};
    ASSERT_TRUE(bench::reg::SetBinary(HKEY_LOCAL_MACHINE, kTestKey, "bin", bin));

    EXPECT_EQ(bench::reg::GetString(HKEY_CURRENT_USER, sub, "sz").value_or("?"), "text value");
    EXPECT_EQ(bench::reg::GetString(HKEY_CURRENT_USER, kTestKey, "").value_or("?"), "default");
    EXPECT_EQ(bench::reg::GetDword(HKEY_CURRENT_USER, kTestKey, "dw").value_or(0), 0x89ABCDEFu);
    // An empty string ends a multi-string list, so what follows it is not part of the value.
    EXPECT_EQ(bench::reg::GetMultiSz(HKEY_LOCAL_MACHINE, kTestKey, "multi").value_or(std::vector<std::string>{"?"}),
              std::vector<std::string>{"USB001"});
    EXPECT_EQ(bench::reg::GetMultiSz(HKEY_LOCAL_MACHINE, kTestKey, "two").value_or(std::vector<std::string>{}),
              (std::vector<std::string>{"a", "bc"}));
    DWORD type = 0;
    EXPECT_EQ(bench::reg::GetBinary(HKEY_LOCAL_MACHINE, kTestKey, "bin", &type).value_or(std::vector<std::uint8_t>{}),
              bin);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    // Wrong type or missing: no value rather than a misread one.
    EXPECT_FALSE(bench::reg::GetDword(HKEY_CURRENT_USER, sub, "sz").has_value());
    EXPECT_FALSE(bench::reg::GetString(HKEY_CURRENT_USER, kTestKey, "dw").has_value());
    EXPECT_FALSE(bench::reg::GetString(HKEY_CURRENT_USER, kTestKey, "nope").has_value());
    EXPECT_FALSE(bench::reg::GetMultiSz(HKEY_LOCAL_MACHINE, kTestKey, "bin").has_value());

    EXPECT_EQ(bench::reg::SubKeys(HKEY_CURRENT_USER, kTestKey), std::vector<std::string>{"Deeper"});
    EXPECT_TRUE(bench::reg::ValueExists(HKEY_CURRENT_USER, kTestKey, "dw"));
    EXPECT_TRUE(bench::reg::DeleteValue(HKEY_CURRENT_USER, kTestKey, "dw"));
    EXPECT_FALSE(bench::reg::ValueExists(HKEY_CURRENT_USER, kTestKey, "dw"));

    EXPECT_TRUE(bench::reg::DeleteKey(HKEY_CURRENT_USER, kTestKey));
    EXPECT_FALSE(bench::reg::KeyExists(HKEY_CURRENT_USER, sub));
    EXPECT_TRUE(bench::reg::KeyExists(HKEY_CURRENT_USER, "Software")) << "the parent stays";
    EXPECT_TRUE(bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_FALSE(bench::reg::DeleteKey(HKEY_LOCAL_MACHINE, "")) << "a whole root is never deleted";
}

TEST(BenchProcesses, CommandsRunToTheirEndAndAgreeWithTheRegistryHelpers) {
    EXPECT_EQ(bench::RunAndWait("cmd.exe /c exit 3").value_or(999), 3u);
    EXPECT_FALSE(bench::RunAndWait("C:\\no\\such\\program.exe").has_value());
    ASSERT_EQ(bench::RunAndWait("reg.exe add HKCU\\Software\\PagewardenBench\\Reg /v Port379 /t REG_DWORD /d 120 /f")
                  .value_or(999),
              0u);
    EXPECT_EQ(bench::reg::GetDword(HKEY_CURRENT_USER, "Software\\PagewardenBench\\Reg", "Port379").value_or(0), 120u);
    bench::reg::DeleteKey(HKEY_CURRENT_USER, "Software\\PagewardenBench");
}

TEST(BenchProcesses, StartFailsCleanlyForAMissingProgram) {
    bench::Process p = bench::Process::Start(bench::JoinPath(bench::WindowsDir(), "no_such_program.exe"));
    EXPECT_FALSE(p);
    EXPECT_EQ(p.StartError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(p.WaitExit(10));
    EXPECT_FALSE(p.Running());
}

TEST(BenchProcesses, OwnerEndsWhatItStarted) {
    DWORD pid = 0;
    {
        Target t = StartTarget();
        ASSERT_TRUE(t.process);
        ASSERT_TRUE(t.wnd);
        pid = t.process.Id();
        EXPECT_TRUE(t.process.Running());
        EXPECT_FALSE(t.process.ExitCode().has_value());
        const auto ids = bench::ProcessIdsByName("BENCH_TARGET.EXE");
        EXPECT_NE(std::find(ids.begin(), ids.end(), pid), ids.end());
        bench::Process moved = std::move(t.process);
        EXPECT_FALSE(t.process);
        EXPECT_EQ(moved.Id(), pid);
    }
    EXPECT_TRUE(bench::WaitUntil([&] { return ProcessIsGone(pid); }, 5000));

    Target t = StartTarget();
    ASSERT_TRUE(t.wnd);
    bench::Process adopted = bench::Process::Adopt(t.process.Id());
    ASSERT_TRUE(adopted);
    adopted.Kill();
    EXPECT_TRUE(t.process.WaitExit(5000));
    EXPECT_FALSE(bench::Process::Adopt(0));
}

TEST(BenchWindows, FindReadAndPressLikeAUser) {
    Target t = StartTarget();
    ASSERT_TRUE(t.wnd) << "no target window";
    EXPECT_FALSE(bench::FindTopWindow({kTargetClass, kTargetCaption, t.process.Id() + 4}))
        << "another process's window must not match";
    EXPECT_FALSE(bench::FindTopWindow({kTargetClass, "Bench Targe"})) << "captions match exactly";
    EXPECT_EQ(bench::WindowText(t.wnd), kTargetCaption);
    EXPECT_EQ(bench::ClassName(t.wnd), kTargetClass);
    EXPECT_EQ(bench::WindowProcessId(t.wnd), t.process.Id());
    EXPECT_EQ(bench::ControlText(t.wnd, 100), "edit text");
    EXPECT_EQ(bench::ControlText(t.wnd, 102), "answer: none");

    const auto kids = bench::ChildWindows(t.wnd);
    ASSERT_EQ(kids.size(), 6u);
    EXPECT_EQ(bench::ControlId(kids[0]), 100);
    EXPECT_EQ(bench::ClassName(kids[0]), "Edit");
    EXPECT_EQ(bench::FindChild(t.wnd, "Button", "Quit"), bench::Control(t.wnd, 105));
    EXPECT_FALSE(bench::FindChild(t.wnd, "Button", "Nothing"));

    // Typed text of another process's edit control comes back through WM_GETTEXT.
    const char typed[] = "typed by the bench";
    bench::Send(bench::Control(t.wnd, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
    EXPECT_EQ(bench::ControlText(t.wnd, 100), typed);

    EXPECT_FALSE(bench::IsControlEnabled(t.wnd, 103));
    EXPECT_TRUE(bench::IsControlEnabled(t.wnd, 101));
    EXPECT_FALSE(bench::ClickButton(t.wnd, 103)) << "a user cannot press a disabled button";
    EXPECT_FALSE(bench::ClickButton(t.wnd, 999));

    // The button opens a message box; posting the click must not block the test.
    ASSERT_TRUE(bench::ClickButton(t.wnd, 101));
    HWND box = bench::WaitMessageBox("Bench Question", 10000, t.process.Id());
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(bench::MessageBoxText(box), "Line one\nLine two");
    EXPECT_TRUE(bench::Screenshot("bench_message_box"));
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDNO));
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::ControlText(t.wnd, 102) == "answer: no"; }, 5000))
        << bench::ControlText(t.wnd, 102);
    EXPECT_EQ(bench::ControlText(t.wnd, 102 + 1), "Disabled");

    ASSERT_TRUE(bench::ClickButton(t.wnd, 101));
    box = bench::WaitMessageBox("Bench Question", 10000, t.process.Id());
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::ControlText(t.wnd, 102) == "answer: yes"; }, 5000));

    ShowWindowAsync(t.wnd, SW_MINIMIZE);
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::IsMinimized(t.wnd); }, 5000));
    ShowWindowAsync(t.wnd, SW_HIDE);
    EXPECT_TRUE(bench::WaitVisible(t.wnd, false, 5000));
    ShowWindowAsync(t.wnd, SW_RESTORE);
    EXPECT_TRUE(bench::WaitVisible(t.wnd, true, 5000));

    ASSERT_TRUE(bench::ClickButton(t.wnd, 105));
    EXPECT_TRUE(bench::WaitGone(t.wnd, 5000));
    DWORD code = 0;
    ASSERT_TRUE(t.process.WaitExit(5000, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(t.process.ExitCode().value_or(0), 7u);
}

TEST(BenchWindows, DeviceBroadcastsArriveIntact) {
    Target t = StartTarget();
    ASSERT_TRUE(t.wnd);
    const std::string path = "\\\\?\\usb#vid_0f3a&pid_1101#zyk-455sent#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    ASSERT_TRUE(bench::SendDeviceInterfaceChange(t.wnd, 0x8000, path));
    EXPECT_EQ(bench::ControlText(t.wnd, 102), "device 8000 a5dcbf10 " + path);
    const GUID other = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
    ASSERT_TRUE(bench::SendDeviceInterfaceChange(t.wnd, 0x8004, "x", &other));
    EXPECT_EQ(bench::ControlText(t.wnd, 102), "device 8004 28d78fad x");
    EXPECT_FALSE(bench::SendDeviceInterfaceChange(nullptr, 0x8000, path)) << "no window, no delivery";
}

TEST(BenchProcesses, AdoptedByNameAreEndedWithTheirOwners) {
    Target t = StartTarget();
    ASSERT_TRUE(t.wnd);
    {
        std::vector<bench::Process> owned = bench::AdoptByName("bench_target.exe");
        ASSERT_EQ(owned.size(), 1u);
        EXPECT_EQ(owned[0].Id(), t.process.Id());
        EXPECT_TRUE(bench::AdoptByName("bench_test.exe").empty()) << "never the test itself";
    }
    EXPECT_TRUE(t.process.WaitExit(5000));
}

// Run alone by ctest (BENCH_HEAP_CHECK set), which expects the started
// program's heap fault in the output: a started program runs under Wine's heap
// validation and its reports reach the test's output.
TEST(BenchHeapCheck, StartedProgramsRunWithHeapValidation) {
    char flag[8];
    if (!GetEnvironmentVariableA("BENCH_HEAP_CHECK", flag, sizeof flag)) GTEST_SKIP() << "run by its own ctest entry";
    bench::Process p = bench::Process::Start(TargetExe(), "heap-fault");
    ASSERT_TRUE(p) << p.StartError();
    EXPECT_TRUE(p.WaitExit(20000));
}

// Run only as the child of BenchFailureShots: it fails on purpose.
TEST(BenchSelf, DeliberateFailure) {
    char flag[8];
    if (!GetEnvironmentVariableA("BENCH_DELIBERATE_FAILURE", flag, sizeof flag)) GTEST_SKIP() << "child run only";
    ADD_FAILURE() << "deliberate failure";
}

TEST(BenchFailureShots, AFailingTestLeavesAScreenshot) {
    const std::string shot = bench::JoinPath(bench::OutDir(), "BenchSelf.DeliberateFailure.failed.png");
    bench::RemovePath(shot);
    char self[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, self, sizeof self));
    SetEnvironmentVariableA("BENCH_DELIBERATE_FAILURE", "1");
    bench::StartOptions quiet;
    quiet.discardOutput = true;  // its FAILED lines would only mislead a reader of this log
    bench::Process child = bench::Process::Start(self, "--gtest_filter=BenchSelf.DeliberateFailure", "", quiet);
    SetEnvironmentVariableA("BENCH_DELIBERATE_FAILURE", nullptr);
    ASSERT_TRUE(child);
    DWORD code = 0;
    ASSERT_TRUE(child.WaitExit(60000, &code));
    EXPECT_EQ(code, 1u);
    const std::string png = bench::ReadFileText(shot).value_or("");
    EXPECT_EQ(png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0) << shot;
    bench::RemovePath(shot);  // not a failure of this run
}

TEST(BenchTray, IconsComeAndGoAndTheirMenuIsDriven) {
    const int before = bench::TrayIconCount();
    Target t = StartTarget("tray");
    ASSERT_TRUE(t.wnd);
    ASSERT_TRUE(bench::WaitTrayIconCount(before + 1)) << bench::TrayIconCount();
    EXPECT_TRUE(bench::TrayWindow());
    EXPECT_TRUE(bench::Screenshot("bench_tray"));

    ASSERT_TRUE(bench::Post(t.wnd, WM_APP + 1, 1, WM_RBUTTONUP));
    HWND menu = bench::WaitPopupMenu(5000, t.process.Id());
    ASSERT_TRUE(menu) << "no popup menu";
    EXPECT_TRUE(bench::Screenshot("bench_tray_menu"));
    ASSERT_TRUE(bench::ChoosePopupItem(menu, 2));  // the first Down selects "First"
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::ControlText(t.wnd, 102) == "menu: Second"; }, 5000))
        << bench::ControlText(t.wnd, 102);

    ASSERT_TRUE(bench::ClickButton(t.wnd, 104));
    EXPECT_TRUE(bench::WaitTrayIconCount(before)) << bench::TrayIconCount();
}

TEST(BenchScreenshot, CapturesWhatIsOnTheScreen) {
    Target t = StartTarget();
    ASSERT_TRUE(t.wnd);
    RECT rc{};
    GetClientRect(t.wnd, &rc);
    POINT probe{rc.right - 20, rc.bottom - 20};  // client area clear of the controls
    ClientToScreen(t.wnd, &probe);

    ASSERT_TRUE(bench::Screenshot("bench_window"));
    const std::string shot = bench::ReadFileText(bench::JoinPath(bench::OutDir(), "bench_window.png")).value_or("");
    ASSERT_GT(shot.size(), 33u);
    EXPECT_EQ(shot.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    EXPECT_EQ(shot.substr(12, 4), "IHDR");
    EXPECT_EQ(static_cast<int>(Be32(shot, 16)), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(static_cast<int>(Be32(shot, 20)), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_FALSE(bench::FileExists(bench::JoinPath(bench::OutDir(), "bench_window.png.part.png")));

    // Our own capture: decode it and find the target's paint where its window is.
    SetEnvironmentVariableA("PW_SCREENSHOT", "gdi");
    const bool gdi = bench::Screenshot("bench window/gdi");
    SetEnvironmentVariableA("PW_SCREENSHOT", nullptr);
    ASSERT_TRUE(gdi);
    const std::string png = bench::ReadFileText(bench::JoinPath(bench::OutDir(), "bench_window_gdi.png")).value_or("");
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb;
    ASSERT_TRUE(DecodeStoredPng(png, w, h, rgb));
    ASSERT_TRUE(probe.x >= 0 && probe.y >= 0 && probe.x < w && probe.y < h);
    const std::size_t at = (static_cast<std::size_t>(probe.y) * w + probe.x) * 3;
    EXPECT_EQ(rgb[at], GetRValue(kTargetPaint));
    EXPECT_EQ(rgb[at + 1], GetGValue(kTargetPaint));
    EXPECT_EQ(rgb[at + 2], GetBValue(kTargetPaint));
}

TEST(BenchDesktop, ProgramsRunInAVirtualDesktopAndAreStillDriven) {
    bench::StartOptions options;
    options.virtualDesktop = true;
    options.desktopName = "benchdesk";
    Target t = StartTarget("", options);
    ASSERT_TRUE(t.process) << t.process.StartError();
    ASSERT_TRUE(t.wnd) << "target window not found on the virtual desktop";
    EXPECT_EQ(bench::ControlText(t.wnd, 102), "answer: none");
    ASSERT_TRUE(bench::ClickButton(t.wnd, 101));
    HWND box = bench::WaitMessageBox("Bench Question", 10000, t.process.Id());
    ASSERT_TRUE(box);
    EXPECT_TRUE(bench::Screenshot("bench_virtual_desktop"));
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::ControlText(t.wnd, 102) == "answer: yes"; }, 5000));
    const DWORD pid = t.process.Id();
    t.process.Kill();
    EXPECT_TRUE(ProcessIsGone(pid));
}

}  // namespace
