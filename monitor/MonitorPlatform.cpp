#include "monitor/MonitorPlatform.h"

#include "common/Handles.h"
#include "common/SizedRead.h"
#include "monitor/core/Display.h"
#include "monitor/core/PortRules.h"
#include "monitor/core/Startup.h"

#include <winspool.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace monitor {

namespace {
// A published port value larger than this is not a port name; reading stops there.
constexpr DWORD kMaxPortValueBytes = 64 * 1024;
}  // namespace

PortRecordResult ReadQueuePort(HANDLE printer, std::string& portName) {
    pw::sized_limits limits;
    limits.minimum = sizeof(PRINTER_INFO_5A);
    limits.probe = 10;
    limits.announce = true;
    const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterA(printer, 5, data, size, needed);
    };
    const pw::sized_record record = pw::read_sized(call, limits);
    switch (record.outcome) {
    case pw::SizedRead::Read: break;
    case pw::SizedRead::NoMemory: return PortRecordResult::NoMemory;
    case pw::SizedRead::ReadFailed: return PortRecordResult::ReadFailed;
    // The record cannot fit 10 bytes; a spooler that says it does gave nothing usable.
    case pw::SizedRead::Empty:
    case pw::SizedRead::ProbeFailed: return PortRecordResult::ProbeFailed;
    }
    const auto* info = record.buffer.as<PRINTER_INFO_5A>();
    const char* port = info->pPortName;
    const char* begin = reinterpret_cast<const char*>(record.buffer.get());
    const char* end = begin + record.buffer.size();
    if (port && port >= begin && port < end) {
        // Within the record: take the name up to its terminator or the record's end.
        std::size_t len = strnlen(port, static_cast<std::size_t>(end - port));
        portName.assign(port, len);
    } else if (port) {
        portName = port;  // the spooler may point outside the block it filled
    } else {
        portName.clear();
    }
    return PortRecordResult::Ok;
}

namespace {
// The error of a read that ended without its record: the last call's, or
// (a record that kept growing, an unlikely size) one of our own.
std::uint32_t ReadError(const pw::sized_record& record) {
    return record.error != ERROR_SUCCESS ? record.error : ERROR_INVALID_DATA;
}
}  // namespace

std::uint32_t QueryQueue(HANDLE printer, QueueSnapshot& snapshot) {
    pw::sized_limits printerLimits;
    printerLimits.minimum = sizeof(PRINTER_INFO_2A);
    const auto readPrinter = [&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterA(printer, 2, data, size, needed);
    };
    const pw::sized_record printerRecord = pw::read_sized(readPrinter, printerLimits);
    if (printerRecord.outcome != pw::SizedRead::Read) return ReadError(printerRecord);
    const auto* info = printerRecord.buffer.as<PRINTER_INFO_2A>();

    DWORD returned = 0;
    const auto readJobs = [&](BYTE* data, DWORD size, DWORD* needed) {
        returned = 0;
        return EnumJobsA(printer, 0, info->cJobs, 2, data, size, needed, &returned);
    };
    const pw::sized_record jobs = pw::read_sized(readJobs);
    // An enumeration that fails without an error and without a size has
    // said nothing (Wine's stub answers so): no jobs, not a failed read.
    const bool jobsRead = jobs.outcome == pw::SizedRead::Read;
    if (!jobsRead && jobs.outcome != pw::SizedRead::Empty && jobs.error != ERROR_SUCCESS) return ReadError(jobs);

    snapshot.printerStatus = static_cast<std::int32_t>(info->Status);
    snapshot.jobStatuses = !jobsRead ? std::vector<std::int32_t>()
                                     : ReadJobStatuses(jobs.buffer.get(), jobs.buffer.size(), returned,
                                                       sizeof(JOB_INFO_2A), offsetof(JOB_INFO_2A, Status));
    return ERROR_SUCCESS;
}

