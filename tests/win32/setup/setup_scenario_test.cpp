// The built setup.exe, run from an installation medium in the scenario's
// prefix and driven as a user would: buttons pressed, messages answered, USB
// arrivals broadcast as the system would send them.
#include "catalogue/Catalogue.h"
#include "catalogue/SetupCatalogue.h"
#include "common/Handles.h"
#include "resources/SetupResource.h"
#include "testbed/Bench.h"
#include "testbed/PollLog.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#ifndef PW_SETUP_MEDIUM
#error "PW_SETUP_MEDIUM must name the medium's folder in the build tree"
#endif

namespace {

const char kCaption[] = "ZYKE Printer Driver - Setup";
const char kExitConfirmation[] =
    "Setup is not complete. If you quit now, the program will not be installed.\nExit Setup?";
const std::string kModel = catalogue::ModelName;
const std::string kSerial = catalogue::ModelUsbSerial;
const char kMonitorMark[] = "C:\\setup_ui_monitor_started.txt";
const DWORD kStartTimeout = 40000;

// A visible setup window of the process that holds the given control.
HWND FindSetupDialog(DWORD pid, int controlId) {
    for (HWND h : bench::FindTopWindows({"#32770", kCaption, pid, true}))
        if (GetDlgItem(h, controlId)) return h;
    return nullptr;
}

HWND WaitSetupDialog(DWORD pid, int controlId, DWORD timeoutMs = kStartTimeout) {
    HWND found = nullptr;
    bench::WaitUntil([&] { return (found = FindSetupDialog(pid, controlId)) != nullptr; }, timeoutMs);
    return found;
}

// A message box of the process: a dialog with the caption and the message
// text static, but none of the setup dialogs' own controls (their unnamed
// statics share the message text's id).
HWND FindBox(const std::string& caption, DWORD pid) {
    for (HWND h : bench::FindTopWindows({"#32770", caption, pid, true})) {
        if (!GetDlgItem(h, 0xFFFF)) continue;
        if (GetDlgItem(h, IDC_LIST) || GetDlgItem(h, IDC_MANUAL) || GetDlgItem(h, IDC_PORT_LIST) ||
            GetDlgItem(h, IDC_WAIT_TEXT))
            continue;
        return h;
    }
    return nullptr;
}

HWND WaitBox(const std::string& caption, DWORD timeoutMs, DWORD pid) {
    HWND found = nullptr;
    bench::WaitUntil([&] { return (found = FindBox(caption, pid)) != nullptr; }, timeoutMs);
    return found;
}

// Memory in another process, for control messages whose pointers the
// system does not carry across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, std::size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        m_process.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (m_process) m_remote = VirtualAllocEx(m_process.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (m_remote) VirtualFreeEx(m_process.get(), m_remote, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return m_remote != nullptr; }
    char* Address(std::size_t offset = 0) const { return static_cast<char*>(m_remote) + offset; }
    bool Write(std::size_t offset, const void* data, std::size_t size) {
        return offset + size <= m_size && WriteProcessMemory(m_process.get(), Address(offset), data, size, nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return offset + size <= m_size && ReadProcessMemory(m_process.get(), Address(offset), data, size, nullptr);
    }

private:
    pw::unique_handle m_process;
    void* m_remote = nullptr;
    std::size_t m_size;
};

std::string ListViewItemText(HWND list, int item) {
    RemoteBuffer remote(list, 1024);
    if (!remote) return {};
    LVITEMA lvi = {};
    lvi.iSubItem = 0;
    lvi.pszText = remote.Address(sizeof lvi);
    lvi.cchTextMax = 512;
    char text[512] = {};
    if (!remote.Write(0, &lvi, sizeof lvi)) return {};
    bench::Send(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(remote.Address()));
    remote.Read(sizeof lvi, text, sizeof text - 1);
    return text;
}

bool ListViewItemRect(HWND list, int item, RECT& rect) {
    RemoteBuffer remote(list, sizeof(RECT));
    if (!remote) return false;
    rect = {};
    rect.left = LVIR_BOUNDS;
    if (!remote.Write(0, &rect, sizeof rect)) return false;
    if (!bench::Send(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(remote.Address()))) return false;
    return remote.Read(0, &rect, sizeof rect);
}

// Read in its UTF-16 form: across processes Wine 8 hands an "A" LB_GETTEXT
// the UTF-16 text, unbounded by the buffer. The programs' texts are ASCII.
std::string ListBoxText(HWND list, int index) {
    const LRESULT length = bench::Send(list, LB_GETTEXTLEN, index, 0);
    if (length < 0 || length > 500) return {};
    std::vector<wchar_t> wide(2048, L'\0');
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG, 5000,
                             &result))
        return {};
    wide.back() = L'\0';
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

