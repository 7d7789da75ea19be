// The cost of a status poll under Wine: the same number of poll messages,
// delivered the same way (SendMessageTimeout from this process, one after the
// other), to the running monitor and to a bare window that makes only one
// poll's platform calls per message (poll_window_baseline.exe). The CPU time
// of each program's process and of the prefix's wineserver is read from the
// host's /proc around every block of polls; blocks alternate between the two
// programs, and the figures are medians over the blocks and over the ratios
// of each round's pair of blocks, so that a burst of load from elsewhere on
// the machine moves neither.
//   poll_cost_bench.exe [polls] [block]      (defaults 10000 and 100)
// Prints "FIGURE name value" lines; exits non-zero when a figure cannot be
// measured (a program missing, a poll not answered, no /proc).
#include "bench/HostCpu.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT kStatusPoll = WM_USER + 258;
const std::string kMonitorCaption = std::string(catalogue::ModelName) + " - Status Monitor";

void Figure(const char* name, double value) {
    std::printf("FIGURE %s %.3f\n", name, value);
    std::fflush(stdout);
}

// A host file seen through Z:; /proc files report size 0, so read to the end.
std::string ReadHostFile(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    pw::unique_file file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file) return text;
    char chunk[4096];
    DWORD got = 0;
    while (text.size() < (1u << 16) && ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    return text;
}

