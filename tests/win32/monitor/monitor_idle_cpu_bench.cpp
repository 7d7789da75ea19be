// CPU of an idle monitor over a minute, as a ratio to the baseline program
// that makes the same spooler and registry calls once a second. Both run side
// by side in the same prefix; the figures are printed, not judged.
#include "QueueFixture.h"
#include "tests/win32/bench/Bench.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Handles.h"

namespace {

// Whole file of the host's /proc (seen through Z:), whose size reads as 0.
std::string ReadProcFile(const std::string& path) {
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

// CPU time of the host process running the image, from /proc/<pid>/stat:
// Wine's GetProcessTimes gives 0 for other processes. -1 when not found.
double CpuMs(const std::string& imageName) {
    char prefixBuffer[1024] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefixBuffer, sizeof prefixBuffer - 1);
    const std::string prefix = prefixBuffer;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return -1;
    double result = -1;
    do {
        const std::string pid = found.cFileName;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmdline = ReadProcFile("Z:\\proc\\" + pid + "\\cmdline");
        if (cmdline.find(imageName) == std::string::npos || cmdline.find("wine-run") != std::string::npos) continue;
        // Only this scenario's prefix: other runs may be on the machine.
        std::string envText = ReadProcFile("Z:\\proc\\" + pid + "\\environ");
        if (!prefix.empty() && envText.find("WINEPREFIX=" + prefix + std::string(1, '\0')) == std::string::npos)
            continue;
        std::string stat = ReadProcFile("Z:\\proc\\" + pid + "\\stat");
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        // Fields after the name: state is field 3, utime 14, stime 15.
        unsigned long long utime = 0, stime = 0;
        char state;
        if (std::sscanf(stat.c_str() + close + 1, " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu %llu", &state,
                        &utime, &stime) == 3) {
            result = (utime + stime) * 10.0;   // clock ticks of 10 ms
            break;
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return result;
}

TEST(MonitorIdleCpu, RatioToTheBarePollingCalls) {
    const char* v = std::getenv("PW_IDLE_SECONDS");
    int seconds = v && std::atoi(v) > 0 ? std::atoi(v) : 60;
    ASSERT_TRUE(fixture::CreateQueue(catalogue::ModelName, "COM1:"));

    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE));
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(bench::WaitWindow({"#32770", std::string(catalogue::ModelName) + " - Status Monitor", monitor.Id()}));
    Sleep(3000);   // past start-up
    double monitorStart = CpuMs("Pagewarden.exe");

    bench::Process baseline =
        bench::Process::Start(bench::UnixToWindows(BASELINE_EXE), std::to_string(seconds + 5));
    ASSERT_TRUE(baseline);
    Sleep(3000);
    double baselineStart = CpuMs("poll_calls_baseline.exe");

    Sleep(static_cast<DWORD>(seconds) * 1000);
    ASSERT_GE(monitorStart, 0.0) << "monitor not found in /proc";
    ASSERT_GE(baselineStart, 0.0) << "baseline not found in /proc";
    double monitorMs = CpuMs("Pagewarden.exe") - monitorStart;
    double baselineMs = CpuMs("poll_calls_baseline.exe") - baselineStart;
    ASSERT_TRUE(monitor.Running());
    ASSERT_TRUE(baseline.Running());
    ASSERT_GE(monitorMs, 0.0);
    ASSERT_GE(baselineMs, 0.0);

    std::printf("idle cpu over %d s: monitor %.1f ms, baseline %.1f ms", seconds, monitorMs, baselineMs);
    if (baselineMs > 0)
        std::printf(", ratio %.2f\n", monitorMs / baselineMs);
    else
        std::printf(", baseline below the clock's resolution\n");

    bench::Post(bench::FindTopWindow({"#32770", std::string(catalogue::ModelName) + " - Status Monitor",
                                      monitor.Id()}),
                WM_COMMAND, 104, 0);
    EXPECT_TRUE(monitor.WaitExit(15000));
}

}  // namespace
