#include "testbed/Bench.h"

#include "testbed/Png.h"

#include <dbt.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace bench {
namespace {

using unique_hdesk = pw::unique_any<HDESK, &CloseDesktop>;
inline void close_dc(HDC dc) { ReleaseDC(nullptr, dc); }
using unique_screen_dc = pw::unique_any<HDC, &close_dc>;
inline void delete_dc(HDC dc) { DeleteDC(dc); }
using unique_mem_dc = pw::unique_any<HDC, &delete_dc>;

std::string EnvVar(const char* name) {
    char small[1024];
    DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
    if (n == 0) return {};
    if (n < sizeof small) return std::string(small, n);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name, &big[0], n);
    big.resize(n < big.size() ? n : 0);
    return big;
}

std::string StripTrailingSlash(std::string p) {
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    return p;
}

std::string Parent(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(),
                                                  static_cast<int>(a.size()), b.data(),
                                                  static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Desktops besides the thread's own that programs were started on; their
// windows are searched too.
std::mutex g_desktopLock;
std::vector<std::string> g_desktops;

void RememberDesktop(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_desktopLock);
    if (std::find(g_desktops.begin(), g_desktops.end(), name) == g_desktops.end()) g_desktops.push_back(name);
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> AllTopWindows() {
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(g_desktopLock);
        names = g_desktops;
    }
    for (const auto& name : names) {
        unique_hdesk desk(OpenDesktopA(name.c_str(), 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS));
        if (!desk) continue;
        std::vector<HWND> more;
        EnumDesktopWindows(desk.get(), CollectWindow, reinterpret_cast<LPARAM>(&more));
        for (HWND h : more)
            if (std::find(all.begin(), all.end(), h) == all.end()) all.push_back(h);
    }
    return all;
}

bool IsDesktopWindow(HWND hwnd) { return hwnd == GetDesktopWindow() || ClassName(hwnd) == "#32769"; }

bool Matches(HWND hwnd, const WindowQuery& q) {
    if (!IsWindow(hwnd)) return false;
    if (q.pid && WindowProcessId(hwnd) != q.pid) return false;
    if (q.visibleOnly && !IsVisible(hwnd)) return false;
    if (!q.className.empty() && ClassName(hwnd) != q.className) return false;
    if (!q.caption.empty()) {
        // The stored caption: never sends a message to the owner, so a busy program cannot stall the search.
        char buf[512];
        const int n = GetWindowTextA(hwnd, buf, sizeof buf);
        if (std::string(buf, n > 0 ? n : 0) != q.caption) return false;
    }
    return true;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process with this image name that `parent` started. Process ids are
// reused, so a process whose parent id matches but that is older than the
// parent belongs to an earlier owner of that id.
DWORD ChildOf(HANDLE parent, DWORD parentPid, const std::string& imageName) {
    pw::unique_file snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return 0;
    const ULONGLONG parentCreated = CreationTime(parent);
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap.get(), &pe); ok; ok = Process32Next(snap.get(), &pe)) {
        if (pe.th32ParentProcessID != parentPid || pe.th32ProcessID == parentPid) continue;
        if (!EqualNoCase(BaseName(pe.szExeFile), imageName)) continue;
        pw::unique_handle child(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID));
        if (child && CreationTime(child.get()) >= parentCreated) return pe.th32ProcessID;
    }
    return 0;
}

void KillAndWait(HANDLE process) {
    if (!process) return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 0xDEAD);
        WaitForSingleObject(process, 5000);
    }
}

pw::unique_hkey OpenKey(HKEY root, const std::string& key, REGSAM access) {
    pw::unique_hkey h;
    if (RegOpenKeyExA(root, key.c_str(), 0, access, h.put()) != ERROR_SUCCESS) h.reset();
    return h;
}

pw::unique_hkey CreateKey(HKEY root, const std::string& key) {
    pw::unique_hkey h;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        h.put(), nullptr) != ERROR_SUCCESS)
        h.reset();
    return h;
}

