#include "testbed/Fixture.h"

#include "common/Handles.h"

#include <setupapi.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>

namespace fixture {

namespace {

// {28d78fad-5a12-11d1-ae5b-0000f803a8c2}: USB printer interfaces.
const GUID kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
// {36fc9e60-c465-11cf-8056-444553540000}: the USB device setup class.
const GUID kUsbSetupClass = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char kDeviceClassesKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\";
const char kDriverName[] = "Fixture Test Driver";

// Registry calls return their error instead of setting it; it is set here so
// that every failure reads the same way.
bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    pw::unique_hkey key;
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (rc == ERROR_SUCCESS) rc = RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

bool SetValue(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    return SetValue(HKEY_LOCAL_MACHINE, path, name, type, data, size);
}

bool SetDword(const std::string& path, const char* name, DWORD value) {
    return SetValue(path, name, REG_DWORD, &value, sizeof value);
}

std::optional<DWORD> GetDword(const std::string& path, const char* name) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

// A value's bytes, refused past `limit`; nullopt when missing or of another type.
std::optional<std::string> GetBytes(const std::string& path, const char* name, DWORD wantedType, DWORD limit = 4096) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
        size > limit)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (size != 0 &&
        RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

std::string LastErrorText(const std::string& step) {
    const DWORD code = GetLastError();  // before anything else can change it
    return step + " failed, error " + std::to_string(code);
}

bool RegisterDriverService(const std::string& image, std::string& error) {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        error = LastErrorText("OpenSCManagerA");
        return false;
    }
    pw::unique_service service(CreateServiceA(manager.get(), HWI_SERVICE_NAME, HWI_SERVICE_NAME, SERVICE_ALL_ACCESS,
                                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) return true;
    if (GetLastError() != ERROR_SERVICE_EXISTS) {
        error = LastErrorText("CreateServiceA");
        return false;
    }
    // Registered by an earlier run: make sure it points at the test build.
    service.reset(OpenServiceA(manager.get(), HWI_SERVICE_NAME, SERVICE_CHANGE_CONFIG));
    if (!service ||
        !ChangeServiceConfigA(service.get(), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
        error = LastErrorText("ChangeServiceConfigA");
        return false;
    }
    return true;
}

bool EnsureDriver() { return AddDriverRecord(kDriverName, "test.gpd"); }

}  // namespace

// ---------------------------------------------------------------- port driver

std::string DriverImagePath() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "C:\\windows\\system32\\drivers\\hwinterface_test.sys";
    return std::string(dir) + "\\drivers\\hwinterface_test.sys";
}

bool InstallTestDriver(const std::string& sourceImage, std::string& error) {
    const std::string image = DriverImagePath();
    if (!CopyFileA(sourceImage.c_str(), image.c_str(), FALSE)) {
        // A loaded driver's file cannot be replaced (32); an earlier run left the same one.
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const DWORD code = GetLastError();
            error = "copying " + sourceImage + " to " + image + " failed, error " + std::to_string(code);
            return false;
        }
    }
    return RegisterDriverService(image, error);
}

bool SetStatusRegister(DWORD value) { return SetDword(kServiceKey, kStatusValue, value); }

std::optional<DWORD> ReadStatusRegister() { return GetDword(kServiceKey, kStatusValue); }

// ---------------------------------------------------------------- parallel port

