// The Wine test bench: what a scenario needs to drive the built programs as a
// user would, from inside the scenario's own Wine prefix. The simulated
// printer (tools/sim) and the figures drive the programs with it too.
//
// tools/wine-run gives every test executable a fresh prefix (a copy-on-write
// layer over the template prefix), its own wineserver and its own Xvfb display,
// and removes them all afterwards; so a scenario may change the prefix's
// registry and C: drive freely, and a screenshot shows only its own windows.
// Tests inside one executable share that prefix: undo what a test changes, or
// put tests that need a pristine prefix into executables of their own.
//
//   bench::Process setup = bench::Process::Start(bench::PrefixPath("medium\\setup.exe"), "",
//                                                bench::PrefixPath("medium"));
//   HWND dlg = bench::WaitWindow({"#32770", "ZYKE Printer Driver - Setup", setup.Id()});
//   ASSERT_TRUE(dlg);
//   bench::Screenshot("setup_main");
//   EXPECT_TRUE(bench::ClickButton(dlg, IDOK));
//   HWND box = bench::WaitMessageBox("ZYKE Printer Driver - Setup");
//   EXPECT_EQ(bench::MessageBoxText(box), "...");
//   bench::AnswerMessageBox(box, IDOK);
//   EXPECT_TRUE(setup.WaitExit(10000));       // the destructor kills it otherwise
//
// Pressing buttons across processes: ClickButton POSTS BM_CLICK (after checking
// that the button exists, is visible and enabled, as a user would see it).
// SendMessage(BM_CLICK) does not return until the button's handler returns, and
// a handler that opens a modal dialog or a message box then blocks the test
// until somebody answers it: the test itself, which is stuck. Posting returns
// at once; wait for the effect (a window, a message box, an exit) afterwards.
// Use Send() only for messages whose handlers return promptly (WM_GETTEXT,
// WM_DEVICECHANGE with a structure, which Wine copies only for sent messages).
//
// A dialog exists before its initialisation has run: wait for it with
// visibleOnly = true before reading its controls.
//
// Every wait polls (50 ms steps) with a timeout in milliseconds and returns
// a null/false result on timeout, so a missing window fails the test instead
// of hanging it. No function throws.
#pragma once

#include "common/Handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bench {

constexpr DWORD kDefaultTimeoutMs = 10000;

// ---------------------------------------------------------------- paths
// Unix path -> the Windows path Wine shows it under ("/a/b" -> "Z:\a\b").
std::string UnixToWindows(const std::string& unixPath);
// The test executable's own directory (its build directory) as Z:\..., no trailing backslash.
std::string BuildDir();
// The source tree (the repository top, from PW_TOP) as Z:\..., no trailing backslash.
std::string SourceDir();
// The top of the build tree (CMake's binary dir: BuildDir() up to and including
// "\build\<name>\<preset>" or the last "\build\..." component that holds CMakeCache.txt).
std::string BuildRoot();
// "C:\" + relative ("medium\\setup.exe" -> "C:\medium\setup.exe"); "" gives "C:".
std::string PrefixPath(const std::string& relative);
std::string WindowsDir();  // C:\windows
std::string SystemDir();   // C:\windows\system32
// The screenshot folder ($PW_OUT) as a Windows path; "" when PW_OUT is not set.
std::string OutDir();
// Joins two path pieces with one backslash.
std::string JoinPath(const std::string& a, const std::string& b);

// ---------------------------------------------------------------- files
bool FileExists(const std::string& path);  // a file, not a directory
bool DirectoryExists(const std::string& path);
// Creates the directory and every missing parent; true when it exists afterwards.
bool MakeDirs(const std::string& path);
// Copies one file, creating the target's parent directories; overwrites.
bool CopyFileTo(const std::string& from, const std::string& to);
// Copies a folder's contents recursively into `to` (created if missing).
bool CopyTree(const std::string& from, const std::string& to);
// Whole file into `out`; false when it cannot be opened or read. Files larger
// than maxBytes are refused rather than read in part.
bool ReadFileText(const std::string& path, std::string& out, std::size_t maxBytes = 64u << 20);
std::optional<std::string> ReadFileText(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& data);  // creates parents
// Removes a file or a folder with everything in it; true when nothing is left.
bool RemovePath(const std::string& path);
// File names (not paths) directly inside a folder, sorted, without "." and "..".
std::vector<std::string> ListDir(const std::string& path);

// ---------------------------------------------------------------- waiting
// Calls pred every stepMs until it returns true or timeoutMs passes; the last
// call happens at or after the deadline, so a slow but successful state is seen.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = kDefaultTimeoutMs, DWORD stepMs = 50);

