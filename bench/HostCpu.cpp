#include "bench/HostCpu.h"

#include <cctype>
#include <sstream>

namespace hostcpu {

namespace {

std::optional<std::uint64_t> Number(const std::string& word) {
    if (word.empty() || word.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        std::uint64_t next = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (next / 10 != value) return std::nullopt;  // overflow
        value = next;
    }
    return value;
}

std::string FirstArgumentName(const std::string& cmdline) {
    std::string first = cmdline.substr(0, cmdline.find('\0'));
    std::size_t slash = first.find_last_of("/\\");
    return slash == std::string::npos ? first : first.substr(slash + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<std::uint64_t> SchedstatRunNs(const std::string& text) {
    std::istringstream in(text);
    std::string run, wait;
    if (!(in >> run >> wait)) return std::nullopt;
    return Number(run);
}

std::optional<std::uint64_t> StatTicks(const std::string& text) {
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream in(text.substr(close + 1));
    // After the name: state (3), ppid, pgrp, session, tty_nr, tpgid, flags,
    // minflt, cminflt, majflt, cmajflt (13), utime (14), stime (15).
    std::string field;
    for (int i = 3; i <= 13; ++i)
        if (!(in >> field)) return std::nullopt;
    std::string utime, stime;
    if (!(in >> utime >> stime)) return std::nullopt;
    std::optional<std::uint64_t> u = Number(utime), s = Number(stime);
    if (!u || !s) return std::nullopt;
    return *u + *s;
}

bool RunsImage(const std::string& cmdline, const std::string& imageName) {
    return !imageName.empty() && Lower(FirstArgumentName(cmdline)) == Lower(imageName);
}

bool ImageStartsWith(const std::string& cmdline, const std::string& prefix) {
    return !prefix.empty() && FirstArgumentName(cmdline).rfind(prefix, 0) == 0;
}

bool HasVariable(const std::string& environment, const std::string& name, const std::string& value) {
    const std::string entry = name + "=" + value;
    std::size_t start = 0;
    while (start < environment.size()) {
        std::size_t end = environment.find('\0', start);
        if (end == std::string::npos) end = environment.size();
        if (environment.compare(start, end - start, entry) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace hostcpu
