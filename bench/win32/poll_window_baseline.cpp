// The floor of a status poll: a bare hidden window that answers each poll
// message with the platform calls one poll of an unchanged queue makes (the
// published port from the spooler's registry key, the queue record and its
// jobs from the spooler) and nothing else. poll_cost_bench delivers the same
// messages to it as to the monitor; what the monitor costs beyond this is
// what its own code adds. Ends on WM_CLOSE.
#include "catalogue/Catalogue.h"
#include "common/Handles.h"

#include <windows.h>
#include <winspool.h>

#include <string>

namespace {

constexpr UINT kStatusPoll = WM_USER + 258;
constexpr DWORD kMaxPortValueBytes = 64 * 1024;

pw::unique_printer g_printer;
std::string g_portKey;

void PollCalls() {
    {
        pw::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, g_portKey.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS) {
            DWORD type = REG_MULTI_SZ, size = 0;
            if (RegQueryValueExA(key.get(), "portName", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                size <= kMaxPortValueBytes) {
                pw::heap_buffer value(size);
                DWORD got = size;
                if (value) RegQueryValueExA(key.get(), "portName", nullptr, &type, value.get(), &got);
            }
        }
    }
    DWORD needed = 0;
    GetPrinterA(g_printer.get(), 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2A)) return;
    pw::heap_buffer info(needed);
    if (!info || !GetPrinterA(g_printer.get(), 2, info.get(), needed, &needed)) return;
    const DWORD jobs = info.as<PRINTER_INFO_2A>()->cJobs;
    DWORD jobBytes = 0, count = 0;
    EnumJobsA(g_printer.get(), 0, jobs, 2, nullptr, 0, &jobBytes, &count);
    pw::heap_buffer jobBuffer(jobBytes);
    if (jobBuffer) EnumJobsA(g_printer.get(), 0, jobs, 2, jobBuffer.get(), jobBytes, &jobBytes, &count);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kStatusPoll: PollCalls(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::string name = catalogue::ModelName;
    g_portKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name + "\\DsSpooler";
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(&name[0], g_printer.put(), &defaults)) return 1;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "PwPollFloor";
    if (!RegisterClassA(&wc)) return 1;
    pw::unique_hwnd window(CreateWindowExA(0, wc.lpszClassName, "Poll floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                           CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr));
    if (!window) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    window.release();  // destroyed by DefWindowProc's WM_CLOSE
    return 0;
}
