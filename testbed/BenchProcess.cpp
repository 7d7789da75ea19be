// The bench: starting, adopting, waiting for and ending processes.
#include "testbed/Bench.h"
#include "testbed/BenchShared.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace bench {
namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

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

}  // namespace

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
        ~Strings() {
            if (p) FreeEnvironmentStringsA(p);
        }
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
    if (p.m_process)
        p.m_pid = pid;
    else
        p.m_startError = GetLastError();
    return p;
}

bool Process::Running() const { return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT; }

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

}  // namespace bench
