// Measured figures of the monitor under Wine, each against a baseline taken in
// the same run:
//   - CPU of an idle monitor per poll, against pollbase.exe making the same
//     platform calls once a second;
//   - the time from a change of the simulated status register to the
//     window's new title (median and worst over many changes);
//   - private memory and open descriptors after N polls against after 100
//     (the polls are delivered synchronously, through changing states).
//   figures.exe [polls]        (default 100000)
// Prints one "FIGURE name value" line per figure, then a readable summary.
#include "QueueFixture.h"
#include "tests/win32/bench/Bench.h"

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_STATUS_POLL = 0x502;
const char* const kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\hwinterface";
constexpr DWORD kReady = 0x98, kPaperOut = 0x20, kOffline = 0x08, kNoLink = 0x78;

// Wine answers GetProcessTimes, GetProcessHandleCount, GetGuiResources and the
// private bytes of GetProcessMemoryInfo with zeros for another process, so the
// figures come from the host's view of the Wine process (/proc through Z:):
// its CPU time, its anonymous (private) memory and its open descriptors.
std::string ReadSmall(const std::string& path) {
    pw::unique_file f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!f) return {};
    std::string out;
    char buf[4096];
    DWORD got = 0;
    // Bounded: /proc files of interest are small; an environment is at most a few pages.
    while (out.size() < (256u << 10) && ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0)
        out.append(buf, got);
    return out;
}

// The host process id of the Wine process running `image`, 0 when none.
unsigned long HostPid(const std::string& image) {
    char prefixBuf[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefixBuf, sizeof(prefixBuf));
    const std::string prefix = prefixBuf;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    unsigned long found = 0;
    do {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(fd.cFileName, &end, 10);
        if (!pid || *end) continue;
        std::string cmd = ReadSmall("Z:\\proc\\" + std::to_string(pid) + "\\cmdline");
        for (char& c : cmd)
            if (c == 0) c = ' ';
        if (cmd.find(image) == std::string::npos || cmd.find("figures.exe") != std::string::npos) continue;
        // Only a process of this run's own prefix: other runs may be on the machine.
        std::string env = ReadSmall("Z:\\proc\\" + std::to_string(pid) + "\\environ");
        for (char& c : env)
            if (c == 0) c = '\n';
        if (env.find("\nWINEPREFIX=" + prefix + "\n") != std::string::npos) found = pid;
    } while (!found && FindNextFileA(find, &fd));
    FindClose(find);
    return found;
}

// utime + stime in milliseconds.
double HostCpuMs(unsigned long pid) {
    const std::string stat = ReadSmall("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < stat.size()) {
        std::size_t next = stat.find(' ', at);
        if (next == std::string::npos) next = stat.size();
        fields.push_back(stat.substr(at, next - at));
        at = next + 1;
    }
    if (fields.size() < 13) return 0;
    const long ticks = 100;   // USER_HZ of Linux
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * 1000.0 / ticks;
}

struct Footprint {
    double privateKb = 0, rssKb = 0;
    long descriptors = 0;
};

double StatusKb(const std::string& status, const char* field) {
    const std::size_t at = status.find(field);
    return at == std::string::npos ? 0 : std::atof(status.c_str() + at + std::strlen(field));
}