std::vector<unsigned char> PortResources(std::uint32_t start) {
    std::vector<unsigned char> b(36, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    put32(0, 1);       // one full descriptor
    put32(4, 1);       // interface type Isa
    put32(8, 0);       // bus 0
    b[12] = 1;         // version 1
    b[14] = 1;         // revision 1
    put32(16, 1);      // one partial descriptor
    b[20] = 1;         // CmResourceTypePort
    b[21] = 1;         // device exclusive
    b[22] = 1;         // CM_RESOURCE_PORT_IO
    put32(24, start);  // start, low half
    put32(32, 8);      // length
    return b;
}

bool PlantResources(const std::string& deviceInstance, std::uint32_t start) {
    const std::vector<unsigned char> resources = PortResources(start);
    return SetValue(std::string(kEnumKey) + deviceInstance + "\\Control", "AllocConfig", REG_RESOURCE_LIST,
                    resources.data(), static_cast<DWORD>(resources.size()));
}

bool PlayParallelPort(std::uint32_t start) {
    const std::vector<unsigned char> resources = PortResources(start);
    return SetValue(kServiceKey, "ParallelPorts", REG_RESOURCE_LIST, resources.data(),
                    static_cast<DWORD>(resources.size()));
}

bool SwitchInWmiProvider(const std::string& providerDll) {
    // The serial port comes first: a search that is not for a parallel port's
    // own name finds it, and its resource list would give an address.
    const std::string rows = std::string("Communications Port (COM1)\t") + kComDevice + '\0' +
                             "ECP Printer Port (LPT1)\t" + kLptDevice + std::string(2, '\0');
    return SetValue(HKEY_CLASSES_ROOT, kLocatorServerKey, "", REG_SZ, providerDll.c_str(),
                    static_cast<DWORD>(providerDll.size() + 1)) &&
           SetValue(kWmiRowsKey, "Rows", REG_MULTI_SZ, rows.data(), static_cast<DWORD>(rows.size()));
}

bool InstallStandIns(const std::string& driverImageSource, const std::string& wmiProvider, const std::string& queueName,
                     std::string& error) {
    if (!InstallTestDriver(driverImageSource, error)) return false;
    // The printer is on and ready until told otherwise, unless an earlier run set a state.
    if (!ReadStatusRegister() && !SetStatusRegister(kReadyStatus)) {
        error = LastErrorText("writing the status register value");
        return false;
    }
    std::string device = "(LPT1)";
    if (!wmiProvider.empty()) {
        if (GetFileAttributesA(wmiProvider.c_str()) == INVALID_FILE_ATTRIBUTES) {
            error = "no WMI provider at " + wmiProvider;
            return false;
        }
        if (!SwitchInWmiProvider(wmiProvider)) {
            error = LastErrorText("switching in the WMI provider");
            return false;
        }
        device = kLptDevice;
    }
    if (!PlantResources(device, 0x378) || !PlayParallelPort(0x378)) {
        error = LastErrorText("writing LPT1's resource list");
        return false;
    }
    if (!PlantDatatype(queueName)) {
        error = LastErrorText("writing the queue's data type");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- queues

bool AddDriverRecord(const std::string& name, const std::string& gpd, const std::string& dependentFiles) {
    std::string n = name, env = "Windows NT x86", path = "unidrv.dll", data = gpd, config = "unidrvui.dll",
                help = "unidrv.hlp", dependent = dependentFiles;
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = &n[0];
    info.pEnvironment = &env[0];
    info.pDriverPath = &path[0];
    info.pDataFile = &data[0];
    info.pConfigFile = &config[0];
    info.pHelpFile = &help[0];
    info.pDependentFiles = dependent.empty() ? nullptr : &dependent[0];
    return AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ||
           GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
}

bool PlantDatatype(const std::string& queueName) {
    return SetValue(std::string(kPrintersKey) + queueName, "Datatype", REG_SZ, "RAW", 4);
}

bool AddQueue(const std::string& name, const std::string& port) {
    if (!EnsureDriver() || !PlantDatatype(name)) return false;
    std::string n = name, p = port, d = kDriverName, proc = "WinPrint", type = "RAW";
    PRINTER_INFO_2A info = {};
    info.pPrinterName = &n[0];
    info.pPortName = &p[0];
    info.pDriverName = &d[0];
    info.pPrintProcessor = &proc[0];
    info.pDatatype = &type[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    pw::unique_printer printer(AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    return static_cast<bool>(printer);
}

bool CreateQueue(const std::string& name, const std::string& port) {
    return AddQueue(name, port) && WritePublishedPort(name, PublishedValue(port));
}

bool MoveQueue(const std::string& name, const std::string& port) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    if (!OpenPrinterA(&n[0], printer.put(), &defaults)) return false;
    DWORD needed = 0;
    GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    pw::heap_buffer buf(needed);
    if (!buf || !GetPrinterA(printer.get(), 2, buf.get(), needed, &needed)) return false;
    auto* info = buf.as<PRINTER_INFO_2A>();
    std::string p = port;
    info->pPortName = &p[0];
    info->pSecurityDescriptor = nullptr;
    return SetPrinterA(printer.get(), 2, buf.get(), 0) != FALSE;
}

bool ChangeQueuePort(const std::string& name, const std::string& port) {
    return MoveQueue(name, port) && WritePublishedPort(name, PublishedValue(port));
}

bool DeleteQueue(const std::string& name) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    if (!OpenPrinterA(&n[0], printer.put(), &defaults)) return false;
    return DeletePrinter(printer.get()) != FALSE;
}

bool QueueExists(const std::string& name) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    return OpenPrinterA(&n[0], printer.put(), &defaults) != FALSE;
}

std::string QueuePort(const std::string& name) {
    const std::optional<std::string> port = GetBytes(std::string(kPrintersKey) + name, "Port", REG_SZ, 1024);
    if (!port) return {};
    const std::size_t end = port->find('\0');
    return end == std::string::npos ? *port : port->substr(0, end);
}

std::string PublishedValue(const std::string& port) {
    std::string value = port;
    for (char& c : value)
        if (c == ',') c = '\0';
    return value + std::string("\0\0", 2);
}

bool WritePublishedPort(const std::string& name, const std::string& bytes, DWORD type) {
    return SetValue(std::string(kPrintersKey) + name + "\\DsSpooler", "portName", type, bytes.data(),
                    static_cast<DWORD>(bytes.size()));
}

Publish PublishQueuePort(const std::string& name) {
    const std::string port = QueuePort(name);
    if (port.empty()) return Publish::NoQueue;
    const std::string wanted = PublishedValue(port);
    const std::optional<std::string> published =
        GetBytes(std::string(kPrintersKey) + name + "\\DsSpooler", "portName", REG_MULTI_SZ);
    if (published == wanted) return Publish::Unchanged;
    return WritePublishedPort(name, wanted) ? Publish::Written : Publish::Failed;
}

PortPublisher::PortPublisher(std::string queueName)
    : m_queue(std::move(queueName)), m_thread([this] {
          while (!m_stop) {
              PublishQueuePort(m_queue);
              Sleep(20);
          }
      }) {}

PortPublisher::~PortPublisher() {
    m_stop = true;
    m_thread.join();
}

// ---------------------------------------------------------------- USB printer

std::string UsbPortName(DWORD portNumber) {
    char name[16];
    std::snprintf(name, sizeof name, "USB%03lu", static_cast<unsigned long>(portNumber));
    return name;
}

bool AddUsbPort(DWORD portNumber) { return SetValue(kPortsKey, UsbPortName(portNumber).c_str(), REG_SZ, "", 1); }

std::string UsbInstanceId(const std::string& serial) { return "USB\\VID_0F3A&PID_1101\\" + serial; }

std::string UsbInterfaceControlKey(const std::string& serial) {
    return std::string(kDeviceClassesKey) + "##?#usb#vid_0f3a&pid_1101#" + serial +
           "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Control";
}

std::string UsbNotificationName(const std::string& serial) {
    return "\\\\?\\USB#VID_0F3A&PID_1101#" + serial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

bool PlugUsb(const std::string& serial, std::string& error, DWORD portNumber) {
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
    // "Device Parameters" lies beside "Control", under "#"; without "Linked"
    // the interface counts as not present.
    const std::string parameters = control.substr(0, control.size() - 7) + "Device Parameters";
    if (!SetDword(parameters, "Port Number", portNumber) || !AddUsbPort(portNumber) ||
        !SetDword(control, "Linked", 1)) {
        error = LastErrorText("writing the USB port's values");
        return false;
    }
    return true;
}

bool UnplugUsb(const std::string& serial, std::string& error) {
    if (!GetDword(UsbInterfaceControlKey(serial), "Linked")) return true;  // never plugged
    if (!SetDword(UsbInterfaceControlKey(serial), "Linked", 0)) {
        error = LastErrorText("writing Linked");
        return false;
    }
    return true;
}

bool IsUsbPlugged(const std::string& serial) { return GetDword(UsbInterfaceControlKey(serial), "Linked") == 1u; }

}  // namespace fixture
