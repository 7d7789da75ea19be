// A small program for the bench's own tests to drive: a window with controls,
// a message box behind a button, a tray icon with a popup menu.
//   bench_target.exe [tray] [exit:N]
// Controls: edit 100 ("edit text"), button 101 "Ask" (Yes/No message box
// "Bench Question"), static 102 (the last answer or menu choice), button 103
// disabled, button 104 "Tray" (toggles the icon), button 105 "Quit" (exit code 7).
// WM_DEVICECHANGE with a device interface broadcast shows "device <event> <name>"
// in static 102. The client area is painted in kPaint so a screen capture can be checked.
#include <windows.h>
#include <dbt.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kClass[] = "BenchTargetWnd";
const UINT kTrayMessage = WM_APP + 1;
const COLORREF kPaint = RGB(0x20, 0x80, 0xC0);
HBRUSH g_brush;
bool g_tray;

void SetStatus(HWND wnd, const char* text) { SetDlgItemTextA(wnd, 102, text); }

void SetTray(HWND wnd, bool on) {
    NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = wnd;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
    std::strcpy(nid.szTip, "Bench target");
    if (Shell_NotifyIconA(on ? NIM_ADD : NIM_DELETE, &nid)) g_tray = on;
}

void ShowTrayMenu(HWND wnd) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 201, "First");
    AppendMenuA(menu, MF_STRING, 202, "Second");
    AppendMenuA(menu, MF_STRING, 203, "Third");
    POINT pt{100, 100};
    SetForegroundWindow(wnd);
    const UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, wnd, nullptr);
    DestroyMenu(menu);
    const char* names[] = {"menu: none", "menu: First", "menu: Second", "menu: Third"};
    SetStatus(wnd, names[cmd >= 201 && cmd <= 203 ? cmd - 200 : 0]);
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE inst = reinterpret_cast<CREATESTRUCTA*>(lp)->hInstance;
        auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int id) {
            return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 24, wnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        };
        child("EDIT", "edit text", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 100);
        child("BUTTON", "Ask", BS_PUSHBUTTON, 10, 44, 90, 101);
        child("STATIC", "answer: none", 0, 110, 44, 200, 102);
        HWND disabled = child("BUTTON", "Disabled", BS_PUSHBUTTON, 10, 78, 90, 103);
        EnableWindow(disabled, FALSE);
        child("BUTTON", "Tray", BS_PUSHBUTTON, 110, 78, 90, 104);
        child("BUTTON", "Quit", BS_PUSHBUTTON, 210, 78, 90, 105);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 101: {
            const int r = MessageBoxA(wnd, "Line one\nLine two", "Bench Question", MB_YESNO | MB_ICONQUESTION);
            SetStatus(wnd, r == IDYES ? "answer: yes" : r == IDNO ? "answer: no" : "answer: other");
            return 0;
        }
        case 103: SetStatus(wnd, "disabled pressed"); return 0;
        case 104: SetTray(wnd, !g_tray); return 0;
        case 105: DestroyWindow(wnd); return 0;
        }
        break;
    case WM_DEVICECHANGE: {
        // Bounded: the size field must cover the header and the name must end inside it.
        const auto* b = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(lp);
        const size_t head = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
        if (!b || b->dbcc_size <= head || b->dbcc_size > 4096 || b->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
            return TRUE;
        const size_t room = b->dbcc_size - head;
        if (!memchr(b->dbcc_name, 0, room)) return TRUE;
        char text[4200];
        std::snprintf(text, sizeof text, "device %lx %08lx %s", static_cast<unsigned long>(wp),
                      static_cast<unsigned long>(b->dbcc_classguid.Data1), b->dbcc_name);
        SetStatus(wnd, text);
        return TRUE;
    }
    case kTrayMessage:
        if (lp == WM_RBUTTONUP) ShowTrayMenu(wnd);
        return 0;
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, g_brush);
        return 1;
    }
    case WM_DESTROY:
        if (g_tray) SetTray(wnd, false);
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int show) {
    // "exit:N" ends at once with code N (for tests of the runner itself).
    if (cmdLine) {
        if (const char* e = std::strstr(cmdLine, "exit:")) return std::atoi(e + 5);
        // "heap-fault" frees a heap block twice (for the heap check).
        if (std::strstr(cmdLine, "heap-fault")) {
            HANDLE heap = GetProcessHeap();
            void* block = HeapAlloc(heap, 0, 16);
            if (!block) return 2;
            HeapFree(heap, 0, block);
            HeapFree(heap, 0, block);
            return 0;
        }
    }
    g_brush = CreateSolidBrush(kPaint);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, kClass, "Bench Target", WS_OVERLAPPEDWINDOW, 40, 40, 400, 200, nullptr, nullptr, inst,
                               nullptr);
    if (!wnd) return 1;
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    if (cmdLine && std::strstr(cmdLine, "tray")) SetTray(wnd, true);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(wnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DeleteObject(g_brush);
    return static_cast<int>(msg.wParam);
}
