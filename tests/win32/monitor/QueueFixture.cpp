#include "QueueFixture.h"

#include "common/Handles.h"

#include <setupapi.h>
#include <winspool.h>

#include <vector>

namespace fixture {

namespace {

const char* const kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const char* const kDriverName = "Monitor Test Driver";

bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    pw::unique_hkey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool EnsureDriver() {
    std::string name = kDriverName, env = "Windows NT x86", path = "unidrv.dll", data = "test.gpd",
                config = "unidrvui.dll";
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = &name[0];
    info.pEnvironment = &env[0];
    info.pDriverPath = &path[0];
    info.pDataFile = &data[0];
    info.pConfigFile = &config[0];
    return AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ||
           GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
}

// The value the spooler publishes for a port: one string per port of a pooled
// queue ("LPT1:,LPT2:" gives "LPT1:\0LPT2:\0\0").
std::string PublishedValue(const std::string& port) {
    std::string value = port;
    for (char& c : value)
        if (c == ',') c = '\0';
    return value + std::string("\0\0", 2);
}

}  // namespace

bool PlantUsbPrinter(const std::string& serial) {
    const GUID usbPrint = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
    const GUID printerClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    pw::unique_hdevinfo set(SetupDiCreateDeviceInfoList(&printerClass, nullptr));
    if (!set) return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const std::string instance = "USB\\VID_0F3A&PID_1101\\" + serial;
    if (!SetupDiCreateDeviceInfoA(set.get(), instance.c_str(), &printerClass, nullptr, nullptr, 0, &device) ||
        !SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr))
        return false;
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof iface;
    if (!SetupDiCreateDeviceInterfaceA(set.get(), &device, &usbPrint, nullptr, 0, &iface)) return false;
    // Without "Linked" the interface counts as not present.
    const DWORD one = 1;
    return SetValue(HKEY_LOCAL_MACHINE,
                    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\"
                    "##?#usb#vid_0f3a&pid_1101#" + serial + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Control",
                    "Linked", REG_DWORD, &one, sizeof one);
}

bool AddUsbPort() {
    return SetValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "USB001", REG_SZ,
                    "", 1);
}

bool WritePublishedPort(const std::string& name, const std::string& bytes, DWORD type) {
    return SetValue(HKEY_LOCAL_MACHINE, std::string(kPrinters) + name + "\\DsSpooler", "portName", type,
                    bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool CreateQueue(const std::string& name, const std::string& port) {
    if (!EnsureDriver()) return false;
    // Wine cannot open a queue without a data type; Windows fills one in.
    if (!SetValue(HKEY_LOCAL_MACHINE, std::string(kPrinters) + name, "Datatype", REG_SZ, "RAW", 4)) return false;
    std::string n = name, p = port, d = kDriverName, proc = "WinPrint", type = "RAW";
    PRINTER_INFO_2A info = {};
    info.pPrinterName = &n[0];
    info.pPortName = &p[0];
    info.pDriverName = &d[0];
    info.pPrintProcessor = &proc[0];
    info.pDatatype = &type[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    pw::unique_printer printer(AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!printer) return false;
    return WritePublishedPort(name, PublishedValue(port));
}

bool ChangeQueuePort(const std::string& name, const std::string& port) {
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
    if (!SetPrinterA(printer.get(), 2, buf.get(), 0)) return false;
    return WritePublishedPort(name, PublishedValue(port));
}

bool DeleteQueue(const std::string& name) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    std::string n = name;
    if (!OpenPrinterA(&n[0], printer.put(), &defaults)) return false;
    return DeletePrinter(printer.get()) != FALSE;
}

}  // namespace fixture
