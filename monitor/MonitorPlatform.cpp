#include "monitor/MonitorPlatform.h"

#include "common/Handles.h"
#include "monitor/core/Display.h"
#include "monitor/core/PortRules.h"

#include <winspool.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace monitor {

namespace {
// A published port value larger than this is not a port name; reading stops there.
constexpr DWORD kMaxPortValueBytes = 64 * 1024;
}  // namespace

PortRecordResult ReadQueuePort(HANDLE printer, std::string& portName) {
    BYTE probe[10] = {};
    DWORD needed = 0;
    if (GetPrinterA(printer, 5, probe, sizeof probe, &needed)) {
        // The record cannot fit 10 bytes; a spooler that says it does gave nothing usable.
        return PortRecordResult::ProbeFailed;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return PortRecordResult::ProbeFailed;
    std::printf("Allocating a buffer of size %d\n", static_cast<int>(needed));
    if (needed < sizeof(PRINTER_INFO_5A)) return PortRecordResult::ProbeFailed;
    pw::heap_buffer record(needed);
    if (!record) {
        std::printf("Can't get memory for new data buffer\n");
        return PortRecordResult::NoMemory;
    }
    DWORD got = 0;
    if (!GetPrinterA(printer, 5, record.get(), needed, &got)) return PortRecordResult::ReadFailed;
    const auto* info = record.as<PRINTER_INFO_5A>();
    const char* port = info->pPortName;
    const char* begin = reinterpret_cast<const char*>(record.get());
    const char* end = begin + record.size();
    if (port && port >= begin && port < end) {
        // Within the record: take the name up to its terminator or the record's end.
        std::size_t len = strnlen(port, static_cast<std::size_t>(end - port));
        portName.assign(port, len);
    } else if (port) {
        portName = port;   // the spooler may point outside the block it filled
    } else {
        portName.clear();
    }
    return PortRecordResult::Ok;
}

bool QueryQueue(HANDLE printer, QueueSnapshot& snapshot) {
    DWORD needed = 0;
    if (!GetPrinterA(printer, 2, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    if (needed < sizeof(PRINTER_INFO_2A)) return false;
    pw::heap_buffer printerRecord(needed);
    if (!printerRecord) return false;
    if (!GetPrinterA(printer, 2, printerRecord.get(), needed, &needed)) return false;
    const auto* info = printerRecord.as<PRINTER_INFO_2A>();

    DWORD jobBytes = 0, returned = 0;
    if (!EnumJobsA(printer, 0, info->cJobs, 2, nullptr, 0, &jobBytes, &returned) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    pw::heap_buffer jobs(jobBytes);
    if (!jobs) return false;
    std::memset(jobs.get(), 0, jobs.size());
    returned = 0;
    if (!EnumJobsA(printer, 0, info->cJobs, 2, jobs.get(), jobBytes, &jobBytes, &returned)) return false;

    snapshot.printerStatus = static_cast<std::int32_t>(info->Status);
    snapshot.jobStatuses = ReadJobStatuses(jobs.get(), jobs.size(), returned, sizeof(JOB_INFO_2A),
                                           offsetof(JOB_INFO_2A, Status));
    return true;
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
    return reinterpret_cast<HCURSOR>(CreateIconFromResource(bits, size, FALSE, 0x00030000));
}

pw::unique_hicon LoadTrayIcon(HINSTANCE instance, int resourceId) {
    // Without LR_SHARED every load is a new icon; the resource's 16 x 16 image
    // is picked instead of the large one scaled down.
    return pw::unique_hicon(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                                          GetSystemMetrics(SM_CXSMICON),
                                                          GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
}

void SweepNotificationArea() {
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr);
    HWND notify = tray ? FindWindowExA(tray, nullptr, "TrayNotifyWnd", nullptr) : nullptr;
    HWND pager = notify ? FindWindowExA(notify, nullptr, "SysPager", nullptr) : nullptr;
    HWND toolbar = pager ? FindWindowExA(pager, nullptr, "ToolbarWindow32", nullptr) : nullptr;
    if (!toolbar) return;
    RECT rc = {};
    GetClientRect(toolbar, &rc);
    for (std::uint32_t point : SweepPoints(rc.right, rc.bottom))
        SendMessageA(toolbar, WM_MOUSEMOVE, 0, static_cast<LPARAM>(point));
}

}  // namespace monitor
