// What the bench's own files share; tests use Bench.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

inline std::string EnvVar(const char* name) {
    char small[1024];
    DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
    if (n == 0) return {};
    if (n < sizeof small) return std::string(small, n);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name, &big[0], n);
    big.resize(n < big.size() ? n : 0);
    return big;
}

inline std::string StripTrailingSlash(std::string p) {
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    return p;
}

inline std::string Parent(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

inline std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// Desktops besides the thread's own that programs were started on
// (Process::Start records them); their windows are searched too.
void RememberDesktop(const std::string& name);
std::vector<std::string> StartedDesktops();

}  // namespace bench
