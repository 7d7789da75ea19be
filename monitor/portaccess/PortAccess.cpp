// The Win32 shell of the port-I/O driver client: the service manager, the
// driver image, the device and the two control codes.
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/ServiceCalls.h"

#include "common/Handles.h"
#include "monitor/portaccess/core/ParallelStatus.h"
#include "monitor/portaccess/core/ServiceControl.h"

int PortAccessMode = 0;
pw::unique_file PortDriverHandle;
unsigned long StatusPortAddress = 0;
std::string LptDeviceId;

PortDriverServiceCalls& PortDriverServices() {
    static PortDriverServiceCalls calls = {&OpenSCManagerA, &CreateServiceA, &OpenServiceA, &StartServiceA};
    return calls;
}

namespace {

// The last request on PortDriverHandle failed (the driver stopped, or refused it).
bool PortDriverFailed = false;

constexpr char kServiceName[] = HWI_SERVICE_NAME;
constexpr char kDevicePath[] = HWI_DEVICE_PATH;
constexpr char kImagePathOfService[] = "System32\\Drivers\\" HWI_IMAGE_NAME;
constexpr char kImageFileSuffix[] = "\\Drivers\\" HWI_IMAGE_NAME;
constexpr WORD kDriverResourceId = 164;

class Win32VersionQuery : public portaccess::VersionQuery {
public:
    bool GetVersion(unsigned long recordSize, unsigned long& platformId) override {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = recordSize;
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
        platformId = info.dwPlatformId;
        return true;
    }
};

// The real service manager, service and device. Each answer is given with
// the handles of the service manager it opened already closed (the service
// before its manager); the device handle is the one of PortDriverHandle.
class Win32PortDriver : public portaccess::PortDriverControl {
public:
    portaccess::StartAnswer Start(portaccess::ManagerAccess access) override {
        pw::unique_service manager;
        switch (OpenManager(access, manager)) {
        case ManagerOpen::Denied: return portaccess::StartAnswer::ManagerDenied;
        case ManagerOpen::Failed: return portaccess::StartAnswer::ManagerFailed;
        case ManagerOpen::Ok: break;
        }
        pw::unique_service service(PortDriverServices().openService(manager.get(), kServiceName, GENERIC_EXECUTE));
        if (!service) return portaccess::StartAnswer::NoService;
        return PortDriverServices().startService(service.get(), 0, nullptr) != FALSE ? portaccess::StartAnswer::Started
                                                                                     : portaccess::StartAnswer::Refused;
    }

    portaccess::RegisterAnswer Register() override {
        WriteDriverImage();
        pw::unique_service manager;
        switch (OpenManager(portaccess::ManagerAccess::Full, manager)) {
        case ManagerOpen::Denied: return portaccess::RegisterAnswer::ManagerDenied;
        case ManagerOpen::Failed: return portaccess::RegisterAnswer::ManagerFailed;
        case ManagerOpen::Ok: break;
        }
        // An existing registration makes this fail and stays as it is.
        pw::unique_service service(
            PortDriverServices().createService(manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                               SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, SERVICE_ERROR_NORMAL,
                                               kImagePathOfService, nullptr, nullptr, nullptr, nullptr, nullptr));
        return portaccess::RegisterAnswer::Done;
    }

    bool OpenDevice() override {
        ClosePortDriver();
        PortDriverHandle.reset(CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        PortDriverFailed = false;
        return static_cast<bool>(PortDriverHandle);
    }
    bool DeviceUsable() override { return PortDriverHandle && !PortDriverFailed; }

private:
    enum class ManagerOpen { Ok, Denied, Failed };
    static ManagerOpen OpenManager(portaccess::ManagerAccess access, pw::unique_service& manager) {
        const DWORD rights = access == portaccess::ManagerAccess::Full ? SC_MANAGER_ALL_ACCESS : GENERIC_READ;
        manager.reset(PortDriverServices().openManager(nullptr, nullptr, rights));
        if (manager) return ManagerOpen::Ok;
        return GetLastError() == ERROR_ACCESS_DENIED ? ManagerOpen::Denied : ManagerOpen::Failed;
    }

    static void WriteDriverImage() {
        char path[MAX_PATH + 1] = {};
        const UINT length = GetSystemDirectoryA(path, MAX_PATH);
        // Without the image resource the registration is still attempted.
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kDriverResourceId), "bin");
        if (resource == nullptr) return;
        HGLOBAL loaded = LoadResource(nullptr, resource);
        if (loaded == nullptr) return;
        const void* image = LockResource(loaded);
        const DWORD size = SizeofResource(nullptr, resource);
        if (image == nullptr || length == 0 || length >= MAX_PATH) return;
        if (length + sizeof(kImageFileSuffix) > sizeof(path)) return;
        lstrcatA(path, kImageFileSuffix);
        pw::unique_file file(
            CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        WriteFile(file.get(), image, size, &written, nullptr);
    }
};

// Port instructions: only the 9x family lets a program execute them.
unsigned char InByte(unsigned short port) {
    unsigned char value;
    __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port));
    return value;
}

void OutByte(unsigned short port, unsigned char value) {
    __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port));
}

}  // namespace

int GetPortAccessMode() {
    Win32VersionQuery query;
    return portaccess::SelectPortAccessMode(query);
}

int OpenPortDriver() {
    Win32PortDriver driver;
    return portaccess::OpenPortDriver(driver);
}

int StartPortDriver() {
    Win32PortDriver driver;
    return portaccess::StartPortDriver(driver);
}

int InstallPortDriver() {
    Win32PortDriver driver;
    return portaccess::InstallPortDriver(driver);
}

void ClosePortDriver() { PortDriverHandle.reset(); }

unsigned short ReadPortByte(unsigned short port) {
    switch (PortAccessMode) {
    case 1: return InByte(port);
    case 2: {
        unsigned char request[3] = {static_cast<unsigned char>(port & 0xFF), static_cast<unsigned char>(port >> 8), 0};
        DWORD returned = 0;
        // A refused or failed request yields 0, never the address bytes still
        // left in the buffer.
        PortDriverFailed = !DeviceIoControl(PortDriverHandle.get(), HWI_IOCTL_READ_PORT_BYTE, request, 2, request, 1,
                                            &returned, nullptr);
        return PortDriverFailed ? 0 : request[0];
    }
    default: return 0;
    }
}

void WritePortByte(unsigned short port, unsigned char value) {
    switch (PortAccessMode) {
    case 1: OutByte(port, value); break;
    case 2: {
        unsigned char request[3] = {static_cast<unsigned char>(port & 0xFF), static_cast<unsigned char>(port >> 8),
                                    value};
        DWORD returned = 0;
        DeviceIoControl(PortDriverHandle.get(), HWI_IOCTL_WRITE_PORT_BYTE, request, 3, nullptr, 0, &returned, nullptr);
        break;
    }
    default: break;
    }
}

int ReadParallelStatus() {
    const unsigned short sample = ReadPortByte(static_cast<unsigned short>(StatusPortAddress & 0xFFFF));
    if (PortAccessMode == 2 && PortDriverFailed) return portaccess::kParallelUnreadable;
    return portaccess::ClassifyParallelStatus(static_cast<unsigned char>(sample & 0xF8));
}