// The raw bytes and type of a value; bounded by what the registry reports.
bool QueryValue(HKEY root, const std::string& key, const std::string& name, std::vector<std::uint8_t>& data,
                DWORD& type) {
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    if (!h) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(h.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
        data.assign(size, 0);
        DWORD got = size;
        const LONG rc = RegQueryValueExA(h.get(), name.c_str(), nullptr, &type, size ? data.data() : nullptr, &got);
        if (rc == ERROR_MORE_DATA) continue;  // grew in between
        if (rc != ERROR_SUCCESS) return false;
        data.resize(std::min(got, size));
        return true;
    }
    return false;
}

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
              std::size_t size) {
    auto h = CreateKey(root, key);
    return h && RegSetValueExA(h.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

std::string SafeFileName(const std::string& name) {
    std::string s = name.empty() ? std::string("shot") : name;
    for (char& c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '.'))
            c = '_';
    return s;
}

// A complete PNG ends with the IEND chunk: its length 0, type and fixed CRC.
bool IsCompletePng(const std::string& path) {
    std::string bytes;
    if (!ReadFileText(path, bytes) || bytes.size() < 8 + 12) return false;
    static const char kEnd[] = "\0\0\0\0IEND\xAE\x42\x60\x82";
    return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
           bytes.compare(bytes.size() - 12, 12, std::string(kEnd, 12)) == 0;
}

// Runs ImageMagick's import on the X display. Wine starts a Unix program
// through CreateProcess but hands back no process handle to wait on, so the
// finished file is the sign that it is done.
bool CaptureWithImport(const std::string& unixTarget, const std::string& windowsTarget) {
    const std::string importExe = "Z:\\usr\\bin\\import";
    if (!FileExists(importExe)) return false;
    const std::string tmpUnix = unixTarget + ".part.png";
    const std::string tmpWin = windowsTarget + ".part.png";
    DeleteFileA(tmpWin.c_str());
    std::string cmd = "import -window root " + Quote(tmpUnix);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(importExe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // For a Unix program Wine leaves the handles unset (hThread may hold junk):
    // own them only when a Windows process was made.
    pw::unique_handle process, thread;
    if (pi.hProcess) {
        process.reset(pi.hProcess);
        thread.reset(pi.hThread);
        WaitForSingleObject(process.get(), 20000);
    }
    const bool done = WaitUntil([&] { return IsCompletePng(tmpWin); }, 20000, 100);
    if (!done) {
        DeleteFileA(tmpWin.c_str());
        return false;
    }
    return MoveFileExA(tmpWin.c_str(), windowsTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// GDI capture of the whole virtual screen, written by our own encoder.
bool CaptureWithGdi(const std::string& windowsTarget) {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) return false;
    unique_screen_dc screen(GetDC(nullptr));
    if (!screen) return false;
    unique_mem_dc mem(CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    pw::unique_hbitmap dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !dib || !bits) return false;
    HGDIOBJ old = SelectObject(mem.get(), dib.get());
    const BOOL ok = BitBlt(mem.get(), 0, 0, w, h, screen.get(), x, y, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(mem.get(), old);
    if (!ok) return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    const auto* src = static_cast<const std::uint8_t*>(bits);
    for (std::size_t i = 0, n = static_cast<std::size_t>(w) * h; i < n; ++i) {
        rgb[i * 3 + 0] = src[i * 4 + 2];
        rgb[i * 3 + 1] = src[i * 4 + 1];
        rgb[i * 3 + 2] = src[i * 4 + 0];
    }
    return WriteFileText(windowsTarget, EncodePng(w, h, rgb));
}

}  // namespace

// ---------------------------------------------------------------- paths

std::string UnixToWindows(const std::string& unixPath) {
    if (unixPath.empty() || unixPath[0] != '/') return unixPath;
    std::string w = "Z:" + unixPath;
    std::replace(w.begin(), w.end(), '/', '\\');
    return StripTrailingSlash(w);
}

std::string BuildDir() {
    char buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return Parent(std::string(buf, n));
}

std::string SourceDir() { return UnixToWindows(EnvVar("PW_TOP")); }

std::string BuildRoot() {
    std::string dir = BuildDir();
    while (!dir.empty()) {
        if (FileExists(JoinPath(dir, "CMakeCache.txt"))) return dir;
        const std::string up = Parent(dir);
        if (up == dir) break;
        dir = up;
    }
    return BuildDir();
}

std::string PrefixPath(const std::string& relative) {
    if (relative.empty()) return "C:";
    return "C:\\" + (relative[0] == '\\' ? relative.substr(1) : relative);
}

std::string WindowsDir() {
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string("C:\\windows");
}

std::string SystemDir() {
    char buf[MAX_PATH];
    const UINT n = GetSystemDirectoryA(buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string("C:\\windows\\system32");
}

std::string OutDir() { return UnixToWindows(EnvVar("PW_OUT")); }

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const bool aSlash = a.back() == '\\' || a.back() == '/';
    const bool bSlash = b.front() == '\\' || b.front() == '/';
    if (aSlash && bSlash) return a + b.substr(1);
    if (aSlash || bSlash) return a + b;
    return a + "\\" + b;
}

// ---------------------------------------------------------------- files

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::string& path) {
    const std::string p = StripTrailingSlash(path);
    if (p.empty() || DirectoryExists(p)) return !p.empty();
    const std::string up = Parent(p);
    if (!up.empty() && up != p && up.size() > 2) MakeDirs(up);
    return CreateDirectoryA(p.c_str(), nullptr) || DirectoryExists(p);
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    const std::string up = Parent(to);
    if (!up.empty()) MakeDirs(up);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool CopyTree(const std::string& from, const std::string& to) {
    if (!DirectoryExists(from) || !MakeDirs(to)) return false;
    bool ok = true;
    for (const auto& name : ListDir(from)) {
        const std::string src = JoinPath(from, name), dst = JoinPath(to, name);
        ok = (DirectoryExists(src) ? CopyTree(src, dst) : CopyFileTo(src, dst)) && ok;
    }
    return ok;
}

bool ReadFileText(const std::string& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    pw::unique_file f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    out.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 20));
        if (!::ReadFile(f.get(), &out[done], want, &got, nullptr)) return false;
        if (got == 0) break;  // shrank while reading
        done += got;
    }
    out.resize(done);
    return true;
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::string s;
    if (!ReadFileText(path, s)) return std::nullopt;
    return s;
}

