#include "tools/sim/Drive.h"

#include "catalogue/Catalogue.h"
#include "contract/Programs.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"
#include "tools/sim/Sim.h"

#include <cstdio>
#include <string>

namespace sim {

namespace {

const char kSetupCaption[] = "ZYKE Printer Driver - Setup";

// Control ids that tell the installer's dialogs apart (they share one caption).
constexpr int kWaitText = 1002;   // please-wait window, also the splash
constexpr int kModelList = 1001;  // main dialog
constexpr int kManual = 1021;     // USB connection dialog
constexpr int kPortList = 1016;   // port selection
constexpr int kPortOk = 1008;
// The monitor's status window and its tray icon.
constexpr int kTitle = 1004;
constexpr int kMessage = 1005;
constexpr int kOkButton = 1007;
constexpr UINT kTrayCallback = WM_USER + 15;
constexpr UINT kTrayIconId = 1;
constexpr WPARAM kOpenCommand = contract::kMonitorOpenCommand;

int g_shot = 0;
std::string g_shotPrefix;

void Say(const std::string& text) {
    std::printf("drive: %s\n", text.c_str());
    std::fflush(stdout);
}

// Numbered so that the folder lists the steps in order.
void Shot(const std::string& name) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++g_shot);
    const std::string file = g_shotPrefix + prefix + name;
    if (bench::Screenshot(file))
        Say("  screenshot " + file + ".png");
    else
        Say("  (no screenshot " + file + ": PW_OUT unset or capture failed)");
}

bool Fail(const std::string& what) {
    Say("FAILED: " + what);
    Shot("failed");
    return false;
}

// The installer's visible dialog that holds the given control.
HWND FindSetupWindow(int controlId) {
    for (HWND h : bench::FindTopWindows({"#32770", kSetupCaption}))
        if (bench::IsVisible(h) && bench::Control(h, controlId)) return h;
    return nullptr;
}

HWND WaitSetupWindow(int controlId, DWORD timeoutMs) {
    HWND found = nullptr;
    bench::WaitUntil([&] { return (found = FindSetupWindow(controlId)) != nullptr; }, timeoutMs, 25);
    return found;
}

// A list box entry of another process. Asked in UTF-16: Wine hands an "A"
// LB_GETTEXT across processes back in UTF-16 (one character is all that shows).
std::string ListText(HWND list, LRESULT index) {
    const LRESULT length = bench::Send(list, LB_GETTEXTLEN, index, 0);
    if (length <= 0 || length > 255) return std::string();
    wchar_t wide[256] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000,
                             &copied) ||
        copied == static_cast<DWORD_PTR>(LB_ERR) || copied > 255)
        return std::string();
    char text[512] = {};
    const int n =
        WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(copied), text, sizeof text - 1, nullptr, nullptr);
    return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// Picks the list box entry that starts with `port` and tells the dialog, as a click would.
