// The simulated printer in a fresh prefix, checked with the readers the
// programs themselves use: each state's status register byte read through
// the port driver's test build, and the USB broadcasts reaching the programs'
// windows only.
#include "tools/sim/Sim.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/UsbPrinter.h"
#include "monitor/portaccess/core/ParallelStatus.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

const std::string kMonitorCaption = std::string(catalogue::ModelName) + " - Status Monitor";

TEST(PrinterStates, EachByteMeansItsStateToTheMonitor) {
    for (const sim::StateInfo& s : sim::kStates) {
        EXPECT_EQ(portaccess::ClassifyParallelStatus(s.status), s.code) << s.name;
        EXPECT_EQ(sim::StateOfRegister(s.status), &s) << s.name;
        EXPECT_EQ(sim::FindState(s.name), &s);
    }
    EXPECT_EQ(sim::FindState("Paper-Out")->state, sim::PrinterState::PaperOut);
    EXPECT_EQ(sim::FindState("paper_out")->state, sim::PrinterState::PaperOut);
    EXPECT_EQ(sim::FindState("OFF")->state, sim::PrinterState::Off);
    EXPECT_EQ(sim::FindState("on"), nullptr);
    EXPECT_EQ(sim::FindState(""), nullptr);
    EXPECT_EQ(sim::FindState("readyreadyreadyready"), nullptr);
    EXPECT_EQ(sim::StateOfRegister(0x00), nullptr);
    EXPECT_EQ(sim::StateOfRegister(0x198), nullptr);
}

std::string WindowsPath(const char* unixPath) { return std::string("Z:") + unixPath; }

// The whole chain the monitor uses: its WMI lookup names the simulated port,
// its registry reader finds the address, and through the driver's test build
// its status read gives each simulated state's code.
TEST(PrinterStandIns, TheMonitorsOwnLptReadingSeesEachState) {
    std::string error;
    ASSERT_TRUE(fixture::InstallStandIns(WindowsPath(HWINTERFACE_TEST_SYS), WindowsPath(PW_WMI_FIXTURE_DLL),
                                         catalogue::ModelName, error))
        << error;

    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service);
    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    pw::heap_buffer config(needed);
    ASSERT_TRUE(QueryServiceConfigA(service.get(), config.as<QUERY_SERVICE_CONFIGA>(), needed, &needed));
    const auto* c = config.as<QUERY_SERVICE_CONFIGA>();
    EXPECT_EQ(c->dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(c->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_STRCASEEQ(c->lpBinaryPathName, fixture::DriverImagePath().c_str());
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, std::string(fixture::kPrintersKey) + catalogue::ModelName,
                                 "Datatype"),
              std::string("RAW\0", 4));
    EXPECT_EQ(fixture::ReadStatusRegister(), 0x98u);  // a new printer is ready

    LptDeviceId = "(LPT1)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, fixture::kLptDevice);
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x379u);

    PortAccessMode = GetPortAccessMode();
    ASSERT_EQ(PortAccessMode, 2);
    OpenPortDriver();
    ASSERT_NE(PortDriverHandle.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadParallelStatus(), 2);
    for (const sim::StateInfo& s : sim::kStates) {
        ASSERT_TRUE(sim::SetState(s));
        EXPECT_EQ(ReadParallelStatus(), s.code) << s.name;
    }

    // A second preparation (tools/run on a kept prefix) keeps the state and
    // the loaded driver, whose file cannot be replaced while it runs.
    ASSERT_TRUE(sim::SetState(*sim::FindState("paperout")));
    ASSERT_TRUE(fixture::InstallStandIns(WindowsPath(HWINTERFACE_TEST_SYS), WindowsPath(PW_WMI_FIXTURE_DLL),
                                         catalogue::ModelName, error))
        << error;
    EXPECT_EQ(fixture::ReadStatusRegister(), 0x20u);
    EXPECT_EQ(ReadParallelStatus(), 3);
    ClosePortDriver();
}

// A window on a thread of its own, as the programs' windows are to the sender,
// that judges each WM_DEVICECHANGE with the monitor's own check.
class Receiver {
public:
    Receiver(const char* className, const std::string& caption, bool shown = false) {
        m_thread = std::thread([this, className, caption, shown] {
            m_window = CreateWindowExA(0, className, caption.c_str(), WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
            SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_previous = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Receiver::Proc)));
            m_ready = true;
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        });
        while (!m_ready) Sleep(5);
    }
    ~Receiver() {
        PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }
    HWND Window() const { return m_window; }
    std::atomic<int> arrived{0}, removed{0};

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_DEVICECHANGE) {
            const pw::usb::DeviceChange change = CheckUsbPrinterBroadcast(wParam, lParam);
            if (change == pw::usb::DeviceChange::Arrived) ++self->arrived;
            if (change == pw::usb::DeviceChange::Removed) ++self->removed;
            return TRUE;
        }
        if (msg == WM_CLOSE) {
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return 0;
        }
        return CallWindowProcA(self->m_previous, hwnd, msg, wParam, lParam);
    }
    std::thread m_thread;
    std::atomic<bool> m_ready{false};
    HWND m_window = nullptr;
    WNDPROC m_previous = nullptr;
};

TEST(PrinterStandIns, BroadcastsReachTheProgramsWindowsOnly) {
    Receiver monitor("#32770", kMonitorCaption);                    // hidden in the tray
    Receiver setup("#32770", "ZYKE Printer Driver - Setup", true);  // the USB dialog on screen
    Receiver setupHidden("#32770", "ZYKE Printer Driver - Setup");  // the main dialog below it
    Receiver other("#32770", "Some other dialog", true);
    Receiver notDialog("STATIC", kMonitorCaption);

    const std::vector<HWND> windows = sim::NotificationWindows(kMonitorCaption);
    auto has = [&](HWND h) { return std::find(windows.begin(), windows.end(), h) != windows.end(); };
    EXPECT_TRUE(has(monitor.Window()));
    EXPECT_TRUE(has(setup.Window()));
    EXPECT_FALSE(has(setupHidden.Window()));
    EXPECT_FALSE(has(other.Window()));
    EXPECT_FALSE(has(notDialog.Window()));

    EXPECT_EQ(sim::SendUsbBroadcast({monitor.Window(), setup.Window()}, true, catalogue::ModelUsbSerial), 2);
    EXPECT_EQ(monitor.arrived, 1);
    EXPECT_EQ(setup.arrived, 1);
    EXPECT_EQ(sim::SendUsbBroadcast({monitor.Window()}, false, catalogue::ModelUsbSerial), 1);
    EXPECT_EQ(monitor.removed, 1);
    EXPECT_EQ(monitor.arrived, 1);
    // Another model's printer is not this one.
    sim::SendUsbBroadcast({monitor.Window()}, true, "zyk-420vt");
    EXPECT_EQ(monitor.arrived, 1);
}

}  // namespace