bool WriteFileText(const std::string& path, const std::string& data) {
    const std::string up = Parent(path);
    if (!up.empty()) MakeDirs(up);
    pw::unique_file f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!f) return false;
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        if (!::WriteFile(f.get(), data.data() + done, want, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

bool RemovePath(const std::string& path) {
    if (DirectoryExists(path)) {
        for (const auto& name : ListDir(path)) RemovePath(JoinPath(path, name));
        RemoveDirectoryA(path.c_str());
    } else if (FileExists(path)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd{};
    pw::unique_find find(FindFirstFileA(JoinPath(path, "*").c_str(), &fd));
    if (!find) return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(find.get(), &fd));
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------- waiting

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD stepMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(stepMs ? stepMs : 1);
    }
}

// ---------------------------------------------------------------- processes

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Kill();
        m_process = std::move(other.m_process);
        m_desktop = std::move(other.m_desktop);
        m_pid = std::exchange(other.m_pid, 0);
        m_startError = other.m_startError;
    }
    return *this;
}

Process::~Process() { Kill(); }

namespace {
// This process's environment block with WINEDEBUG extended by Wine's heap
// validation (warn+heap turns it on, err+heap keeps its reports when the
// rest is off); "" when the block cannot be read. Ends in two nulls.
std::string HeapCheckedEnvironment() {
    struct Strings {
        char* p;
        ~Strings() { if (p) FreeEnvironmentStringsA(p); }
    } strings{GetEnvironmentStringsA()};
    if (!strings.p) return {};
    std::string block;
    std::string debug = "-all";
    for (const char* entry = strings.p; *entry; entry += std::strlen(entry) + 1) {
        if (_strnicmp(entry, "WINEDEBUG=", 10) == 0) {
            debug = entry + 10;
            continue;
        }
        block.append(entry);
        block.push_back('\0');
    }
    block.append("WINEDEBUG=" + (debug.empty() ? std::string() : debug + ",") + "warn+heap,err+heap");
    block.push_back('\0');
    block.push_back('\0');
    return block;
}
}  // namespace