void Click(HWND control, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    bench::Post(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    bench::Post(control, WM_LBUTTONUP, 0, at);
}

// A key as the user presses it on the dialog's focused control.
void PressKey(HWND dialog, int controlId, WPARAM key) {
    HWND target = GetDlgItem(dialog, controlId);
    bench::Post(target, WM_KEYDOWN, key, 0x00010001);
    bench::Post(target, WM_KEYUP, key, 0xC0010001);
}

void PressEscape(HWND dialog, int controlId) { PressKey(dialog, controlId, VK_ESCAPE); }

// Once the dialog has handled everything posted to it so far, nothing has
// popped up and the dialog is still on screen.
void ExpectStillWaiting(HWND dialog, DWORD pid, const char* what) {
    bench::PollLog handled;
    ASSERT_TRUE(handled.Attach(dialog, bench::UnixToWindows(PW_POLL_LOG_DLL))) << what;
    ASSERT_TRUE(handled.Flush(dialog)) << what;
    EXPECT_TRUE(IsWindowVisible(dialog)) << what;
    EXPECT_EQ(FindBox(kCaption, pid), nullptr) << what;
    EXPECT_EQ(FindBox("setup", pid), nullptr) << what;
}

// A DEV_BROADCAST_DEVICEINTERFACE_A for a USB device interface path.
std::vector<unsigned char> UsbBroadcast(const std::string& path) {
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + path.size() + 1, 0);
    auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    header->dbcc_size = static_cast<DWORD>(bytes.size());
    header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header->dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::memcpy(header->dbcc_name, path.c_str(), path.size() + 1);
    return bytes;
}

// Sent, as the system does; the handler of a matching arrival installs
// before it returns, so the call gives up waiting after a moment.
void SendArrival(HWND dialog, const std::string& path, WPARAM event = DBT_DEVICEARRIVAL) {
    std::vector<unsigned char> bytes = UsbBroadcast(path);
    bench::Send(dialog, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(bytes.data()), 1000);
}

struct QueueState {
    bool exists = false;
    std::string port;
};

QueueState Queue(const std::string& name) {
    QueueState state;
    pw::unique_printer printer;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), printer.put(), nullptr)) return state;
    state.exists = true;
    DWORD needed = 0;
    GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    pw::heap_buffer buffer(needed);
    if (buffer && GetPrinterA(printer.get(), 2, buffer.get(), needed, &needed)) {
        const auto* info = buffer.as<PRINTER_INFO_2A>();
        if (info->pPortName) state.port = info->pPortName;
    }
    return state;
}

std::string DefaultPrinter() {
    char name[512] = {};
    DWORD size = sizeof name;
    return GetDefaultPrinterA(name, &size) ? name : "";
}

std::string DriverDir() {
    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed)) return {};
    return dir;
}

void ExpectNothingInstalled() {
    EXPECT_FALSE(Queue(kModel).exists);
    EXPECT_FALSE(Queue(kModel + " (Copy 1)").exists);
    EXPECT_EQ(DefaultPrinter(), "");
    EXPECT_FALSE(bench::FileExists(kMonitorMark));
    EXPECT_FALSE(bench::FileExists(DriverDir() + "\\PGW\\" + catalogue::ModelKey + ".exe"));
}

class SetupScenario : public ::testing::Test {
protected:
    void SetUp() override {
        // The medium: the package at the top, the monitor under PGW, the installer beside them.
        m_medium = bench::PrefixPath("medium");
        ASSERT_TRUE(bench::CopyTree(bench::JoinPath(bench::BuildDir(), PW_SETUP_MEDIUM), m_medium));
        ASSERT_TRUE(bench::FileExists(m_medium + "\\setup.exe"));
        // What Windows 7 has and a fresh prefix lacks: the queue's data type
        // (Wine cannot open a queue without one).
        ASSERT_TRUE(fixture::PlantDatatype(kModel)) << GetLastError();
        DeleteFileA(kMonitorMark);
    }