bool ChoosePort(HWND dialog, const std::string& port) {
    HWND list = bench::Control(dialog, kPortList);
    if (!list) return false;
    const LRESULT count = bench::Send(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && i < 256; ++i) {
        if (ListText(list, i).compare(0, port.size(), port) != 0) continue;
        bench::Send(list, LB_SETCURSEL, i, 0);
        bench::Post(dialog, WM_COMMAND, MAKEWPARAM(kPortList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return bench::WaitUntil([&] { return bench::IsControlEnabled(dialog, kPortOk); }, 5000);
    }
    return false;
}

// The monitor's small tray owner window: a 10-pixel popup of the same process.
HWND FindTrayOwner(HWND status) {
    const DWORD pid = bench::WindowProcessId(status);
    for (HWND h : bench::FindTopWindows({"", "", pid})) {
        RECT r;
        GetWindowRect(h, &r);
        if (h != status && (GetWindowLongA(h, GWL_STYLE) & WS_POPUP) && r.right - r.left == 10) return h;
    }
    return nullptr;
}

bool WaitTitle(HWND status, const std::string& title, DWORD timeoutMs) {
    return bench::WaitUntil([&] { return bench::ControlText(status, kTitle) == title; }, timeoutMs);
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

void SetScreenshotPrefix(const std::string& prefix) { g_shotPrefix = prefix; }

bool DriveSetup(const std::string& monitorCaption, Route route) {
    Say("waiting for setup.exe's splash");
    if (WaitSetupWindow(kWaitText, 60000))
        Shot("setup-splash");
    else if (!FindSetupWindow(kModelList))
        return Fail("setup.exe showed no window within 60 s");

    HWND main = WaitSetupWindow(kModelList, 30000);
    if (!main) return Fail("the main dialog did not appear");
    Say("main dialog: OK");
    Shot("setup-main");
    if (!bench::ClickButton(main, IDOK)) return Fail("OK of the main dialog could not be pressed");

    HWND usb = WaitSetupWindow(kManual, 60000);
    if (!usb) return Fail("the USB connection dialog did not appear");
    Shot("setup-usb");
    if (route == Route::Usb) {
        Say("USB connection dialog: the printer is plugged in");
        std::string error;
        if (!fixture::PlugUsb(catalogue::ModelUsbSerial, error)) return Fail(error);
        if (SendUsbBroadcast({usb}, true, catalogue::ModelUsbSerial) != 1)
            return Fail("the arrival broadcast did not reach the USB connection dialog");
    } else {
        Say("USB connection dialog: Manual");
        if (!bench::ClickButton(usb, kManual)) return Fail("Manual could not be pressed");
        HWND ports = WaitSetupWindow(kPortList, 30000);
        if (!ports) return Fail("the port selection did not appear");
        if (!ChoosePort(ports, "LPT1:")) return Fail("LPT1: is not in the port list, or OK stayed disabled");
        Say("port selection: " + bench::ControlText(ports, 1017) + ", OK");
        Shot("setup-port");
        if (!bench::ClickButton(ports, kPortOk)) return Fail("OK of the port selection could not be pressed");
    }

    HWND box = bench::WaitMessageBox(kSetupCaption, 120000);
    if (!box) return Fail("no result message within 120 s");
    Say("result: " + OneLine(bench::MessageBoxText(box)));
    Shot("setup-result");
    if (!bench::AnswerMessageBox(box, IDOK)) return Fail("the result message could not be answered");
    if (!bench::WaitUntil([] { return bench::FindTopWindows({"#32770", kSetupCaption}).empty(); }, 20000))
        return Fail("setup.exe's windows stayed after the result");

    Say("waiting for the monitor that setup started");
    HWND status = bench::WaitWindow({"#32770", monitorCaption}, 60000);
    if (!status) return Fail("no window \"" + monitorCaption + "\" within 60 s");
    bench::WaitUntil([&] { return FindTrayOwner(status) != nullptr; }, 10000);
    Shot("monitor-started");
    return true;
}

// Opens the window, waits for `title` after the search and screenshots it; then hides it with Ok.
bool ShowInWindow(HWND status, const std::string& monitorCaption, const std::string& title, const std::string& shot) {
    OpenMonitor(monitorCaption);
    if (!bench::WaitVisible(status, true, 5000)) return Fail("the status window did not open from the tray");
    // The window searches for three polls before it shows the status again;
    // a fault without a job needs its debounce again after that.
    WaitTitle(status, "Searching", 3000);
    if (!WaitTitle(status, title, 15000)) return Fail("after opening, the window does not show \"" + title + "\"");
    Say("  window: \"" + title + "\" / \"" + OneLine(bench::ControlText(status, kMessage)) + "\"");
    Shot(shot);
    if (bench::IsVisible(status)) bench::ClickButton(status, kOkButton);
    bench::WaitVisible(status, false, 5000);
    return true;
}

bool OpenMonitor(const std::string& monitorCaption) {
    HWND status = bench::FindTopWindow({"#32770", monitorCaption});
    if (!status) return false;
    if (HWND owner = FindTrayOwner(status)) return bench::Post(owner, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
    return bench::Post(status, WM_COMMAND, kOpenCommand, 0);
}

bool CycleMonitor(const std::string& monitorCaption) {
    HWND status = bench::WaitWindow({"#32770", monitorCaption}, 30000);
    if (!status) return Fail("no window \"" + monitorCaption + "\"");
    bool all = true;
    for (PrinterState which : {PrinterState::Ready, PrinterState::PaperOut, PrinterState::Offline, PrinterState::Off}) {
        const StateInfo* state = nullptr;
        for (const StateInfo& s : kStates)
            if (s.state == which) state = &s;
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", state->status);
        Say(std::string("printer ") + state->name + ": status register " + hex);
        if (!SetState(*state)) return Fail("the status register value could not be written");
        // A fault with no job printing is reported after the monitor's debounce (up to ~10 polls).
        if (!WaitTitle(status, state->title, 20000)) {
            all = Fail(std::string("the monitor did not reach \"") + state->title + "\", it shows \"" +
                       bench::ControlText(status, kTitle) + "\"");
            continue;
        }
        if (!ShowInWindow(status, monitorCaption, state->title, std::string("monitor-") + state->name)) all = false;
    }
    SetState(kStates[0]);
    Say("printer ready again");
    return all;
}

bool CycleUsb(const std::string& monitorCaption) {
    HWND status = bench::WaitWindow({"#32770", monitorCaption}, 30000);
    if (!status) return Fail("no window \"" + monitorCaption + "\"");
    const std::string serial = catalogue::ModelUsbSerial;
    std::string error;
    bool all = true;
    if (!WaitTitle(status, "Ready", 20000)) all = Fail("the monitor does not show the plugged-in printer as ready");
    Say("USB printer unplugged");
    if (!fixture::UnplugUsb(serial, error)) return Fail(error);
    SendUsbBroadcast(NotificationWindows(monitorCaption), false, serial);
    if (!WaitTitle(status, "Communicaton Error", 20000))
        all = Fail("the monitor did not notice the removal");
    else if (!ShowInWindow(status, monitorCaption, "Communicaton Error", "monitor-usb-unplugged"))
        all = false;
    Say("USB printer plugged in again");
    if (!fixture::PlugUsb(serial, error)) return Fail(error);
    SendUsbBroadcast(NotificationWindows(monitorCaption), true, serial);
    if (!WaitTitle(status, "Ready", 20000))
        all = Fail("the monitor did not notice the arrival");
    else if (!ShowInWindow(status, monitorCaption, "Ready", "monitor-usb-plugged"))
        all = false;
    return all;
}

}  // namespace sim