Process Process::Start(const std::string& exe, const std::string& args, const std::string& cwd,
                       const StartOptions& options) {
    Process p;
    // Without a given directory the program starts in its own folder (when that exists,
    // so that a missing program reports "file not found", not "bad directory").
    std::string dir = cwd;
    if (dir.empty() && DirectoryExists(Parent(exe))) dir = Parent(exe);
    std::string cmd = Quote(exe);
    if (!args.empty()) cmd += " " + args;
    std::string application = exe;
    if (options.virtualDesktop) {
        application = JoinPath(WindowsDir(), "explorer.exe");
        cmd = Quote(application) + " /desktop=" + options.desktopName + "," + std::to_string(options.width) + "x" +
              std::to_string(options.height) + " " + cmd;
        RememberDesktop(options.desktopName);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = options.showWindow;
    pw::unique_file nul;
    if (options.discardOutput) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        nul.reset(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              OPEN_EXISTING, 0, nullptr));
        if (nul) {
            si.dwFlags |= STARTF_USESTDHANDLES;
            si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
        }
    }
    const std::string environment = options.heapCheck ? HeapCheckedEnvironment() : std::string();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(application.c_str(), &cmd[0], nullptr, nullptr, nul ? TRUE : FALSE, 0,
                        environment.empty() ? nullptr : const_cast<char*>(environment.data()),
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        p.m_startError = GetLastError();
        return p;
    }
    pw::unique_handle thread(pi.hThread);
    if (!options.virtualDesktop) {
        p.m_process.reset(pi.hProcess);
        p.m_pid = pi.dwProcessId;
        return p;
    }
    // The program is the desktop process's child.
    p.m_desktop.reset(pi.hProcess);
    DWORD child = 0;
    WaitUntil([&] { return (child = ChildOf(pi.hProcess, pi.dwProcessId, BaseName(exe))) != 0; }, 15000);
    if (child) p.m_process.reset(OpenProcess(PROCESS_ALL_ACCESS, FALSE, child));
    if (!p.m_process) {
        p.m_startError = child ? GetLastError() : ERROR_FILE_NOT_FOUND;
        KillAndWait(p.m_desktop.get());
        p.m_desktop.reset();
        return p;
    }
    p.m_pid = child;
    return p;
}

Process Process::Adopt(DWORD pid) {
    Process p;
    p.m_process.reset(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
    if (p.m_process) p.m_pid = pid;
    else p.m_startError = GetLastError();
    return p;
}

bool Process::Running() const {
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_process || WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(m_process.get(), exitCode);
    return true;
}

std::optional<DWORD> Process::ExitCode() const {
    DWORD code = 0;
    if (!m_process || Running() || !GetExitCodeProcess(m_process.get(), &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    KillAndWait(m_process.get());
    KillAndWait(m_desktop.get());
    m_desktop.reset();
}

std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD timeoutMs, const std::string& cwd) {
    std::string cmd = commandLine;
    const std::string dir = cwd.empty() ? SystemDir() : cwd;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return std::nullopt;
    pw::unique_handle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        KillAndWait(process.get());
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

std::vector<DWORD> ProcessIdsByName(const std::string& imageName) {
    std::vector<DWORD> ids;
    pw::unique_file snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return ids;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap.get(), &pe); ok; ok = Process32Next(snap.get(), &pe)) {
        if (EqualNoCase(BaseName(pe.szExeFile), imageName)) ids.push_back(pe.th32ProcessID);
    }
    return ids;
}

std::vector<Process> AdoptByName(const std::string& imageName) {
    std::vector<Process> owned;
    for (DWORD pid : ProcessIdsByName(imageName)) {
        if (pid == GetCurrentProcessId()) continue;
        Process p = Process::Adopt(pid);
        if (p) owned.push_back(std::move(p));
    }
    return owned;
}

// ---------------------------------------------------------------- windows

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    std::vector<HWND> found;
    for (HWND h : AllTopWindows())
        if (Matches(h, query)) found.push_back(h);
    return found;
}

HWND FindTopWindow(const WindowQuery& query) {
    const auto all = FindTopWindows(query);
    return all.empty() ? nullptr : all.front();
}

HWND WaitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitVisible(HWND hwnd, bool visible, DWORD timeoutMs) {
    return WaitUntil([&] { return IsVisible(hwnd) == visible; }, timeoutMs);
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
}

bool IsVisible(HWND hwnd) {
    if (!IsWindow(hwnd)) return false;
    // IsWindowVisible also asks the desktop window, which is not visible from
    // another desktop; the window and its own ancestors decide what a user sees.
    int depth = 0;
    for (HWND w = hwnd; w && !IsDesktopWindow(w) && depth < 64; w = GetAncestor(w, GA_PARENT), ++depth)
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE)) return false;
    return true;
}

bool IsMinimized(HWND hwnd) { return IsWindow(hwnd) && ::IsIconic(hwnd); }

