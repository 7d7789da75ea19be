// Endurance of the running monitor: status polls sent to it while the USB
// printer comes and goes and the user opens and hides the window must leave
// its handle count, GDI and USER objects and private bytes where they were
// after the first polls. Prints the figures. The test command sends 5,000
// polls, enough for a handle lost per change or per opening, or a few hundred
// bytes per poll, to show; tools/figures sends 100,000 (PW_SOAK_POLLS).
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <dbt.h>
#include <psapi.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kStatusPoll = WM_USER + 258;
const std::string kCaption = std::string(catalogue::ModelName) + " - Status Monitor";

struct Footprint {
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;
    SIZE_T privateBytes = 0;
};

// Handles of one process from the system's handle table (Wine's
// GetProcessHandleCount answers 0 for every process).
DWORD CountHandles(DWORD pid) {
    struct Entry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query) return 0;
    std::vector<unsigned char> buffer(1 << 16);
    for (int attempt = 0; attempt < 12; ++attempt) {
        ULONG needed = 0;
        LONG status =
            query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {  // length mismatch: grow and ask again
            buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
            continue;
        }
        if (status != 0) return 0;
        ULONG count;
        std::memcpy(&count, buffer.data(), sizeof count);
        std::size_t fit = (buffer.size() - sizeof(ULONG_PTR)) / sizeof(Entry);
        if (count > fit) count = static_cast<ULONG>(fit);
        DWORD mine = 0;
        const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
        for (ULONG i = 0; i < count; ++i)
            if (entries[i].ownerPid == pid) ++mine;
        return mine;
    }
    return 0;
}

Footprint Measure(HANDLE process, DWORD pid) {
    Footprint f;
    if (!GetProcessHandleCount(process, &f.handles) || f.handles == 0) f.handles = CountHandles(pid);
    f.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    f.user = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    // Committed private memory; Wine fills PagefileUsage but not PrivateUsage.
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        f.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
    return f;
}

void SendUsbBroadcast(HWND window, WPARAM event) {
    bench::SendDeviceInterfaceChange(window, event, fixture::UsbNotificationName(catalogue::ModelUsbSerial));
}

long EnvCount(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atol(v) : fallback;
}

TEST(MonitorSoak, FootprintStaysFlatThroughSentPollsUsbChangesAndOpenings) {
    ASSERT_TRUE(fixture::AddUsbPort());
    ASSERT_TRUE(fixture::CreateQueue(catalogue::ModelName, "USB001"));
    bench::Process monitor = bench::Process::Start(bench::UnixToWindows(PAGEWARDEN_EXE));
    ASSERT_TRUE(monitor);
    HWND dialog = bench::WaitWindow({"#32770", kCaption, monitor.Id()});
    ASSERT_TRUE(dialog);

    const long total = EnvCount("PW_SOAK_POLLS", 5000);
    const long toggleEvery = EnvCount("PW_SOAK_TOGGLE", 50);
    const long openEvery = EnvCount("PW_SOAK_OPEN", 500);
    bool present = false;
    Footprint first, last;
    DWORD t0 = GetTickCount();
    for (long i = 1; i <= total; ++i) {
        // The printer comes and goes every 50 polls: each change writes a new
        // status and a new animated cursor. Every 500 polls the user opens the
        // window (which resolves the printer afresh and restarts the poller)
        // and hides it again 40 polls later.
        if (toggleEvery > 0 && i % toggleEvery == 0) {
            present = !present;
            SendUsbBroadcast(dialog, present ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE);
        }
        // The first opening also falls within the first 100 polls: showing the
        // window for the first time costs the platform about a megabyte once.
        const bool open = i == 20 || (openEvery > 0 && i % openEvery == openEvery / 2);
        const bool hide = i == 60 || (openEvery > 0 && i % openEvery == openEvery / 2 + 40);
        if (open) bench::Send(dialog, WM_COMMAND, 101, 0);
        if (hide) bench::Send(dialog, WM_COMMAND, 1007, 0);
        bool ok = false;
        bench::Send(dialog, kStatusPoll, 0, 0, 5000, &ok);
        ASSERT_TRUE(ok) << "poll " << i << " not handled";
        if (i == 100) first = Measure(monitor.Handle(), monitor.Id());
        if (i % 1000 == 0) {
            Footprint now = Measure(monitor.Handle(), monitor.Id());
            std::printf("soak: at %ld polls: handles %lu, private bytes %lu\n", i,
                        static_cast<unsigned long>(now.handles), static_cast<unsigned long>(now.privateBytes));
        }
    }
    last = Measure(monitor.Handle(), monitor.Id());
    DWORD ms = GetTickCount() - t0;

    std::printf("soak: %ld polls in %lu ms\n", total, static_cast<unsigned long>(ms));
    std::printf("soak: after 100 polls: handles %lu, GDI %lu, USER %lu, private bytes %lu\n",
                static_cast<unsigned long>(first.handles), static_cast<unsigned long>(first.gdi),
                static_cast<unsigned long>(first.user), static_cast<unsigned long>(first.privateBytes));
    std::printf("soak: after %ld polls: handles %lu, GDI %lu, USER %lu, private bytes %lu\n", total,
                static_cast<unsigned long>(last.handles), static_cast<unsigned long>(last.gdi),
                static_cast<unsigned long>(last.user), static_cast<unsigned long>(last.privateBytes));
    EXPECT_GT(last.handles, 0u) << "no handle figure on this platform";
    EXPECT_GT(last.privateBytes, 0u) << "no memory figure on this platform";
    EXPECT_LE(last.handles, first.handles + 8);
    EXPECT_LE(last.gdi, first.gdi + 4);
    EXPECT_LE(last.user, first.user + 4);
    EXPECT_LE(last.privateBytes, first.privateBytes + 1024 * 1024);

    bench::Post(dialog, WM_COMMAND, 104, 0);
    EXPECT_TRUE(monitor.WaitExit(15000));
}

}  // namespace
