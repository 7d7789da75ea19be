// The bench: finding and driving windows, message boxes, the tray and popup menus.
#include "testbed/Bench.h"
#include "testbed/BenchShared.h"

#include <dbt.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace bench {
namespace {

using unique_hdesk = pw::unique_any<HDESK, &CloseDesktop>;

// Desktops besides the thread's own that programs were started on.
std::mutex g_desktopLock;
std::vector<std::string> g_desktops;

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> AllTopWindows() {
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (const auto& name : StartedDesktops()) {
        unique_hdesk desk(OpenDesktopA(name.c_str(), 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS));
        if (!desk) continue;
        std::vector<HWND> more;
        EnumDesktopWindows(desk.get(), CollectWindow, reinterpret_cast<LPARAM>(&more));
        for (HWND h : more)
            if (std::find(all.begin(), all.end(), h) == all.end()) all.push_back(h);
    }
    return all;
}

bool IsDesktopWindow(HWND hwnd) { return hwnd == GetDesktopWindow() || ClassName(hwnd) == "#32769"; }

bool Matches(HWND hwnd, const WindowQuery& q) {
    if (!IsWindow(hwnd)) return false;
    if (q.pid && WindowProcessId(hwnd) != q.pid) return false;
    if (q.visibleOnly && !IsVisible(hwnd)) return false;
    if (!q.className.empty() && ClassName(hwnd) != q.className) return false;
    if (!q.caption.empty()) {
        // The stored caption: never sends a message to the owner, so a busy program cannot stall the search.
        char buf[512];
        const int n = GetWindowTextA(hwnd, buf, sizeof buf);
        if (std::string(buf, n > 0 ? n : 0) != q.caption) return false;
    }
    return true;
}

}  // namespace

void RememberDesktop(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_desktopLock);
    if (std::find(g_desktops.begin(), g_desktops.end(), name) == g_desktops.end()) g_desktops.push_back(name);
}

std::vector<std::string> StartedDesktops() {
    std::lock_guard<std::mutex> lock(g_desktopLock);
    return g_desktops;
}

// ---------------------------------------------------------------- windows

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    std::vector<HWND> found;
    for (HWND h : AllTopWindows())
        if (Matches(h, query)) found.push_back(h);
    return found;
}

HWND FindTopWindow(const WindowQuery& query) {
    const auto all = FindTopWindows(query);
    return all.empty() ? nullptr : all.front();
}

HWND WaitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitVisible(HWND hwnd, bool visible, DWORD timeoutMs) {
    return WaitUntil([&] { return IsVisible(hwnd) == visible; }, timeoutMs);
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
}

bool IsVisible(HWND hwnd) {
    if (!IsWindow(hwnd)) return false;
    // IsWindowVisible also asks the desktop window, which is not visible from
    // another desktop; the window and its own ancestors decide what a user sees.
    int depth = 0;
    for (HWND w = hwnd; w && !IsDesktopWindow(w) && depth < 64; w = GetAncestor(w, GA_PARENT), ++depth)
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE)) return false;
    return true;
}

bool IsMinimized(HWND hwnd) { return IsWindow(hwnd) && ::IsIconic(hwnd); }

std::string WindowText(HWND hwnd) {
    if (!IsWindow(hwnd)) return {};
    DWORD_PTR len = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &len) &&
        len < (1u << 20)) {
        std::string text(len + 1, '\0');
        DWORD_PTR got = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &got)) {
            text.resize(std::min<std::size_t>(got, len));
            return text;
        }
    }
    char buf[4096];
    const int n = GetWindowTextA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string ControlText(HWND dialog, int controlId) { return WindowText(GetDlgItem(dialog, controlId)); }