std::vector<std::string> NumericEntries(const std::string& unixDir) {
    std::string pattern = "Z:" + unixDir + "/*";
    std::replace(pattern.begin(), pattern.end(), '/', '\\');
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// The host pid of the process of this prefix whose image matches; "" if none.
template <typename Match> std::string FindHostProcess(Match match) {
    char buffer[1024] = {};
    GetEnvironmentVariableA("WINEPREFIX", buffer, sizeof buffer - 1);
    const std::string prefix = buffer;
    for (const std::string& pid : NumericEntries("/proc")) {
        if (!match(ReadHostFile("/proc/" + pid + "/cmdline"))) continue;
        // Only this prefix: other runs may be on the machine.
        if (!prefix.empty() && !hostcpu::HasVariable(ReadHostFile("/proc/" + pid + "/environ"), "WINEPREFIX", prefix))
            continue;
        return pid;
    }
    return "";
}

// Nanoseconds on a CPU of every thread of a host process: the sum of its
// tasks' schedstat run times, or utime + stime at 100 ticks a second where
// the kernel keeps no schedstat.
struct CpuReading {
    std::uint64_t ns = 0;
    bool fromSchedstat = false;
    bool ok = false;
};

CpuReading ReadCpu(const std::string& pid) {
    CpuReading r;
    std::uint64_t sum = 0;
    bool all = true;
    std::vector<std::string> tasks = NumericEntries("/proc/" + pid + "/task");
    for (const std::string& tid : tasks) {
        std::optional<std::uint64_t> ns =
            hostcpu::SchedstatRunNs(ReadHostFile("/proc/" + pid + "/task/" + tid + "/schedstat"));
        if (!ns) {
            all = false;
            break;
        }
        sum += *ns;
    }
    if (!tasks.empty() && all) {
        r.ns = sum;
        r.fromSchedstat = r.ok = true;
        return r;
    }
    if (std::optional<std::uint64_t> ticks = hostcpu::StatTicks(ReadHostFile("/proc/" + pid + "/stat"))) {
        r.ns = *ticks * 10000000ull;
        r.ok = true;
    }
    return r;
}

// Microseconds of CPU per poll in each block, of the process and of the wineserver.
struct Target {
    const char* name = "";
    HWND window = nullptr;
    std::string hostPid;
    std::vector<double> processUs, serverUs, totalUs;
    std::uint64_t processNs = 0, serverNs = 0;
    long polls = 0;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool DeliverPolls(HWND window, long count) {
    for (long i = 0; i < count; ++i) {
        bool ok = false;
        bench::Send(window, kStatusPoll, 0, 0, 5000, &ok);
        if (!ok) return false;
    }
    return true;
}

bool MeasureBlock(Target& target, const std::string& serverPid, long count, bool& schedstat) {
    CpuReading p0 = ReadCpu(target.hostPid), s0 = ReadCpu(serverPid);
    if (!DeliverPolls(target.window, count)) {
        std::printf("%s: a poll was not answered\n", target.name);
        return false;
    }
    CpuReading p1 = ReadCpu(target.hostPid), s1 = ReadCpu(serverPid);
    if (!p0.ok || !p1.ok || !s0.ok || !s1.ok) {
        std::printf("%s: no CPU reading from /proc\n", target.name);
        return false;
    }
    schedstat = schedstat && p0.fromSchedstat && s0.fromSchedstat && p1.fromSchedstat && s1.fromSchedstat;
    // A thread that ended in the block takes its run time with it; never count less than nothing.
    const std::uint64_t process = p1.ns > p0.ns ? p1.ns - p0.ns : 0;
    const std::uint64_t server = s1.ns > s0.ns ? s1.ns - s0.ns : 0;
    target.processNs += process;
    target.serverNs += server;
    target.polls += count;
    target.processUs.push_back(static_cast<double>(process) / 1000.0 / count);
    target.serverUs.push_back(static_cast<double>(server) / 1000.0 / count);
    target.totalUs.push_back(static_cast<double>(process + server) / 1000.0 / count);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const long polls = std::max(1L, argc > 1 ? std::atol(argv[1]) : 10000);
    const long block = std::min(polls, std::max(1L, argc > 2 ? std::atol(argv[2]) : 100));

    if (!fixture::AddUsbPort() || !fixture::CreateQueue(catalogue::ModelName, "USB001")) {
        std::puts("fixture failed");
        return 1;
    }
    bench::StartOptions quiet;
    quiet.discardOutput = true;  // the monitor's console lines would mix with the figures
    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE), "", "", quiet);
    HWND dialog = bench::WaitWindow({"#32770", kMonitorCaption, monitor.Id()}, 20000);
    bench::Process floor = bench::Process::Start(bench::UnixToWindows(BASELINE_EXE));
    HWND bare = bench::WaitWindow({"PwPollFloor", "Poll floor", floor.Id()}, 20000);
    if (!dialog || !bare) {
        std::printf("%s did not start\n", dialog ? "the baseline" : "the monitor");
        return 1;
    }
    // Past start-up: the first polls write the window, later ones find nothing changed.
    if (!DeliverPolls(dialog, 200) || !DeliverPolls(bare, 200)) {
        std::puts("warm-up polls not answered");
        return 1;
    }

    Target targets[2];
    targets[0].name = "monitor";
    targets[0].window = dialog;
    targets[0].hostPid = FindHostProcess([](const std::string& c) { return hostcpu::RunsImage(c, "Pagewarden.exe"); });
    targets[1].name = "baseline";
    targets[1].window = bare;
    targets[1].hostPid =
        FindHostProcess([](const std::string& c) { return hostcpu::RunsImage(c, "poll_window_baseline.exe"); });
    const std::string server =
        FindHostProcess([](const std::string& c) { return hostcpu::ImageStartsWith(c, "wineserver"); });
    if (targets[0].hostPid.empty() || targets[1].hostPid.empty() || server.empty()) {
        std::printf("host processes not found in /proc (monitor '%s', baseline '%s', wineserver '%s')\n",
                    targets[0].hostPid.c_str(), targets[1].hostPid.c_str(), server.c_str());
        return 1;
    }

    const std::string loadBefore = ReadHostFile("/proc/loadavg");
    bool schedstat = true;
    std::vector<double> ratios;
    DWORD t0 = GetTickCount();
    for (long done = 0, round = 0; done < polls; done += block, ++round) {
        const long count = std::min(block, polls - done);
        // ABBA: neither program always runs first after the other.
        const int first = static_cast<int>(round % 2);
        if (!MeasureBlock(targets[first], server, count, schedstat) ||
            !MeasureBlock(targets[1 - first], server, count, schedstat))
            return 1;
        if (targets[1].totalUs.back() > 0) ratios.push_back(targets[0].totalUs.back() / targets[1].totalUs.back());
    }
    const DWORD wallMs = GetTickCount() - t0;
    const std::string loadAfter = ReadHostFile("/proc/loadavg");

    std::printf(
        "poll cost: %ld polls to each program in blocks of %ld, sent with SendMessageTimeout, "
        "alternating, %lu ms in all\n",
        polls, block, static_cast<unsigned long>(wallMs));
    std::printf(
        "poll cost: CPU of host pids %s (Pagewarden.exe), %s (poll_window_baseline.exe) and %s "
        "(the prefix's wineserver) from %s\n",
        targets[0].hostPid.c_str(), targets[1].hostPid.c_str(), server.c_str(),
        schedstat ? "/proc/<pid>/task/<tid>/schedstat (run time in ns, summed over threads)"
                  : "/proc/<pid>/stat (utime + stime, 10 ms ticks)");
    auto mean = [](std::uint64_t ns, long n) { return n > 0 ? static_cast<double>(ns) / 1000.0 / n : 0.0; };
    const Target& m = targets[0];
    const Target& b = targets[1];
    const double ratio = Median(ratios);
    std::printf("poll cost: host load average before %.14s, after %.14s\n", loadBefore.c_str(), loadAfter.c_str());
    std::printf(
        "poll cost: medians over %zu blocks: monitor %.1f us per poll (process %.1f, wineserver %.1f); "
        "baseline %.1f us (process %.1f, wineserver %.1f); ratio %.2f (median of the rounds' ratios)\n",
        m.totalUs.size(), Median(m.totalUs), Median(m.processUs), Median(m.serverUs), Median(b.totalUs),
        Median(b.processUs), Median(b.serverUs), ratio);
    std::printf("poll cost: means: monitor %.1f us per poll, baseline %.1f us\n",
                mean(m.processNs + m.serverNs, m.polls), mean(b.processNs + b.serverNs, b.polls));
    Figure("polls", static_cast<double>(polls));
    Figure("monitor_us_per_poll", Median(m.totalUs));
    Figure("monitor_process_us_per_poll", Median(m.processUs));
    Figure("monitor_server_us_per_poll", Median(m.serverUs));
    Figure("baseline_us_per_poll", Median(b.totalUs));
    Figure("baseline_process_us_per_poll", Median(b.processUs));
    Figure("baseline_server_us_per_poll", Median(b.serverUs));
    Figure("ratio", ratio);
    Figure("schedstat", schedstat ? 1 : 0);

    bench::Post(dialog, WM_COMMAND, 104, 0);
    bench::Post(bare, WM_CLOSE);
    const bool ended = monitor.WaitExit(15000) && floor.WaitExit(15000);
    if (!ended) std::puts("a program did not end");
    return ended && ratio > 0 ? 0 : 1;
}
