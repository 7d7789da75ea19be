// Cost of one poll's decision step, reported as a ratio to a trivial step
// (reading the same inputs and folding them into a value) measured in the same
// run, so the figure does not depend on the machine.
#include "monitor/core/QueueScan.h"
#include "monitor/core/StatusPoll.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

volatile std::int64_t g_sink;

std::vector<monitor::PollInputs> Inputs() {
    // A day's mix: mostly ready, some printing, occasional faults.
    std::vector<monitor::PollInputs> v;
    const monitor::PortKind ports[] = {monitor::PortKind::Lpt, monitor::PortKind::Usb, monitor::PortKind::Com};
    const std::int32_t jobs[] = {-1, -1, -1, 0x2010, 0x10, 0x12};
    const std::int32_t parallels[] = {2, 2, 2, 3, 1, -1, 4};
    for (monitor::PortKind port : ports)
        for (std::int32_t job : jobs)
            for (std::int32_t p : parallels) v.push_back({job, 0, p, port, (p & 1) != 0});
    return v;
}

template <typename Step> double NsPerPoll(const std::vector<monitor::PollInputs>& in, long polls, Step step) {
    auto t0 = std::chrono::steady_clock::now();
    std::int64_t acc = 0;
    for (long i = 0; i < polls; ++i) acc += step(in[(i / 16) % in.size()]);  // 16 polls per state
    auto t1 = std::chrono::steady_clock::now();
    g_sink = acc;
    return std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(polls);
}

}  // namespace

int main(int argc, char** argv) {
    long polls = argc > 1 ? std::atol(argv[1]) : 2000000;
    auto in = Inputs();
    monitor::PollState state;
    monitor::QueueSnapshot snap;
    snap.jobStatuses = {0x8, 0x2010};

    auto baseline = [](const monitor::PollInputs& p) -> std::int64_t {
        return p.jobStatus + p.parallelStatus + static_cast<std::int64_t>(p.portKind) + p.printerPresent;
    };
    auto decide = [&](const monitor::PollInputs& p) -> std::int64_t {
        std::int32_t printer = 0, job = -1;
        monitor::ScanQueue(&snap, printer, job);
        monitor::PollActions a = monitor::DecidePoll(state, p);
        return a.row + a.set + job;
    };
    NsPerPoll(in, polls / 10, baseline);  // warm up
    double base = NsPerPoll(in, polls, baseline);
    double step = NsPerPoll(in, polls, decide);
    std::printf("poll decision step: %.1f ns, trivial step: %.1f ns, ratio %.1f\n", step, base,
                base > 0 ? step / base : 0.0);
    return 0;
}
