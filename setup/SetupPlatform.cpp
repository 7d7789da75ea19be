#include "setup/SetupPlatform.h"

#include "common/Handles.h"
#include "common/SizedRead.h"

namespace setup::ui {

bool Win32StartupProbe::AnotherInstanceRunning() { return m_lock.IsAlreadyRunning(); }

core::OsVersion Win32StartupProbe::Version() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;  // 148
    core::OsVersion version;
    // Without a manifest entry for later systems, 6.2 and above report 6.2.
    if (GetVersionExA(&info)) {
        version.major = info.dwMajorVersion;
        version.minor = info.dwMinorVersion;
    }
    return version;
}

bool Win32StartupProbe::RunsUnderWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    // Looked up by name: the export is missing before XP SP2, which counts as 32-bit.
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64 && !isWow64(GetCurrentProcess(), &wow64)) wow64 = FALSE;
    return wow64 != FALSE;
}

bool Win32StartupProbe::UserIsAdministrator() { return SetupIsUserAnAdmin() != FALSE; }

core::ServiceState Win32StartupProbe::Spooler() {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return core::ServiceState::Unknown;
    pw::unique_service service(OpenServiceA(manager.get(), "Spooler", SERVICE_QUERY_STATUS));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? core::ServiceState::Stopped
                                                              : core::ServiceState::Unknown;
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.get(), &status)) return core::ServiceState::Unknown;
    switch (status.dwCurrentState) {
    case SERVICE_RUNNING: return core::ServiceState::Running;
    case SERVICE_START_PENDING:
    case SERVICE_CONTINUE_PENDING: return core::ServiceState::Starting;
    case SERVICE_STOP_PENDING: return core::ServiceState::Stopping;
    case SERVICE_PAUSE_PENDING:
    case SERVICE_PAUSED: return core::ServiceState::Paused;
    default: return core::ServiceState::Stopped;
    }
}

void Win32StartupProbe::Pause(unsigned milliseconds) { Sleep(milliseconds); }

bool UseProgramFolderAsCurrentDirectory() {
    // Paths may be longer than MAX_PATH; a path cut to the buffer fills it.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], capacity);
        if (length == 0) return false;
        if (length >= capacity) continue;
        path.resize(length);
        // The folder with its separator: "C:\" stays the root, not the drive's current directory.
        const std::size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) return false;
        path.resize(slash + 1);
        return SetCurrentDirectoryW(path.c_str()) != FALSE;
    }
    return false;
}

bool EnumerateSpoolerPorts(std::vector<core::PortRecord>& ports) {
    ports.clear();
    pw::sized_limits limits;
    limits.minimum = 1;
    limits.probe = 10;
    limits.announce = true;
    DWORD count = 0;
    const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
        count = 0;
        return EnumPortsA(nullptr, 2, data, size, needed, &count);
    };
    const pw::sized_record record = pw::read_sized(call, limits);
    // Only a spooler without ports answers a 10-byte buffer.
    if (record.outcome == pw::SizedRead::Empty) return true;
    if (record.outcome != pw::SizedRead::Read) return false;
    return core::ParsePortRecords(record.buffer.get(), record.buffer.size(), count,
                                  reinterpret_cast<std::uintptr_t>(record.buffer.get()), sizeof(void*), ports);
}

std::optional<std::uint32_t> Win32UsbPortRegistry::ReadDword(const std::vector<std::string>& subkeys,
                                                             const char* valueName) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, core::kUsbPrintClassKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    for (const std::string& name : subkeys) {
        pw::unique_hkey next;
        if (RegOpenKeyExA(key.get(), name.c_str(), 0, KEY_READ, next.put()) != ERROR_SUCCESS) return std::nullopt;
        key = std::move(next);
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return std::nullopt;
    // Anything but a whole 32-bit number would leave part of the buffer unwritten.
    if (type != REG_DWORD || size != sizeof data) return std::nullopt;
    return data;
}

HDEVNOTIFY RegisterUsbDeviceArrivals(HWND window) {
    // {A5DCBF10-6530-11D2-901F-00C04FB951ED}: every USB device interface.
    static const GUID kUsbDeviceClass = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;  // 32
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceClass;
    return RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

}  // namespace setup::ui
