// The bench: paths, files and waiting.
#include "testbed/Bench.h"
#include "testbed/BenchShared.h"

#include <algorithm>
#include <cstring>

namespace bench {

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
    pw::unique_file f(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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

}  // namespace bench
