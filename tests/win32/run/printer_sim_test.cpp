// The simulated printer's stand-ins in a fresh prefix, checked with the
// readers the programs themselves use: the port driver's service, the LPT1
// resource list, the status register values, the USB interface and its
// broadcasts, and the queue's published port.
#include "tools/sim/Sim.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/UsbPrinter.h"
#include "monitor/portaccess/core/ParallelStatus.h"
#include "monitor/portaccess/core/ResourceList.h"
#include "setup/SetupPlatform.h"
#include "setup/core/UsbPort.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

const std::string kMonitorCaption = std::string(catalogue::ModelName) + " - Status Monitor";

std::string ReadString(HKEY root, const std::string& path, const char* name, DWORD* type = nullptr) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data - 2, t = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &t, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return "<no value>";
    if (type) *type = t;
    return std::string(data, size);
}

// A stand-in driver image: creating the service does not load it.
std::string MakeImage() {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "hwinterface_test.sys";
    pw::unique_file file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), "MZ", 2, &written, nullptr);
    return path;
}

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

// Without the WMI provider the address lookup keeps its search text as the key.
TEST(PrinterStandIns, LptKeyWithoutTheWmiProvider) {
    std::string error;
    ASSERT_TRUE(sim::InstallStandIns(MakeImage(), "", "Sim Queue Without WMI", error)) << error;
    DWORD type = 0;
    const std::string resources =
        ReadString(HKEY_LOCAL_MACHINE, std::string(sim::kEnumKey) + "(LPT1)\\Control", "AllocConfig", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_RESOURCE_LIST));
    std::uint64_t start = 0;
    ASSERT_TRUE(portaccess::FindFirstPortRange(reinterpret_cast<const unsigned char*>(resources.data()),
                                               resources.size(), start));
    EXPECT_EQ(start, 0x378u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(sim::kPrintersKey) + "Sim Queue Without WMI", "Datatype"),
              std::string("RAW\0", 4));

    EXPECT_FALSE(sim::InstallStandIns("C:\\no\\such\\image.sys", "", catalogue::ModelName, error));
    EXPECT_NE(error.find("copying"), std::string::npos) << error;
    EXPECT_FALSE(sim::InstallStandIns(MakeImage(), "C:\\no\\such\\provider.dll", catalogue::ModelName, error));
    EXPECT_NE(error.find("WMI"), std::string::npos) << error;
}

// The whole chain the monitor uses: its WMI lookup names the simulated port,
// its registry reader finds the address, and through the driver's test build
// its status read gives each simulated state's code.
TEST(PrinterStandIns, TheMonitorsOwnLptReadingSeesEachState) {
    std::string error;
    ASSERT_TRUE(sim::InstallStandIns(WindowsPath(HWINTERFACE_TEST_SYS), WindowsPath(PW_WMI_FIXTURE_DLL),
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
    EXPECT_STRCASEEQ(c->lpBinaryPathName, sim::DriverImagePath().c_str());
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(sim::kPrintersKey) + catalogue::ModelName, "Datatype"),
              std::string("RAW\0", 4));
    EXPECT_EQ(sim::ReadStatusRegister(), 0x98u);   // a new printer is ready

    LptDeviceId = "(LPT1)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, sim::kLptDevice);
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x379u);

    PortAccessMode = GetPortAccessMode();
    ASSERT_EQ(PortAccessMode, 2);
    OpenPortDriver();
    ASSERT_NE(PortDriverHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadParallelStatus(), 2);
    for (const sim::StateInfo& s : sim::kStates) {
        ASSERT_TRUE(sim::SetState(s));
        EXPECT_EQ(ReadParallelStatus(), s.code) << s.name;
    }

    // A second preparation (tools/run on a kept prefix) keeps the state and
    // the loaded driver, whose file cannot be replaced while it runs.
    ASSERT_TRUE(sim::SetState(*sim::FindState("paperout")));
    ASSERT_TRUE(sim::InstallStandIns(WindowsPath(HWINTERFACE_TEST_SYS), WindowsPath(PW_WMI_FIXTURE_DLL),
                                     catalogue::ModelName, error))
        << error;
    EXPECT_EQ(sim::ReadStatusRegister(), 0x20u);
    EXPECT_EQ(ReadParallelStatus(), 3);
    ClosePortDriver();
}

