// The monitor's reaction time under Wine: from a change of the simulated
// status register (the driver's test build plays it) to the window's new
// title, over many changes between ready and paper out, against the poll
// period it is bound to.
//   reaction_bench.exe [changes]     (default 40)
// Prints "FIGURE name value" lines.
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kReady = 0x98, kPaperOut = 0x20;

void Figure(const char* name, double value) {
    std::printf("FIGURE %s %.3f\n", name, value);
    std::fflush(stdout);
}

// The driver's test build on LPT1 (found under "(LPT1)": no WMI provider),
// loaded before the monitor starts, and the model's queue on LPT1:.
bool Fixture() {
    std::string error;
    if (!fixture::InstallStandIns(bench::UnixToWindows(HWINTERFACE_TEST_SYS), "", catalogue::ModelName, error)) {
        std::printf("%s\n", error.c_str());
        return false;
    }
    if (!fixture::SetStatusRegister(kReady)) return false;
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_START));
    if (!service) return false;
    StartServiceA(service.get(), 0, nullptr);
    return fixture::CreateQueue(catalogue::ModelName, "LPT1:");
}

std::string Title(HWND dialog) { return bench::ControlText(dialog, 1004); }

}  // namespace

int main(int argc, char** argv) {
    const int changes = std::max(2, argc > 1 ? std::atoi(argv[1]) : 40);
    if (!Fixture()) {
        std::puts("fixture failed");
        return 1;
    }
    bench::StartOptions quiet;
    quiet.discardOutput = true;  // the monitor's console lines would mix with the figures
    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE), "", "", quiet);
    HWND dialog =
        bench::WaitWindow({"#32770", std::string(catalogue::ModelName) + " - Status Monitor", monitor.Id()}, 20000);
    if (!dialog || !bench::WaitUntil([&] { return Title(dialog) == "Ready"; }, 20000)) {
        std::puts("monitor did not reach Ready");
        return 1;
    }
    std::vector<double> latencies;
    for (int i = 0; i < changes; ++i) {
        const bool toPaperOut = (i % 2) == 0;
        // Changes fall at every phase of the sampling timer and the poller.
        Sleep(200 + (i * 137) % 900);
        const DWORD start = GetTickCount();
        fixture::SetStatusRegister(toPaperOut ? kPaperOut : kReady);
        const std::string want = toPaperOut ? "Paper-Out Error" : "Ready";
        if (!bench::WaitUntil([&] { return Title(dialog) == want; }, 10000, 5)) {
            std::printf("no change to %s\n", want.c_str());
            return 1;
        }
        latencies.push_back(GetTickCount() - start);
    }
    std::sort(latencies.begin(), latencies.end());
    const std::size_t n = latencies.size();
    Figure("changes", static_cast<double>(n));
    Figure("change_latency_median_ms", n % 2 ? latencies[n / 2] : (latencies[n / 2 - 1] + latencies[n / 2]) / 2);
    Figure("change_latency_worst_ms", latencies.back());
    bench::Post(dialog, WM_COMMAND, 104, 0);
    monitor.WaitExit(15000);
    return 0;
}