    void Start() {
        m_setup = bench::Process::Start(m_medium + "\\setup.exe", "", m_medium);
        ASSERT_TRUE(m_setup) << m_setup.StartError();
    }

    // Up to the main dialog, past the one-second splash.
    HWND StartToMainDialog(const char* shot = nullptr) {
        Start();
        if (!m_setup) return nullptr;
        HWND main = WaitSetupDialog(Pid(), IDC_LIST);
        if (main && shot) bench::Screenshot(shot);
        return main;
    }

    // Main dialog OK: the files are staged and the USB connection dialog waits.
    HWND ToConnectionDialog(HWND main) {
        if (!bench::ClickButton(main, IDOK)) return nullptr;
        HWND connection = WaitSetupDialog(Pid(), IDC_MANUAL);
        EXPECT_FALSE(IsWindowVisible(main)) << "the main dialog hides for good";
        return connection;
    }

    HWND ToPortDialog(HWND connection) {
        if (!bench::ClickButton(connection, IDC_MANUAL)) return nullptr;
        HWND ports = WaitSetupDialog(Pid(), IDC_PORT_LIST);
        EXPECT_FALSE(IsWindowVisible(connection));
        return ports;
    }

    // Cancel, the confirmation, No: the dialog stays; then Escape does nothing.
    void CancelNoThenEscape(HWND dialog, int cancelId, int focusId, const std::string& shot) {
        ASSERT_TRUE(bench::ClickButton(dialog, cancelId));
        HWND box = WaitBox(kCaption, 15000, Pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(bench::MessageBoxText(box), kExitConfirmation);
        EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO));
        bench::Screenshot(shot + "_confirm");
        ASSERT_TRUE(bench::AnswerMessageBox(box, IDNO));
        ExpectStillWaiting(dialog, Pid(), "after No");
        PressEscape(dialog, focusId);
        ExpectStillWaiting(dialog, Pid(), "after Escape");
    }

    void CancelYesEnds(HWND dialog, int cancelId) {
        ASSERT_TRUE(bench::ClickButton(dialog, cancelId));
        HWND box = WaitBox(kCaption, 15000, Pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(bench::MessageBoxText(box), kExitConfirmation);
        ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
        ExpectEndsWithoutMainDialog();
    }

    // The program ends, and the main dialog never comes back on the way.
    void ExpectEndsWithoutMainDialog() {
        bool mainShown = false;
        const bool ended = bench::WaitUntil(
            [&] {
            mainShown |= FindSetupDialog(Pid(), IDC_LIST) != nullptr;
            return !m_setup.Running();
            },
            20000);
        EXPECT_TRUE(ended) << "setup still runs";
        EXPECT_FALSE(mainShown) << "the main dialog was shown again";
    }

    // A USB installation's end: success said once, the program ends without
    // showing the main dialog again, the queue on `port` and the default printer.
    void ExpectInstalledOnUsb(const std::string& resultShot, const std::string& port) {
        EXPECT_EQ(AnswerResult(resultShot), kModel + " Printer Driver & Status Monitor installed successfully.");
        ExpectEndsWithoutMainDialog();
        const QueueState queue = Queue(kModel);
        EXPECT_TRUE(queue.exists);
        EXPECT_EQ(queue.port, port);
        EXPECT_EQ(DefaultPrinter(), kModel);
    }

    // The one result message, read and answered; the program then ends.
    std::string AnswerResult(const std::string& shot, DWORD timeoutMs = 60000) {
        HWND box = WaitBox(kCaption, timeoutMs, Pid());
        if (!box) return "(no message)";
        const std::string text = bench::MessageBoxText(box);
        bench::Screenshot(shot);
        bench::AnswerMessageBox(box, IDOK);
        return text;
    }

    DWORD Pid() const { return m_setup.Id(); }

    std::string m_medium;
    bench::Process m_setup;
};

}  // namespace