// ---------------------------------------------------------------- processes
struct StartOptions {
    // Run the program inside `explorer /desktop=<desktopName>,<width>x<height>`:
    // Wine then draws a desktop, captions and a taskbar (nicer screenshots).
    // The owned process is still the program itself (found as explorer's child),
    // and the window helpers search that desktop too. Its notification area is
    // the virtual desktop's own taskbar, so TrayIconCount does not see icons of
    // programs started this way: start tray scenarios without it.
    bool virtualDesktop = false;
    std::string desktopName = "bench";
    int width = 800;
    int height = 600;
    WORD showWindow = SW_SHOWNORMAL;  // STARTUPINFO wShowWindow
    bool discardOutput = false;       // standard output and error to NUL
    // Wine's heap validation on for the program (WINEDEBUG gains warn+heap and
    // err+heap in its environment only): a heap fault it makes is reported on
    // the test's own error output, where pw_heap_checked() in CMake fails the
    // test on it. Windows would corrupt memory or crash where Wine is lenient.
    bool heapCheck = true;
};

// A started (or adopted) process, ended by its owner: the destructor kills it
// if it still runs. Move-only.
class Process {
public:
    Process() = default;
    Process(Process&&) noexcept = default;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    // CreateProcessA("<exe>" args) with the given current directory ("" = the
    // exe's own folder). An invalid Process (false) when it cannot start; the
    // error is in StartError().
    static Process Start(const std::string& exe, const std::string& args = "", const std::string& cwd = "",
                         const StartOptions& options = {});
    // Takes ownership of a running process by id (e.g. one that a program
    // under test started with ShellExecute); invalid if it cannot be opened.
    static Process Adopt(DWORD pid);

    explicit operator bool() const { return static_cast<bool>(m_process); }
    DWORD Id() const { return m_pid; }
    HANDLE Handle() const { return m_process.get(); }
    DWORD StartError() const { return m_startError; }
    bool Running() const;
    // True when it exited within the timeout; then *exitCode holds its code.
    bool WaitExit(DWORD timeoutMs = kDefaultTimeoutMs, DWORD* exitCode = nullptr);
    std::optional<DWORD> ExitCode() const;  // empty while it runs
    // Ends the process (and its virtual desktop, if any) and waits for it.
    void Kill();

private:
    pw::unique_handle m_process;
    pw::unique_handle m_desktop;  // the explorer /desktop process, when used
    DWORD m_pid = 0;
    DWORD m_startError = 0;
};

// Runs a command line to its end (e.g. "reg add ...", "sc create ..."), with
// the prefix's C:\windows\system32 as current directory unless cwd is given.
// Returns the exit code, or nullopt when it could not start or timed out (then it is killed).
std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD timeoutMs = 30000, const std::string& cwd = "");

// Ids of the running processes whose image name (e.g. "Pagewarden.exe") matches, case-insensitively.
std::vector<DWORD> ProcessIdsByName(const std::string& imageName);

// Takes ownership of every running process with this image name (e.g. the
// monitor that the installer started); they are ended when the owners go.
std::vector<Process> AdoptByName(const std::string& imageName);

// ---------------------------------------------------------------- windows
// What to look for: empty strings and pid 0 match anything. Matching is exact
// (class and caption compared byte for byte).
struct WindowQuery {
    std::string className;
    std::string caption;
    DWORD pid = 0;
    bool visibleOnly = false;
};

HWND FindTopWindow(const WindowQuery& query);                // now, or null
std::vector<HWND> FindTopWindows(const WindowQuery& query);  // all matches now
HWND WaitWindow(const WindowQuery& query, DWORD timeoutMs = kDefaultTimeoutMs);
// Waits until the window is visible (visible=true) or hidden/destroyed (false).
bool WaitVisible(HWND hwnd, bool visible = true, DWORD timeoutMs = kDefaultTimeoutMs);
bool WaitGone(HWND hwnd, DWORD timeoutMs = kDefaultTimeoutMs);  // destroyed
// Shown: the window and all its ancestors have WS_VISIBLE (works for windows
// on a virtual desktop too, where IsWindowVisible answers false).
bool IsVisible(HWND hwnd);
bool IsMinimized(HWND hwnd);  // minimised

// A window's or control's text. Sends WM_GETTEXT with a timeout (works for
// edit controls of other processes); falls back to GetWindowTextA if the owner
// does not answer in time.
std::string WindowText(HWND hwnd);
std::string ControlText(HWND dialog, int controlId);  // GetDlgItemTextA semantics
std::string ClassName(HWND hwnd);
int ControlId(HWND hwnd);
DWORD WindowProcessId(HWND hwnd);
// Direct children, or all descendants (recursive), in Z order.
std::vector<HWND> ChildWindows(HWND parent, bool recursive = false);
// First descendant matching class and/or text (empty matches anything).
HWND FindChild(HWND parent, const std::string& className, const std::string& text = "");
HWND Control(HWND dialog, int controlId);  // GetDlgItem
bool IsControlEnabled(HWND dialog, int controlId);
bool IsControlVisible(HWND dialog, int controlId);
// Presses a button as described at the top of this file (PostMessage BM_CLICK).
// False when the button is missing, hidden or disabled.
bool ClickButton(HWND dialog, int controlId);
bool ClickButton(HWND button);
// Checks whether a check box / radio button is checked (BM_GETCHECK == BST_CHECKED).
bool IsChecked(HWND dialog, int controlId);