Footprint Measure(unsigned long pid) {
    Footprint f;
    const std::string base = "Z:\\proc\\" + std::to_string(pid);
    const std::string status = ReadSmall(base + "\\status");
    f.privateKb = StatusKb(status, "RssAnon:");
    f.rssKb = StatusKb(status, "VmRSS:");
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((base + "\\fd\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (fd.cFileName[0] != '.') ++f.descriptors;
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    return f;
}

void Figure(const char* name, double value) { std::printf("FIGURE %s %.3f\n", name, value); std::fflush(stdout); }

bool SetRegister(DWORD value) { return bench::reg::SetDword(HKEY_LOCAL_MACHINE, kServiceKey, "Port379", value); }

std::vector<std::uint8_t> ParallelResources() {
    std::vector<std::uint8_t> b(36, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    put32(0, 1);
    put32(4, 1);
    b[12] = 1;
    b[14] = 1;
    put32(16, 1);
    b[20] = 1;
    b[21] = 1;
    b[22] = 1;
    put32(24, 0x378);
    put32(32, 8);
    return b;
}

bool Fixture() {
    const std::string image = bench::JoinPath(bench::SystemDir(), "drivers\\hwinterface_test.sys");
    if (!bench::CopyFileTo(bench::UnixToWindows(HWINTERFACE_TEST_SYS), image)) return false;
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    pw::unique_service service(CreateServiceA(manager.get(), "hwinterface", "hwinterface", SERVICE_ALL_ACCESS,
                                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) return false;
    if (!SetRegister(kReady)) return false;
    StartServiceA(service.get(), 0, nullptr);
    return bench::reg::SetBinary(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\(LPT1)\\Control",
                                 "AllocConfig", ParallelResources(), REG_RESOURCE_LIST) &&
           fixture::CreateQueue(catalogue::ModelName, "LPT1:");
}

std::string Title(HWND dialog) { return bench::ControlText(dialog, 1004); }

}  // namespace

int main(int argc, char** argv) {
    const long polls = argc > 1 ? std::atol(argv[1]) : 100000;
    const DWORD idleSeconds = 60;
    if (!Fixture()) { std::puts("fixture failed"); return 1; }

    // Baseline CPU: the same platform calls, once a second, for the same time.
    std::string base = bench::JoinPath(bench::BuildDir(), "pollbase.exe");
    bench::Process baseline = bench::Process::Start(base, "\"" + std::string(catalogue::ModelName) + "\" " +
                                                              std::to_string(idleSeconds + 6));
    Sleep(3000);
    const unsigned long basePid = HostPid("pollbase.exe");
    const double base0 = HostCpuMs(basePid);
    Sleep(idleSeconds * 1000);
    const double baseCpu = (HostCpuMs(basePid) - base0) / idleSeconds;   // ms per poll
    if (!basePid || !baseline.WaitExit(30000)) { std::puts("baseline failed"); return 1; }

    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE));
    HWND dialog = bench::WaitWindow({"#32770", std::string(catalogue::ModelName) + " - Status Monitor", monitor.Id()},
                                    20000);
    if (!dialog || !bench::WaitUntil([&] { return Title(dialog) == "Ready"; }, 20000)) {
        std::puts("monitor did not reach Ready");
        return 1;
    }
    const unsigned long monitorPid = HostPid("Pagewarden.exe");
    if (!monitorPid) { std::puts("monitor process not found"); return 1; }
    // Idle CPU per poll.
    Sleep(3000);
    const double cpu0 = HostCpuMs(monitorPid);
    Sleep(idleSeconds * 1000);
    const double monitorCpu = (HostCpuMs(monitorPid) - cpu0) / idleSeconds;
    Figure("idle_cpu_ms_per_poll", monitorCpu);
    Figure("idle_cpu_baseline_ms_per_poll", baseCpu);
    Figure("idle_cpu_ratio", baseCpu > 0 ? monitorCpu / baseCpu : 0);

    // Latency of a status change: ready <-> paper out.
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const bool toPaperOut = (i % 2) == 0;
        const DWORD start = GetTickCount();
        SetRegister(toPaperOut ? kPaperOut : kReady);
        const std::string want = toPaperOut ? "Paper-Out Error" : "Ready";
        if (!bench::WaitUntil([&] { return Title(dialog) == want; }, 10000, 5)) {
            std::printf("no change to %s\n", want.c_str());
            return 1;
        }
        latencies.push_back(GetTickCount() - start);
    }
    std::sort(latencies.begin(), latencies.end());
    Figure("change_latency_median_ms", (latencies[9] + latencies[10]) / 2);
    Figure("change_latency_worst_ms", latencies.back());

    // Endurance: polls delivered synchronously, each after a fresh sample,
    // through ready, paper out, offline and no-link states.
    const DWORD pattern[] = {kReady, kReady, kPaperOut, kPaperOut, kOffline, kOffline, kNoLink, kReady};
    Footprint at100;
    const DWORD soakStart = GetTickCount();
    for (long i = 1; i <= polls; ++i) {
        SetRegister(pattern[i % 8]);
        bool ok = false;
        bench::Send(dialog, WM_TIMER, 1, 0, 5000, &ok);
        bench::Send(dialog, WM_STATUS_POLL, 0, 0, 5000, &ok);
        if (!ok) { std::printf("poll %ld not delivered\n", i); return 1; }
        if (i == 100) at100 = Measure(monitorPid);
    }
    const double soakSeconds = (GetTickCount() - soakStart) / 1000.0;
    const Footprint end = Measure(monitorPid);
    Figure("soak_polls", polls);
    Figure("soak_seconds", soakSeconds);
    Figure("descriptors_after_100", at100.descriptors);
    Figure("descriptors_after_all", end.descriptors);
    Figure("private_kb_after_100", at100.privateKb);
    Figure("private_kb_after_all", end.privateKb);
    Figure("rss_kb_after_100", at100.rssKb);
    Figure("rss_kb_after_all", end.rssKb);

    bench::Post(dialog, WM_COMMAND, 104, 0);
    monitor.WaitExit(15000);
    return 0;
}