std::string WindowText(HWND hwnd) {
    if (!IsWindow(hwnd)) return {};
    DWORD_PTR len = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &len) &&
        len < (1u << 20)) {
        std::string text(len + 1, '\0');
        DWORD_PTR got = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &got)) {
            text.resize(std::min<std::size_t>(got, len));
            return text;
        }
    }
    char buf[4096];
    const int n = GetWindowTextA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string ControlText(HWND dialog, int controlId) { return WindowText(GetDlgItem(dialog, controlId)); }

std::string ClassName(HWND hwnd) {
    char buf[256];
    const int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

int ControlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

DWORD WindowProcessId(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::vector<HWND> ChildWindows(HWND parent, bool recursive) {
    std::vector<HWND> children;
    if (!IsWindow(parent)) return children;
    if (recursive) {
        EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    } else {
        for (HWND h = GetWindow(parent, GW_CHILD); h && children.size() < 10000; h = GetWindow(h, GW_HWNDNEXT))
            children.push_back(h);
    }
    return children;
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    for (HWND h : ChildWindows(parent, true)) {
        if (!className.empty() && ClassName(h) != className) continue;
        if (!text.empty() && WindowText(h) != text) continue;
        return h;
    }
    return nullptr;
}

HWND Control(HWND dialog, int controlId) { return IsWindow(dialog) ? GetDlgItem(dialog, controlId) : nullptr; }

bool IsControlEnabled(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && IsWindowEnabled(h);
}

bool IsControlVisible(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && IsVisible(h);
}

bool ClickButton(HWND button) {
    if (!IsVisible(button) || !IsWindowEnabled(button)) return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool ClickButton(HWND dialog, int controlId) { return ClickButton(Control(dialog, controlId)); }

bool IsChecked(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && Send(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, bool* ok) {
    DWORD_PTR result = 0;
    const bool delivered = SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                               timeoutMs, &result) != 0;
    if (ok) *ok = delivered;
    return delivered ? static_cast<LRESULT>(result) : 0;
}

bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return PostMessageA(hwnd, msg, wParam, lParam) != 0; }

bool SendDeviceInterfaceChange(HWND hwnd, WPARAM event, const std::string& devicePath, const GUID* classGuid,
                               DWORD timeoutMs) {
    static const GUID kUsbDevice = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::vector<std::uint8_t> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + devicePath.size() + 1, 0);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    b->dbcc_classguid = classGuid ? *classGuid : kUsbDevice;
    std::memcpy(b->dbcc_name, devicePath.c_str(), devicePath.size() + 1);
    bool ok = false;
    Send(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(bytes.data()), timeoutMs, &ok);
    return ok;
}

// ---------------------------------------------------------------- message boxes

HWND FindMessageBox(const std::string& caption, DWORD pid) {
    // Visible: a box that is still being built has its controls but cannot be answered yet.
    for (HWND h : FindTopWindows({"#32770", caption, pid, true}))
        if (GetDlgItem(h, 0xFFFF)) return h;
    return nullptr;
}

HWND WaitMessageBox(const std::string& caption, DWORD timeoutMs, DWORD pid) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox(caption, pid)) != nullptr; }, timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box) { return ControlText(box, 0xFFFF); }

bool AnswerMessageBox(HWND box, int buttonId, DWORD timeoutMs) {
    if (!WaitUntil([&] { return IsVisible(Control(box, buttonId)) && IsControlEnabled(box, buttonId); }, timeoutMs))
        return false;
    return ClickButton(box, buttonId) && WaitGone(box, timeoutMs);
}

// ---------------------------------------------------------------- tray

HWND TrayWindow() { return FindTopWindow({"__winex11_standalone_tray", "", 0, false}); }

int TrayIconCount() {
    HWND tray = TrayWindow();
    if (!tray) return 0;
    int n = 0;
    for (HWND h : ChildWindows(tray))
        if (ClassName(h) == "__winex11_tray_icon") ++n;
    return n;
}

bool WaitTrayIconCount(int count, DWORD timeoutMs) {
    return WaitUntil([&] { return TrayIconCount() == count; }, timeoutMs);
}

// ---------------------------------------------------------------- popup menus

HWND WaitPopupMenu(DWORD timeoutMs, DWORD pid) { return WaitWindow({"#32768", "", pid, true}, timeoutMs); }

