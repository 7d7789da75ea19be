#include "tools/sim/Sim.h"

#include "common/Handles.h"

#include <dbt.h>
#include <setupapi.h>

#include <cstring>

namespace sim {

namespace {

// {28d78fad-5a12-11d1-ae5b-0000f803a8c2}: USB printer interfaces.
const GUID kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
// {36fc9e60-c465-11cf-8056-444553540000}: the USB device setup class.
const GUID kUsbSetupClass = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char kDeviceClassesKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\";
const char kSetupCaption[] = "ZYKE Printer Driver - Setup";

// Registry calls return their error instead of setting it; it is set here so
// that every failure reads the same way.
bool SetValue(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    pw::unique_hkey key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr);
    if (rc == ERROR_SUCCESS) rc = RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

bool SetDword(const std::string& path, const char* name, DWORD value) {
    return SetValue(path, name, REG_DWORD, &value, sizeof value);
}

std::optional<DWORD> GetDword(const std::string& path, const char* name) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

// A value's bytes, refused past `limit`; nullopt when missing or of another type.
std::optional<std::string> GetBytes(const std::string& path, const char* name, DWORD wantedType,
                                    DWORD limit = 4096) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
        size > limit)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (size != 0 &&
        RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
            ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

std::string LastErrorText(const std::string& step) {
    const DWORD code = GetLastError();   // before anything else can change it
    return step + " failed, error " + std::to_string(code);
}

bool RegisterDriverService(const std::string& image, std::string& error) {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        error = LastErrorText("OpenSCManagerA");
        return false;
    }
    pw::unique_service service(CreateServiceA(manager.get(), "hwinterface", "hwinterface", SERVICE_ALL_ACCESS,
                                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) return true;
    if (GetLastError() != ERROR_SERVICE_EXISTS) {
        error = LastErrorText("CreateServiceA");
        return false;
    }
    // Registered by an earlier run: make sure it points at the test build.
    service.reset(OpenServiceA(manager.get(), "hwinterface", SERVICE_CHANGE_CONFIG));
    if (!service || !ChangeServiceConfigA(service.get(), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                          SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr, nullptr, nullptr,
                                          nullptr, nullptr)) {
        error = LastErrorText("ChangeServiceConfigA");
        return false;
    }
    return true;
}

// Splits a REG_MULTI_SZ's bytes into its first string (the published port is one name).
std::string FirstString(const std::string& multi) {
    const std::size_t end = multi.find('\0');
    return end == std::string::npos ? multi : multi.substr(0, end);
}

}  // namespace

std::string DriverImagePath() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "C:\\windows\\system32\\drivers\\hwinterface_test.sys";
    return std::string(dir) + "\\drivers\\hwinterface_test.sys";
}

std::vector<unsigned char> ParallelResources() {
    std::vector<unsigned char> b(36, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    put32(0, 1);         // one full descriptor
    put32(4, 1);         // interface type Isa
    put32(8, 0);         // bus 0
    b[12] = 1;           // version 1
    b[14] = 1;           // revision 1
    put32(16, 1);        // one partial descriptor
    b[20] = 1;           // CmResourceTypePort
    b[21] = 1;           // device exclusive
    b[22] = 1;           // CM_RESOURCE_PORT_IO
    put32(24, 0x378);    // start, low half
    put32(32, 8);        // length
    return b;
}

bool InstallStandIns(const std::string& driverImageSource, const std::string& wmiProvider,
                     const std::string& queueName, std::string& error) {
    const std::string image = DriverImagePath();
    if (!CopyFileA(driverImageSource.c_str(), image.c_str(), FALSE)) {
        // A loaded driver's file cannot be replaced (32); an earlier run left the same one.
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const DWORD code = GetLastError();
            error = "copying " + driverImageSource + " to " + image + " failed, error " + std::to_string(code);
            return false;
        }
    }
    if (!RegisterDriverService(image, error)) return false;
    // The printer is on and ready until told otherwise, unless an earlier run set a state.
    if (!ReadStatusRegister() && !SetState(kStates[0])) {
        error = LastErrorText("writing the status register value");
        return false;
    }
    std::string device = "(LPT1)";
    if (!wmiProvider.empty()) {
        if (GetFileAttributesA(wmiProvider.c_str()) == INVALID_FILE_ATTRIBUTES) {
            error = "no WMI provider at " + wmiProvider;
            return false;
        }
        pw::unique_hkey server;
        LONG rc = ERROR_SUCCESS;
        const std::string rows = std::string("Communications Port (COM1)\tACPI\\PNP0501\\1") + '\0' +
                                 "ECP Printer Port (LPT1)\t" + kLptDevice + std::string(2, '\0');
        if ((rc = RegCreateKeyExA(HKEY_CLASSES_ROOT, kLocatorServerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  server.put(), nullptr)) != ERROR_SUCCESS ||
            (rc = RegSetValueExA(server.get(), "", 0, REG_SZ, reinterpret_cast<const BYTE*>(wmiProvider.c_str()),
                                 static_cast<DWORD>(wmiProvider.size() + 1))) != ERROR_SUCCESS ||
            !SetValue(kWmiRowsKey, "Rows", REG_MULTI_SZ, rows.data(), static_cast<DWORD>(rows.size()))) {
            if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
            error = LastErrorText("switching in the WMI provider");
            return false;
        }
        device = kLptDevice;
    }
    const std::vector<unsigned char> resources = ParallelResources();
    if (!SetValue(std::string(kEnumKey) + device + "\\Control", "AllocConfig", REG_RESOURCE_LIST, resources.data(),
                  static_cast<DWORD>(resources.size()))) {
        error = LastErrorText("writing LPT1's resource list");
        return false;
    }
    // Wine cannot open a queue without a data type; Windows fills one in.
    if (!SetValue(std::string(kPrintersKey) + queueName, "Datatype", REG_SZ, "RAW", 4)) {
        error = LastErrorText("writing the queue's data type");
        return false;
    }
    return true;
}

