// CPU time of a Wine program and of its wineserver, read from the host's
// /proc. Wine's GetProcessTimes answers 0 for another process and the
// wineserver is no Windows process at all, so a benchmark running inside the
// prefix reads /proc through drive Z: and hands the texts to these parsers.
// Portable: the host build tests them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hostcpu {

// Nanoseconds one task spent on a CPU: the first field of
// /proc/<pid>/task/<tid>/schedstat ("run_ns wait_ns timeslices").
std::optional<std::uint64_t> SchedstatRunNs(const std::string& text);

// utime + stime in clock ticks from /proc/<pid>/stat, all threads of the
// process including those that ended. Fields are counted after the last ')',
// since the command name in parentheses may itself hold spaces and ')'.
std::optional<std::uint64_t> StatTicks(const std::string& text);

// True when the first argument of a NUL-separated /proc cmdline names this
// image: its file name after the last '/' or '\', compared without case. An
// empty image never matches.
bool RunsImage(const std::string& cmdline, const std::string& imageName);

// True when the first argument's file name starts with this (e.g. "wineserver"
// matches "/usr/lib/wine/wineserver32").
bool ImageStartsWith(const std::string& cmdline, const std::string& prefix);

// True when a NUL-separated /proc environ holds exactly name=value.
bool HasVariable(const std::string& environment, const std::string& name, const std::string& value);

}  // namespace hostcpu