bool ChoosePopupItem(HWND menu, int downPresses) {
    if (!IsWindow(menu)) return false;
    bool ok = true;
    for (int i = 0; i < downPresses; ++i) {
        ok = Post(menu, WM_KEYDOWN, VK_DOWN, 1) && ok;
        ok = Post(menu, WM_KEYUP, VK_DOWN, 0xC0000001) && ok;
    }
    ok = Post(menu, WM_KEYDOWN, VK_RETURN, 1) && ok;
    ok = Post(menu, WM_KEYUP, VK_RETURN, 0xC0000001) && ok;
    return ok;
}

// ---------------------------------------------------------------- registry

namespace reg {

bool SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value, DWORD type) {
    return SetValue(root, key, name, type, value.c_str(), value.size() + 1);
}

bool SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    return SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

bool SetMultiSz(HKEY root, const std::string& key, const std::string& name, const std::vector<std::string>& values) {
    std::string data;
    for (const auto& v : values) {
        data += v;
        data.push_back('\0');
    }
    data.push_back('\0');
    return SetValue(root, key, name, REG_MULTI_SZ, data.data(), data.size());
}

bool SetBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<std::uint8_t>& bytes,
               DWORD type) {
    return SetValue(root, key, name, type, bytes.data(), bytes.size());
}

std::optional<std::string> GetString(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::string s(data.begin(), data.end());
    const auto nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

std::string GetRaw(HKEY root, const std::string& key, const std::string& name, DWORD* type) {
    const auto bytes = GetBinary(root, key, name, type);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<no value>");
}

std::optional<DWORD> GetDword(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD v = 0;
    std::memcpy(&v, data.data(), sizeof v);
    return v;
}

std::optional<std::vector<std::string>> GetMultiSz(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::string> values;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = start;
        while (end < data.size() && data[end] != 0) ++end;
        if (end == start) break;  // the empty string ends the list
        values.emplace_back(data.begin() + start, data.begin() + end);
        start = end + 1;
    }
    return values;
}

std::optional<std::vector<std::uint8_t>> GetBinary(HKEY root, const std::string& key, const std::string& name,
                                                   DWORD* type) {
    std::vector<std::uint8_t> data;
    DWORD t = 0;
    if (!QueryValue(root, key, name, data, t)) return std::nullopt;
    if (type) *type = t;
    return data;
}

bool KeyExists(HKEY root, const std::string& key) { return static_cast<bool>(OpenKey(root, key, KEY_READ)); }

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    return h && RegQueryValueExA(h.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::vector<std::string> SubKeys(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    auto h = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS);
    if (!h) return names;
    for (DWORD i = 0;; ++i) {
        char buf[256];
        DWORD len = sizeof buf;
        if (RegEnumKeyExA(h.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, std::min<DWORD>(len, sizeof buf));
    }
    return names;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    if (!h) return names;
    for (DWORD i = 0;; ++i) {
        char buf[16384];
        DWORD len = sizeof buf;
        if (RegEnumValueA(h.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, std::min<DWORD>(len, sizeof buf));
    }
    return names;
}

bool DeleteKey(HKEY root, const std::string& key) {
    if (key.empty()) return false;  // never the whole root
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
    return !KeyExists(root, key);
}

bool DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    auto h = OpenKey(root, key, KEY_SET_VALUE);
    if (!h) return false;
    const LONG rc = RegDeleteValueA(h.get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace reg

// ---------------------------------------------------------------- screenshots

std::string SafeName(const std::string& name) { return SafeFileName(name); }

bool Screenshot(const std::string& name) {
    const std::string outUnix = EnvVar("PW_OUT");
    if (outUnix.empty() || outUnix[0] != '/') return false;
    const std::string outWin = UnixToWindows(outUnix);
    MakeDirs(outWin);
    const std::string file = SafeFileName(name) + ".png";
    const std::string targetWin = JoinPath(outWin, file);
    const std::string targetUnix = (outUnix.back() == '/' ? outUnix : outUnix + "/") + file;
    // Give the programs a moment to finish painting what they just showed.
    Sleep(300);
    GdiFlush();
    const std::string how = EnvVar("PW_SCREENSHOT");
    if (how != "gdi" && CaptureWithImport(targetUnix, targetWin)) return true;
    return CaptureWithGdi(targetWin);
}


}  // namespace bench
