// Start-up under Wine: from CreateProcess of the monitor to its tray icon and
// its hidden status window (caption set, the last step of its
// initialisation), against the trivial GUI program's CreateProcess to its
// visible window, in alternating rounds of the same run. A first round of
// each warms the prefix's caches and is not counted.
//   startup_bench.exe [rounds]      (default 10)
// Prints "FIGURE name value" lines (medians and worst, in ms).
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::string kMonitorCaption = std::string(catalogue::ModelName) + " - Status Monitor";
constexpr DWORD kTimeoutMs = 30000;

void Figure(const char* name, double value) {
    std::printf("FIGURE %s %.3f\n", name, value);
    std::fflush(stdout);
}

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from the start of the process until `ready` holds, checked
// every millisecond or so; negative when it never does.
double TimeToReady(bench::Process& process, const std::string& exe, const std::function<bool(DWORD)>& ready) {
    const double start = NowMs();
    bench::StartOptions quiet;
    quiet.discardOutput = true;  // the monitor's console lines would mix with the figures
    process = bench::Process::Start(exe, "", "", quiet);
    if (!process) return -1;
    while (NowMs() - start < kTimeoutMs) {
        if (ready(process.Id())) return NowMs() - start;
        Sleep(1);
    }
    return -1;
}

double MonitorStart() {
    const int icons = bench::TrayIconCount();
    bench::Process monitor;
    double ms = TimeToReady(monitor, bench::UnixToWindows(PAGEWARDEN_EXE), [&](DWORD pid) {
        return bench::TrayIconCount() > icons && bench::FindTopWindow({"#32770", kMonitorCaption, pid});
    });
    if (ms < 0) return ms;
    HWND dialog = bench::FindTopWindow({"#32770", kMonitorCaption, monitor.Id()});
    if (bench::IsVisible(dialog)) return -1;  // it must start hidden
    bench::Post(dialog, WM_COMMAND, 104, 0);
    // The next start needs the instance mutex and the tray free again.
    if (!monitor.WaitExit(15000) || !bench::WaitTrayIconCount(icons, 15000)) return -1;
    return ms;
}

double TrivialStart() {
    bench::Process trivial;
    double ms = TimeToReady(trivial, bench::UnixToWindows(TRIVIAL_GUI_EXE), [](DWORD pid) {
        return bench::FindTopWindow({"#32770", "Baseline", pid, true}) != nullptr;
    });
    if (ms < 0) return ms;
    HWND box = bench::FindTopWindow({"#32770", "Baseline", trivial.Id(), true});
    if (!bench::AnswerMessageBox(box, IDOK, 15000) || !trivial.WaitExit(15000)) return -1;
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 10);
    if (!fixture::AddUsbPort() || !fixture::CreateQueue(catalogue::ModelName, "USB001")) {
        std::puts("fixture failed");
        return 1;
    }
    if (MonitorStart() < 0 || TrivialStart() < 0) {  // warm-up, not counted
        std::puts("a program did not start as expected");
        return 1;
    }
    std::vector<double> monitor, trivial;
    for (int i = 0; i < rounds; ++i) {
        // Alternate which program goes first, so neither always follows the other's exit.
        double a = i % 2 ? TrivialStart() : MonitorStart();
        double b = i % 2 ? MonitorStart() : TrivialStart();
        double m = i % 2 ? b : a, t = i % 2 ? a : b;
        if (m < 0 || t < 0) {
            std::printf("round %d: %s did not start as expected\n", i, m < 0 ? "the monitor" : "the trivial program");
            return 1;
        }
        monitor.push_back(m);
        trivial.push_back(t);
        std::printf("round %d: monitor %.1f ms, trivial %.1f ms\n", i, m, t);
    }
    Figure("rounds", rounds);
    Figure("monitor_start_median_ms", Median(monitor));
    Figure("monitor_start_worst_ms", *std::max_element(monitor.begin(), monitor.end()));
    Figure("trivial_start_median_ms", Median(trivial));
    Figure("trivial_start_worst_ms", *std::max_element(trivial.begin(), trivial.end()));
    return 0;
}