bool PublishedPortDiffers(const std::string& queueName, const std::string& watchedPort) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + queueName + "\\DsSpooler";
    pw::unique_hkey key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key.put());
    // A standard user may not open the spooler's key for writing, but reading
    // is all this needs; without it a port change would never be seen.
    if (opened == ERROR_ACCESS_DENIED)
        opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS) return PortDiffers(false, false, nullptr, 0, watchedPort);

    // Size first, then the whole value; a value that grows in between is read again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD type = REG_MULTI_SZ;
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), "portName", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            size > kMaxPortValueBytes)
            break;
        pw::heap_buffer value(size);
        if (!value) break;
        DWORD got = size;
        LONG rc = RegQueryValueExA(key.get(), "portName", nullptr, &type, value.get(), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        return PortDiffers(true, true, value.get(), got < size ? got : size, watchedPort);
    }
    return PortDiffers(true, false, nullptr, 0, watchedPort);
}

HCURSOR LoadAnimatedCursor(HINSTANCE instance, int resourceId) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), "ANICURSORS");
    if (!found) return nullptr;
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    if (!loaded || size == 0) return nullptr;
    auto* bits = static_cast<PBYTE>(LockResource(loaded));
    if (!bits) return nullptr;
    // Not LR_SHARED (which CreateIconFromResource implies): the cursor is ours
    // to destroy; the default cursor size, as CreateIconFromResource gives.
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(bits, size, FALSE, 0x00030000, 0, 0, LR_DEFAULTCOLOR | LR_DEFAULTSIZE));
}

pw::unique_hicon LoadTrayIcon(HINSTANCE instance, int resourceId) {
    // Without LR_SHARED every load is a new icon; the resource's 16 x 16 image
    // is picked instead of the large one scaled down.
    return pw::unique_hicon(
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
}

namespace {

void SweepToolbar(HWND toolbar) {
    if (!toolbar) return;
    RECT rc = {};
    GetClientRect(toolbar, &rc);
    for (std::uint32_t point : SweepPoints(rc.right, rc.bottom))
        SendMessageA(toolbar, WM_MOUSEMOVE, 0, static_cast<LPARAM>(point));
}

}  // namespace

void SweepNotificationArea() {
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr);
    HWND notify = tray ? FindWindowExA(tray, nullptr, "TrayNotifyWnd", nullptr) : nullptr;
    HWND pager = notify ? FindWindowExA(notify, nullptr, "SysPager", nullptr) : nullptr;
    SweepToolbar(pager ? FindWindowExA(pager, nullptr, "ToolbarWindow32", nullptr) : nullptr);
    // Windows 7 keeps the icons the user hid in a window of their own.
    HWND overflow = FindWindowExA(nullptr, nullptr, "NotifyIconOverflowWindow", nullptr);
    SweepToolbar(overflow ? FindWindowExA(overflow, nullptr, "ToolbarWindow32", nullptr) : nullptr);
}

namespace {

void CentreIfOffScreen(HWND window) {
    // A minimised window has its place only once it is restored.
    if (IsIconic(window) || MonitorFromWindow(window, MONITOR_DEFAULTTONULL)) return;
    RECT work = {}, place = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &place);
    const LONG width = place.right - place.left, height = place.bottom - place.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ShowOnScreen(HWND window, int showCommand) {
    CentreIfOffScreen(window);
    ShowWindow(window, showCommand);
    CentreIfOffScreen(window);
}

void PopUpWithoutActivating(HWND window) {
    // SW_SHOWNOACTIVATE restores a minimised window too. Topmost and back
    // raises the window above the others without the activation the
    // foreground lock would refuse; it does not stay topmost.
    ShowOnScreen(window, SW_SHOWNOACTIVATE);
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}

bool UseProgramFolderAsCurrentDirectory() {
    // Paths may be longer than MAX_PATH; the answer is cut to the buffer.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::string path(capacity, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, &path[0], capacity);
        if (length == 0) return false;
        if (length >= capacity) continue;
        path.resize(length);
        const std::string folder = ProgramFolder(path);
        return !folder.empty() && SetCurrentDirectoryA(folder.c_str()) != FALSE;
    }
    return false;
}

}  // namespace monitor