TEST_F(SetupScenario, ManualPathInstallsOnLpt1) {
    // A USB port is listed like every other kind.
    ASSERT_TRUE(fixture::AddUsbPort()) << GetLastError();
    Start();
    ASSERT_TRUE(m_setup);
    // The splash: the please-wait window for a second before the main dialog.
    HWND splash = WaitSetupDialog(Pid(), IDC_WAIT_TEXT);
    ASSERT_TRUE(splash);
    bench::Screenshot("setup_ui_manual_1_splash");
    EXPECT_EQ(bench::ControlText(splash, IDC_WAIT_TEXT), "Now the printer will be installed ...\nPlease wait ...");

    HWND main = WaitSetupDialog(Pid(), IDC_LIST);
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindowVisible(splash));
    bench::Screenshot("setup_ui_manual_2_main");
    HWND list = GetDlgItem(main, IDC_LIST);
    EXPECT_EQ(bench::Send(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ListViewItemText(list, 0), kModel);
    EXPECT_EQ(bench::Send(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED), LVIS_SELECTED);
    EXPECT_EQ(bench::Send(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x21, 0x21);
    EXPECT_EQ(bench::ControlText(main, IDC_VERSION), catalogue::VersionText);
    EXPECT_EQ(bench::Send(GetDlgItem(main, IDC_TAB), TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_TRUE(bench::IsControlEnabled(main, IDOK));

    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    bench::Screenshot("setup_ui_manual_3_connection");
    // The driver files are staged by now.
    EXPECT_TRUE(bench::FileExists(DriverDir() + "\\" + catalogue::ModelGpdFile));

    HWND ports = ToPortDialog(connection);
    ASSERT_TRUE(ports);
    bench::Screenshot("setup_ui_manual_4_ports");

    // The list holds the spooler's ports in its order, whatever the sort style would do.
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count);
    pw::heap_buffer buffer(needed);
    ASSERT_TRUE(EnumPortsA(nullptr, 2, buffer.get(), needed, &needed, &count));
    const auto* info = buffer.as<PORT_INFO_2A>();
    HWND portList = GetDlgItem(ports, IDC_PORT_LIST);
    ASSERT_EQ(bench::Send(portList, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(count));
    int lpt1 = -1;
    for (DWORD i = 0; i < count; ++i) {
        const std::string expected =
            std::string(info[i].pPortName) + " (" + (info[i].pDescription ? info[i].pDescription : "") + ")";
        EXPECT_EQ(ListBoxText(portList, static_cast<int>(i)), expected) << i;
        if (std::strcmp(info[i].pPortName, "LPT1:") == 0) lpt1 = static_cast<int>(i);
    }
    ASSERT_GE(lpt1, 0);
    EXPECT_EQ(ListBoxText(portList, static_cast<int>(count) - 1), "USB001 (Local Port)");
    EXPECT_EQ(bench::Send(portList, LB_GETCURSEL, 0, 0), lpt1);
    EXPECT_EQ(bench::ControlText(ports, IDC_CURRENT_PORT), ListBoxText(portList, lpt1));
    EXPECT_TRUE(bench::IsControlEnabled(ports, IDC_PORT_OK));

    ASSERT_TRUE(bench::ClickButton(ports, IDC_PORT_OK));
    EXPECT_EQ(AnswerResult("setup_ui_manual_5_result"),
              kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_TRUE(m_setup.WaitExit(20000));

    const QueueState queue = Queue(kModel);
    EXPECT_TRUE(queue.exists);
    EXPECT_EQ(queue.port, "LPT1:");
    EXPECT_EQ(DefaultPrinter(), kModel);
    EXPECT_TRUE(bench::FileExists(DriverDir() + "\\PGW\\" + catalogue::ModelKey + ".exe"));
    EXPECT_TRUE(bench::WaitUntil([] { return bench::FileExists(kMonitorMark); }, 10000)) << "monitor started once";
    // Started at every logon, and removable.
    EXPECT_EQ(bench::reg::GetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    std::string("ZYKE") + catalogue::ModelKey),
              std::optional<std::string>(DriverDir() + "\\PGW\\" + catalogue::ModelKey));
    EXPECT_EQ(bench::reg::GetString(HKEY_LOCAL_MACHINE,
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics",
                                    "UninstallString"),
              std::optional<std::string>(DriverDir() + "\\Uninstall.exe"));
}

TEST_F(SetupScenario, ChoosingAnotherPortInstallsOnIt) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    // Enter is Manual here.
    PressKey(connection, IDC_MANUAL, VK_RETURN);
    HWND ports = WaitSetupDialog(Pid(), IDC_PORT_LIST);
    ASSERT_TRUE(ports);
    HWND portList = GetDlgItem(ports, IDC_PORT_LIST);
    const LRESULT count = bench::Send(portList, LB_GETCOUNT, 0, 0);
    int com1 = -1;
    for (int i = 0; i < count; ++i)
        if (ListBoxText(portList, i).rfind("COM1: (", 0) == 0) com1 = i;
    ASSERT_GE(com1, 0);
    // A click on the entry (the list is scrolled to its top).
    const LRESULT itemHeight = bench::Send(portList, LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(itemHeight, 0);
    ASSERT_EQ(bench::Send(portList, LB_GETTOPINDEX, 0, 0), 0);
    Click(portList, 10, static_cast<int>(com1 * itemHeight + itemHeight / 2));
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::Send(portList, LB_GETCURSEL, 0, 0) == com1; }, 5000));
    EXPECT_TRUE(
        bench::WaitUntil([&] { return bench::ControlText(ports, IDC_CURRENT_PORT) == ListBoxText(portList, com1); },
                         5000))
        << bench::ControlText(ports, IDC_CURRENT_PORT);
    bench::Screenshot("setup_ui_com1_ports");
    // Enter is OK here.
    PressKey(ports, IDC_PORT_LIST, VK_RETURN);
    EXPECT_EQ(AnswerResult("setup_ui_com1_result"),
              kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_TRUE(m_setup.WaitExit(20000));
    EXPECT_EQ(Queue(kModel).port, "COM1:");
}

TEST_F(SetupScenario, UsbArrivalOfThePrinterInstallsOnItsPort) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    // Plugged in while the dialog waits, on port 3, so that the queue's port
    // can only come from the interface.
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(kSerial, error, 3)) << error;

    // Another printer of the family, another device, a removal: the dialog keeps waiting.
    SendArrival(connection, "\\\\?\\USB#VID_0F3A&PID_1101#zyk-455#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    SendArrival(connection, "\\\\?\\USB#VID_046D&PID_C077#5&2b3a1c&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    SendArrival(connection, "\\\\?\\USB#VID_0F3A&PID_1101#" + kSerial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
                DBT_DEVICEREMOVECOMPLETE);
    ExpectStillWaiting(connection, Pid(), "after other devices");

    // The printer itself, its serial in upper case.
    std::string upper = kSerial;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    SendArrival(connection, "\\\\?\\USB#VID_0F3A&PID_1101#" + upper + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    HWND pleaseWait = WaitSetupDialog(Pid(), IDC_WAIT_TEXT, 10000);
    EXPECT_TRUE(pleaseWait);
    EXPECT_FALSE(IsWindowVisible(connection));
    bench::Screenshot("setup_ui_usb_1_installing");
    ExpectInstalledOnUsb("setup_ui_usb_2_result", "USB003");
}