// SendMessageTimeoutA (abort if hung); *ok tells whether it was delivered.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs = 5000, bool* ok = nullptr);
bool Post(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Sends WM_DEVICECHANGE with a DEV_BROADCAST_DEVICEINTERFACE_A for the given
// device interface path (event DBT_DEVICEARRIVAL 0x8000 or
// DBT_DEVICEREMOVECOMPLETE 0x8004), as the system broadcasts it. Sent, not
// posted: Wine copies the structure (dbcc_size bytes) only for sent messages.
// classGuid defaults to the USB device interface class
// {A5DCBF10-6530-11D2-901F-00C04FB951ED}. True when the window received it.
bool SendDeviceInterfaceChange(HWND hwnd, WPARAM event, const std::string& devicePath, const GUID* classGuid = nullptr,
                               DWORD timeoutMs = 5000);

// ---------------------------------------------------------------- message boxes
// A visible "#32770" dialog with this exact caption that holds a message box
// text (static 0xFFFF), optionally of one process.
HWND FindMessageBox(const std::string& caption, DWORD pid = 0);
HWND WaitMessageBox(const std::string& caption, DWORD timeoutMs = kDefaultTimeoutMs, DWORD pid = 0);
std::string MessageBoxText(HWND box);  // the static 0xFFFF, line breaks kept
// Presses IDOK, IDYES, IDNO, IDCANCEL... once that button can be pressed, and
// waits until the box is gone. False if the box has no such button.
bool AnswerMessageBox(HWND box, int buttonId, DWORD timeoutMs = kDefaultTimeoutMs);

// ---------------------------------------------------------------- tray
// Wine has no taskbar notification area under Xvfb: it shows a top-level
// "__winex11_standalone_tray" window with one "__winex11_tray_icon" child per icon.
HWND TrayWindow();
int TrayIconCount();
bool WaitTrayIconCount(int count, DWORD timeoutMs = kDefaultTimeoutMs);

// ---------------------------------------------------------------- popup menus
// The "#32768" window of an open popup menu, optionally of one process.
HWND WaitPopupMenu(DWORD timeoutMs = kDefaultTimeoutMs, DWORD pid = 0);
// Picks the item `downPresses` steps below the top with Down presses and Return.
bool ChoosePopupItem(HWND menu, int downPresses);

// ---------------------------------------------------------------- registry
// Keys are paths below a root ("Software\\Microsoft\\..."); Set* create the key.
namespace reg {
bool SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value,
               DWORD type = REG_SZ);
bool SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
bool SetMultiSz(HKEY root, const std::string& key, const std::string& name, const std::vector<std::string>& values);
bool SetBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<std::uint8_t>& bytes,
               DWORD type = REG_BINARY);
// A REG_SZ / REG_EXPAND_SZ value without its terminator; nullopt when missing or another type.
std::optional<std::string> GetString(HKEY root, const std::string& key, const std::string& name);
std::optional<DWORD> GetDword(HKEY root, const std::string& key, const std::string& name);
std::optional<std::vector<std::string>> GetMultiSz(HKEY root, const std::string& key, const std::string& name);
// Raw bytes of any type; *type receives the value type.
std::optional<std::vector<std::uint8_t>> GetBinary(HKEY root, const std::string& key, const std::string& name,
                                                   DWORD* type = nullptr);
// The same raw bytes as a string (nulls kept), for comparing a value byte for
// byte; "<no value>" when the key or value is missing.
std::string GetRaw(HKEY root, const std::string& key, const std::string& name, DWORD* type = nullptr);
bool KeyExists(HKEY root, const std::string& key);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
std::vector<std::string> SubKeys(HKEY root, const std::string& key);
std::vector<std::string> ValueNames(HKEY root, const std::string& key);
// Removes the key with all its subkeys; true when it is gone (also when it never existed).
bool DeleteKey(HKEY root, const std::string& key);
bool DeleteValue(HKEY root, const std::string& key, const std::string& name);
}  // namespace reg

// ---------------------------------------------------------------- screenshots
// Writes the whole screen to $PW_OUT/<name>.png (name without extension;
// characters outside [A-Za-z0-9_.-] become '_'). Waits briefly for pending
// painting first. False when PW_OUT is not set or the capture failed.
// The capture is ImageMagick's import on the X display (Wine starts Unix
// programs through CreateProcess), or a GDI capture of the screen when import
// is missing or PW_SCREENSHOT=gdi.
//
// A test executable that links bench_failure_shots also screenshots each
// failing test as $PW_OUT/<Suite>.<Test>.failed.png, so a failure shows what
// was on the screen (PW_NO_FAILURE_SHOTS=1 turns that off).
bool Screenshot(const std::string& name);
// The file name (without .png) a screenshot of `name` is saved under.
std::string SafeName(const std::string& name);

}  // namespace bench
