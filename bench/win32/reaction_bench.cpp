// The monitor's reaction time under Wine: from a change of the simulated
// status register (the driver's test build plays it) to the window's new
// title, over many changes between ready and paper out, against the poll
// period it is bound to.
//   reaction_bench.exe [changes]     (default 40)
// Prints "FIGURE name value" lines.
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

const char* const kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\hwinterface";
constexpr DWORD kReady = 0x98, kPaperOut = 0x20;

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
    const int changes = std::max(2, argc > 1 ? std::atoi(argv[1]) : 40);
    if (!Fixture()) { std::puts("fixture failed"); return 1; }
    bench::StartOptions quiet;
    quiet.discardOutput = true;   // the monitor's console lines would mix with the figures
    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE), "", "", quiet);
    HWND dialog = bench::WaitWindow({"#32770", std::string(catalogue::ModelName) + " - Status Monitor", monitor.Id()},
                                    20000);
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
        SetRegister(toPaperOut ? kPaperOut : kReady);
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