// Plugged in and on before setup starts: nothing announces it, and setup
// takes it as soon as the connection dialog opens.
TEST_F(SetupScenario, PrinterPluggedInBeforeSetupIsInstalledWithoutAReplug) {
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(kSerial, error, 3)) << error;
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    ASSERT_TRUE(bench::ClickButton(main, IDOK));
    // What the user sees next: the please-wait window while it installs.
    EXPECT_TRUE(bench::WaitUntil([&] { return !IsWindowVisible(main) && FindSetupDialog(Pid(), IDC_WAIT_TEXT); },
                                 kStartTimeout));
    bench::Screenshot("setup_ui_present_1_installing");
    ExpectInstalledOnUsb("setup_ui_present_2_result", "USB003");
}

// The system sends its broadcast to every window and waits for each answer:
// the dialog answers at once and installs afterwards. The installation's
// messages need the test to answer them, and the test answers nothing until
// the broadcast has returned, so an installation inside the handler would
// hold the broadcast until the test gives up on it.
TEST_F(SetupScenario, ArrivalBroadcastReturnsBeforeTheInstallation) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    bench::Screenshot("setup_ui_broadcast_1_connection");
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(kSerial, error, 2)) << error;

    std::vector<unsigned char> bytes =
        UsbBroadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + kSerial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    bool answered = false;
    // Longer than any installation with all its messages answered.
    bench::Send(connection, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(bytes.data()), 120000,
                &answered);
    ASSERT_TRUE(answered) << "the broadcast waited for the installation";
    EXPECT_TRUE(m_setup.Running());

    // The installation follows, with its please-wait window and its message.
    ExpectInstalledOnUsb("setup_ui_broadcast_2_result", "USB002");
}