TEST(PrinterStandIns, UsbPlugIsWhatBothProgramsRead) {
    const std::string serial = catalogue::ModelUsbSerial;
    setup::ui::Win32UsbPortRegistry registry;
    EXPECT_FALSE(sim::IsUsbPlugged(serial));
    EXPECT_FALSE(FindUsbPrinterPresent());
    EXPECT_FALSE(setup::core::ResolveUsbPort(registry, serial));

    std::string error;
    ASSERT_TRUE(sim::PlugUsb(serial, error)) << error;
    EXPECT_TRUE(sim::IsUsbPlugged(serial));
    EXPECT_TRUE(FindUsbPrinterPresent());                                  // the monitor's scan
    EXPECT_EQ(setup::core::ResolveUsbPort(registry, serial), std::optional<std::string>("USB001"));  // the installer's
    std::vector<setup::core::PortRecord> ports;
    ASSERT_TRUE(setup::ui::EnumerateSpoolerPorts(ports));
    EXPECT_TRUE(std::any_of(ports.begin(), ports.end(), [](const setup::core::PortRecord& p) { return p.name == "USB001"; }));

    ASSERT_TRUE(sim::UnplugUsb(serial, error)) << error;
    EXPECT_FALSE(FindUsbPrinterPresent());
    EXPECT_FALSE(setup::core::ResolveUsbPort(registry, serial));
    // Plugging again re-links the same interface.
    ASSERT_TRUE(sim::PlugUsb(serial, error)) << error;
    EXPECT_TRUE(FindUsbPrinterPresent());
    ASSERT_TRUE(sim::UnplugUsb(serial, error)) << error;
}

// A window on a thread of its own, as the programs' windows are to the sender,
// that judges each WM_DEVICECHANGE with the monitor's own check.
class Receiver {
public:
    Receiver(const char* className, const std::string& caption, bool shown = false) {
        m_thread = std::thread([this, className, caption, shown] {
            m_window = CreateWindowExA(0, className, caption.c_str(), WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, 10,
                                       10, nullptr, nullptr, nullptr, nullptr);
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
            const portaccess::DeviceChange change = CheckUsbPrinterBroadcast(wParam, lParam);
            if (change == portaccess::DeviceChange::Arrived) ++self->arrived;
            if (change == portaccess::DeviceChange::Removed) ++self->removed;
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
    Receiver monitor("#32770", kMonitorCaption);                       // hidden in the tray
    Receiver setup("#32770", "ZYKE Printer Driver - Setup", true);      // the USB dialog on screen
    Receiver setupHidden("#32770", "ZYKE Printer Driver - Setup");      // the main dialog below it
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

bool AddQueue(const std::string& name, const std::string& port) {
    std::string driver = "Sim Test Driver", env = "Windows NT x86", path = "unidrv.dll", data = "test.gpd",
                ui = "unidrvui.dll";
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = &driver[0];
    info.pEnvironment = &env[0];
    info.pDriverPath = &path[0];
    info.pDataFile = &data[0];
    info.pConfigFile = &ui[0];
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        return false;
    std::string n = name, p = port, proc = "WinPrint", type = "RAW";
    PRINTER_INFO_2A printer = {};
    printer.pPrinterName = &n[0];
    printer.pPortName = &p[0];
    printer.pDriverName = &driver[0];
    printer.pPrintProcessor = &proc[0];
    printer.pDatatype = &type[0];
    printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    pw::unique_printer handle(AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer)));
    return static_cast<bool>(handle);
}

bool MoveQueue(const std::string& name, const std::string& port) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    if (!OpenPrinterA(&n[0], printer.put(), &defaults)) return false;
    DWORD needed = 0;
    GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    pw::heap_buffer buf(needed);
    if (!GetPrinterA(printer.get(), 2, buf.get(), needed, &needed)) return false;
    auto* info = buf.as<PRINTER_INFO_2A>();
    std::string p = port;
    info->pPortName = &p[0];
    info->pSecurityDescriptor = nullptr;
    return SetPrinterA(printer.get(), 2, buf.get(), 0) != FALSE;
}

TEST(PrinterStandIns, PublishesTheQueuesPortAsTheSpoolerWould) {
    const std::string queue = "Sim Published Port Queue";
    const std::string ds = std::string(sim::kPrintersKey) + queue + "\\DsSpooler";
    EXPECT_EQ(sim::PublishQueuePort(queue), sim::Publish::NoQueue);
    EXPECT_EQ(sim::QueuePort(queue), "");

    // Wine cannot add a queue without its data type (the fixture's stand-in).
    pw::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(sim::kPrintersKey) + queue).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "Datatype", 0, REG_SZ, reinterpret_cast<const BYTE*>("RAW"), 4),
              ERROR_SUCCESS);
    ASSERT_TRUE(AddQueue(queue, "LPT1:")) << GetLastError();
    EXPECT_EQ(sim::QueuePort(queue), "LPT1:");

    DWORD type = 0;
    EXPECT_EQ(sim::PublishQueuePort(queue), sim::Publish::Written);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ds, "portName", &type), std::string("LPT1:\0\0", 7));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(sim::PublishQueuePort(queue), sim::Publish::Unchanged);

    // The user moves the queue to another port: published again.
    ASSERT_TRUE(MoveQueue(queue, "COM1:")) << GetLastError();
    EXPECT_EQ(sim::PublishQueuePort(queue), sim::Publish::Written);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ds, "portName"), std::string("COM1:\0\0", 7));

    // A published value of another type is replaced, not trusted.
    pw::unique_hkey dsKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ds.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, dsKey.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(dsKey.get(), "portName", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM1:"), 6),
              ERROR_SUCCESS);
    EXPECT_EQ(sim::PublishQueuePort(queue), sim::Publish::Written);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ds, "portName", &type), std::string("COM1:\0\0", 7));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
}

}  // namespace