bool SetState(const StateInfo& state) { return SetDword(kServiceKey, kStatusValue, state.status); }

std::optional<DWORD> ReadStatusRegister() { return GetDword(kServiceKey, kStatusValue); }

std::string QueuePort(const std::string& queueName) {
    const std::optional<std::string> port = GetBytes(std::string(kPrintersKey) + queueName, "Port", REG_SZ, 1024);
    return port ? FirstString(*port) : std::string();
}

Publish PublishQueuePort(const std::string& queueName) {
    const std::string port = QueuePort(queueName);
    if (port.empty()) return Publish::NoQueue;
    const std::string ds = std::string(kPrintersKey) + queueName + "\\DsSpooler";
    const std::optional<std::string> published = GetBytes(ds, "portName", REG_MULTI_SZ);
    if (published && FirstString(*published) == port) return Publish::Unchanged;
    const std::string multi = port + std::string("\0\0", 2);
    return SetValue(ds, "portName", REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size())) ? Publish::Written
                                                                                               : Publish::Failed;
}

std::string UsbInstanceId(const std::string& serial) { return "USB\\VID_0F3A&PID_1101\\" + serial; }

std::string UsbInterfaceControlKey(const std::string& serial) {
    return std::string(kDeviceClassesKey) + "##?#usb#vid_0f3a&pid_1101#" + serial +
           "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Control";
}

std::string UsbNotificationName(const std::string& serial) {
    return "\\\\?\\USB#VID_0F3A&PID_1101#" + serial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

bool PlugUsb(const std::string& serial, std::string& error) {
    pw::unique_hdevinfo set(SetupDiCreateDeviceInfoList(&kUsbSetupClass, nullptr));
    if (!set) {
        error = LastErrorText("SetupDiCreateDeviceInfoList");
        return false;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const std::string instance = UsbInstanceId(serial);
    if (SetupDiCreateDeviceInfoA(set.get(), instance.c_str(), &kUsbSetupClass, nullptr, nullptr, 0, &device)) {
        if (!SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) {
            error = LastErrorText("SetupDiRegisterDeviceInfo");
            return false;
        }
    } else if (GetLastError() != ERROR_DEVINST_ALREADY_EXISTS ||
               !SetupDiOpenDeviceInfoA(set.get(), instance.c_str(), nullptr, 0, &device)) {
        error = LastErrorText("SetupDiCreateDeviceInfoA");
        return false;
    }
    SP_DEVICE_INTERFACE_DATA itf = {};
    itf.cbSize = sizeof itf;
    if (!SetupDiCreateDeviceInterfaceA(set.get(), &device, &kUsbPrintInterface, nullptr, 0, &itf)) {
        error = LastErrorText("SetupDiCreateDeviceInterfaceA");
        return false;
    }
    const std::string control = UsbInterfaceControlKey(serial);
    // "Device Parameters" lies beside "Control", under "#".
    const std::string parameters = control.substr(0, control.size() - 7) + "Device Parameters";
    if (!SetDword(parameters, "Port Number", 1) || !SetValue(kPortsKey, kUsbPort, REG_SZ, "", 1) ||
        !SetDword(control, "Linked", 1)) {
        error = LastErrorText("writing the USB port's values");
        return false;
    }
    return true;
}

bool UnplugUsb(const std::string& serial, std::string& error) {
    if (!GetDword(UsbInterfaceControlKey(serial), "Linked")) return true;   // never plugged
    if (!SetDword(UsbInterfaceControlKey(serial), "Linked", 0)) {
        error = LastErrorText("writing Linked");
        return false;
    }
    return true;
}

bool IsUsbPlugged(const std::string& serial) { return GetDword(UsbInterfaceControlKey(serial), "Linked") == 1u; }

int SendUsbBroadcast(const std::vector<HWND>& windows, bool arrival, const std::string& serial) {
    const std::string name = UsbNotificationName(serial);
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + name.size() + 1, 0);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    b->dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::memcpy(b->dbcc_name, name.c_str(), name.size() + 1);
    int delivered = 0;
    for (HWND window : windows) {
        // Sent, not posted: the broadcast is copied only for a sent message. The
        // installer's arrival handler runs the whole installation and its result
        // message before it returns; a time-out then still means it was handed over.
        DWORD_PTR result = 0;
        SetLastError(ERROR_SUCCESS);
        if (SendMessageTimeoutA(window, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                reinterpret_cast<LPARAM>(bytes.data()), SMTO_NORMAL, 3000, &result) ||
            GetLastError() == ERROR_TIMEOUT)
            ++delivered;
    }
    return delivered;
}

namespace {

struct WindowSearch {
    const std::string* monitorCaption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectNotificationWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    char cls[16] = {}, caption[128] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return TRUE;
    GetWindowTextA(hwnd, caption, sizeof caption);
    // The monitor's status window is registered while hidden; of the installer's
    // dialogs only the one on screen (the USB connection dialog) listens.
    const bool shown = (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (*search->monitorCaption == caption || (shown && std::strcmp(caption, kSetupCaption) == 0))
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> NotificationWindows(const std::string& monitorCaption) {
    WindowSearch search{&monitorCaption, {}};
    EnumWindows(&CollectNotificationWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace sim