TEST_F(SetupScenario, UnlinkedUsbPrinterInstallsNothing) {
    // Its interface and port number stay behind once the printer is pulled out.
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(kSerial, error, 3)) << error;
    ASSERT_TRUE(fixture::UnplugUsb(kSerial, error)) << error;
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    SendArrival(connection, "\\\\?\\usb#vid_0f3a&pid_1101#" + kSerial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");

    // The framework's own message box: the program's name as caption, the exclamation icon.
    HWND box = WaitBox("setup", 20000, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), "Please connect printer properly");
    bench::Screenshot("setup_ui_unlinked_1_connect");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDOK));

    // Then plainly: nothing was installed.
    const std::string told = AnswerResult("setup_ui_unlinked_2_nothing", 20000);
    EXPECT_NE(told.find("not installed"), std::string::npos) << told;
    ExpectEndsWithoutMainDialog();
    ExpectNothingInstalled();
    EXPECT_FALSE(Queue(kModel).exists);
}

TEST_F(SetupScenario, MainDialogCancelAndEscape) {
    HWND main = StartToMainDialog("setup_ui_cancel_main");
    ASSERT_TRUE(main);
    // Clicking empty space in the list turns OK off, clicking the item turns it on.
    HWND list = GetDlgItem(main, IDC_LIST);
    Click(list, 4, 4);
    EXPECT_TRUE(bench::WaitUntil([&] { return !bench::IsControlEnabled(main, IDOK); }, 5000)) << "OK still enabled";
    RECT item;
    ASSERT_TRUE(ListViewItemRect(list, 0, item));
    Click(list, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
    EXPECT_TRUE(bench::WaitUntil([&] { return bench::IsControlEnabled(main, IDOK); }, 5000)) << "OK still disabled";

    CancelNoThenEscape(main, IDCANCEL, IDC_LIST, "setup_ui_cancel_main");
    // The close box asks the same question.
    bench::Post(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = WaitBox(kCaption, 15000, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), kExitConfirmation);
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDNO));
    EXPECT_TRUE(IsWindowVisible(main));

    ASSERT_TRUE(bench::ClickButton(main, IDCANCEL));
    box = WaitBox(kCaption, 15000, Pid());
    ASSERT_TRUE(box);
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(m_setup.WaitExit(20000));
    ExpectNothingInstalled();
    EXPECT_FALSE(bench::FileExists(DriverDir() + "\\" + catalogue::ModelGpdFile)) << "nothing staged before OK";
}

TEST_F(SetupScenario, ConnectionDialogCancelAndEscape) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    CancelNoThenEscape(connection, IDC_CONN_CANCEL, IDC_MANUAL, "setup_ui_cancel_connection");
    EXPECT_FALSE(IsWindowVisible(main));
    CancelYesEnds(connection, IDC_CONN_CANCEL);
    ExpectNothingInstalled();
}

TEST_F(SetupScenario, PortDialogCancelAndEscape) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    HWND connection = ToConnectionDialog(main);
    ASSERT_TRUE(connection);
    HWND ports = ToPortDialog(connection);
    ASSERT_TRUE(ports);
    CancelNoThenEscape(ports, IDC_PORT_CANCEL, IDC_PORT_LIST, "setup_ui_cancel_ports");
    CancelYesEnds(ports, IDC_PORT_CANCEL);
    ExpectNothingInstalled();
}