std::string ClassName(HWND hwnd) {
    char buf[256];
    const int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

int ControlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

DWORD WindowProcessId(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::vector<HWND> ChildWindows(HWND parent, bool recursive) {
    std::vector<HWND> children;
    if (!IsWindow(parent)) return children;
    if (recursive) {
        EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    } else {
        for (HWND h = GetWindow(parent, GW_CHILD); h && children.size() < 10000; h = GetWindow(h, GW_HWNDNEXT))
            children.push_back(h);
    }
    return children;
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    for (HWND h : ChildWindows(parent, true)) {
        if (!className.empty() && ClassName(h) != className) continue;
        if (!text.empty() && WindowText(h) != text) continue;
        return h;
    }
    return nullptr;
}

HWND Control(HWND dialog, int controlId) { return IsWindow(dialog) ? GetDlgItem(dialog, controlId) : nullptr; }

bool IsControlEnabled(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && IsWindowEnabled(h);
}

bool IsControlVisible(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && IsVisible(h);
}

bool ClickButton(HWND button) {
    if (!IsVisible(button) || !IsWindowEnabled(button)) return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool ClickButton(HWND dialog, int controlId) { return ClickButton(Control(dialog, controlId)); }

bool IsChecked(HWND dialog, int controlId) {
    HWND h = Control(dialog, controlId);
    return h && Send(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, bool* ok) {
    DWORD_PTR result = 0;
    const bool delivered =
        SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result) != 0;
    if (ok) *ok = delivered;
    return delivered ? static_cast<LRESULT>(result) : 0;
}

bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return PostMessageA(hwnd, msg, wParam, lParam) != 0; }

bool SendDeviceInterfaceChange(HWND hwnd, WPARAM event, const std::string& devicePath, const GUID* classGuid,
                               DWORD timeoutMs) {
    static const GUID kUsbDevice = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::vector<std::uint8_t> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + devicePath.size() + 1, 0);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    b->dbcc_classguid = classGuid ? *classGuid : kUsbDevice;
    std::memcpy(b->dbcc_name, devicePath.c_str(), devicePath.size() + 1);
    bool ok = false;
    Send(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(bytes.data()), timeoutMs, &ok);
    return ok;
}

// ---------------------------------------------------------------- message boxes

HWND FindMessageBox(const std::string& caption, DWORD pid) {
    // Visible: a box that is still being built has its controls but cannot be answered yet.
    for (HWND h : FindTopWindows({"#32770", caption, pid, true}))
        if (GetDlgItem(h, 0xFFFF)) return h;
    return nullptr;
}

HWND WaitMessageBox(const std::string& caption, DWORD timeoutMs, DWORD pid) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox(caption, pid)) != nullptr; }, timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box) { return ControlText(box, 0xFFFF); }

bool AnswerMessageBox(HWND box, int buttonId, DWORD timeoutMs) {
    if (!WaitUntil([&] { return IsVisible(Control(box, buttonId)) && IsControlEnabled(box, buttonId); }, timeoutMs))
        return false;
    return ClickButton(box, buttonId) && WaitGone(box, timeoutMs);
}

// ---------------------------------------------------------------- tray

HWND TrayWindow() { return FindTopWindow({"__winex11_standalone_tray", "", 0, false}); }

int TrayIconCount() {
    HWND tray = TrayWindow();
    if (!tray) return 0;
    int n = 0;
    for (HWND h : ChildWindows(tray))
        if (ClassName(h) == "__winex11_tray_icon") ++n;
    return n;
}

bool WaitTrayIconCount(int count, DWORD timeoutMs) {
    return WaitUntil([&] { return TrayIconCount() == count; }, timeoutMs);
}

// ---------------------------------------------------------------- popup menus

HWND WaitPopupMenu(DWORD timeoutMs, DWORD pid) { return WaitWindow({"#32768", "", pid, true}, timeoutMs); }

bool ChoosePopupItem(HWND menu, int downPresses) {
    if (!IsWindow(menu)) return false;
    bool ok = true;
    for (int i = 0; i < downPresses; ++i) {
        ok = Post(menu, WM_KEYDOWN, VK_DOWN, 1) && ok;
        ok = Post(menu, WM_KEYUP, VK_DOWN, 0xC0000001) && ok;
    }
    ok = Post(menu, WM_KEYDOWN, VK_RETURN, 1) && ok;
    ok = Post(menu, WM_KEYUP, VK_RETURN, 0xC0000001) && ok;
    return ok;
}

}  // namespace bench