TEST_F(SetupScenario, SecondSetupIsRefusedWhileTheFirstRuns) {
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    bench::Process second = bench::Process::Start(m_medium + "\\setup.exe", "", m_medium);
    ASSERT_TRUE(second);
    HWND box = WaitBox(kCaption, kStartTimeout, second.Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box),
              "Another application is already running. Please terminate the previous application.");
    EXPECT_TRUE(GetDlgItem(box, IDOK));
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    bench::Screenshot("setup_ui_second_instance");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(second.WaitExit(20000));
    EXPECT_EQ(WaitSetupDialog(Pid(), IDC_LIST, 1000), main) << "the first setup is unaffected";

    ASSERT_TRUE(bench::ClickButton(main, IDCANCEL));
    box = WaitBox(kCaption, 15000, Pid());
    ASSERT_TRUE(box);
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(m_setup.WaitExit(20000));
}

TEST_F(SetupScenario, SystemsOutsideWindows7AreRefused) {
    // Wine reports the Windows version configured for the program: Vista is 6.0.
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\setup.exe";
    ASSERT_TRUE(bench::reg::SetString(HKEY_CURRENT_USER, appDefaults, "Version", "vista"));
    Start();
    ASSERT_TRUE(m_setup);
    HWND box = WaitBox(kCaption, kStartTimeout, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), "The applicaion will run only in Windows7 Operating System.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    bench::Screenshot("setup_ui_refused_vista");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(m_setup.WaitExit(20000));
    EXPECT_EQ(FindSetupDialog(Pid(), IDC_WAIT_TEXT), nullptr) << "no splash after a refusal";

    // With the Print Spooler stopped, setup says so and ends before its splash.
    ASSERT_EQ(bench::RunAndWait("net.exe stop spooler", 30000), std::optional<DWORD>(0));
    ASSERT_TRUE(bench::reg::DeleteValue(HKEY_CURRENT_USER, appDefaults, "Version"));
    Start();
    ASSERT_TRUE(m_setup && (box = WaitBox(kCaption, kStartTimeout, Pid())));
    EXPECT_EQ(bench::MessageBoxText(box), "The Print Spooler service is not running.\nStart it and run Setup again.");
    bench::Screenshot("setup_ui_refused_spooler_stopped");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(m_setup.WaitExit(20000));
    ASSERT_EQ(bench::RunAndWait("net.exe start spooler", 30000), std::optional<DWORD>(0));

    // Windows 8 (6.2) belongs to the same family and passes.
    ASSERT_TRUE(bench::reg::SetString(HKEY_CURRENT_USER, appDefaults, "Version", "win8"));
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    ASSERT_TRUE(bench::ClickButton(main, IDCANCEL));
    box = WaitBox(kCaption, 15000, Pid());
    ASSERT_TRUE(box);
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(m_setup.WaitExit(20000));
}

TEST_F(SetupScenario, SpoolerThatCannotListPortsLeadsToTheExitQuestion) {
    // Without its local print provider the spooler answers nothing: neither the
    // driver directory nor the port list.
    ASSERT_TRUE(bench::reg::SetString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides",
                                      "localspl", ""));
    HWND main = StartToMainDialog();
    ASSERT_TRUE(main);
    ASSERT_TRUE(bench::ClickButton(main, IDOK));
    HWND box = WaitBox(kCaption, 20000, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), "Unexpected error 0x001C occured.");
    bench::Screenshot("setup_ui_nospooler_1_staging");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDOK));

    // The flow goes on to the USB dialog and, with Manual, to the port list.
    HWND connection = WaitSetupDialog(Pid(), IDC_MANUAL);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(bench::ClickButton(connection, IDC_MANUAL));
    box = WaitBox(kCaption, 20000, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), "Unexpected error 0x002C occured while port enumeration.");
    EXPECT_TRUE(GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL));
    bench::Screenshot("setup_ui_nospooler_2_ports");
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDCANCEL));

    // Either answer leads to the exit question; No keeps an empty list with OK off.
    box = WaitBox(kCaption, 15000, Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(bench::MessageBoxText(box), kExitConfirmation);
    ASSERT_TRUE(bench::AnswerMessageBox(box, IDNO));
    HWND ports = WaitSetupDialog(Pid(), IDC_PORT_LIST);
    ASSERT_TRUE(ports);
    EXPECT_EQ(bench::Send(GetDlgItem(ports, IDC_PORT_LIST), LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(bench::IsControlEnabled(ports, IDC_PORT_OK));
    bench::Screenshot("setup_ui_nospooler_3_empty");
    CancelYesEnds(ports, IDC_PORT_CANCEL);
    ExpectNothingInstalled();
}
