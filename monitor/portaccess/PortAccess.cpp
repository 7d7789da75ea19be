// The Win32 shell of the port-I/O driver client: the service manager, the
// driver image, the device and the two control codes.
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/ServiceCalls.h"

#include "common/Handles.h"
#include "monitor/portaccess/core/ParallelStatus.h"
#include "monitor/portaccess/core/ServiceControl.h"

int PortAccessMode = 0;
HANDLE PortDriverHandle = INVALID_HANDLE_VALUE;
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

// The real service manager, service and device. Whatever is still open when
// the branching returns is closed by the owners.
class Win32DriverService : public portaccess::DriverServiceSystem {
public:
    portaccess::OpenResult OpenManager(portaccess::ManagerAccess access) override {
        const DWORD rights = access == portaccess::ManagerAccess::Full ? SC_MANAGER_ALL_ACCESS : GENERIC_READ;
        m_manager.reset(PortDriverServices().openManager(nullptr, nullptr, rights));
        if (m_manager) return portaccess::OpenResult::Ok;
        return GetLastError() == ERROR_ACCESS_DENIED ? portaccess::OpenResult::AccessDenied
                                                     : portaccess::OpenResult::Failed;
    }
    void CloseManager() override { m_manager.reset(); }

    bool OpenDriverService() override {
        m_service.reset(PortDriverServices().openService(m_manager.get(), kServiceName, GENERIC_EXECUTE));
        return static_cast<bool>(m_service);
    }
    void CloseDriverService() override { m_service.reset(); }
    bool StartDriverService() override {
        return PortDriverServices().startService(m_service.get(), 0, nullptr) != FALSE;
    }

    bool CreateDriverService() override {
        m_service.reset(PortDriverServices().createService(
            m_manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
            SERVICE_SYSTEM_START, SERVICE_ERROR_NORMAL, kImagePathOfService, nullptr, nullptr, nullptr, nullptr,
            nullptr));
        return static_cast<bool>(m_service);
    }

    void WriteDriverImage() override {
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
        pw::unique_file file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        WriteFile(file.get(), image, size, &written, nullptr);
    }

    bool OpenDevice() override {
        ClosePortDriver();
        PortDriverHandle = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        PortDriverFailed = false;
        return PortDriverHandle != INVALID_HANDLE_VALUE;
    }
    bool DeviceUsable() override { return PortDriverHandle != INVALID_HANDLE_VALUE && !PortDriverFailed; }

private:
    pw::unique_service m_manager;
    pw::unique_service m_service;
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
    Win32DriverService system;
    return portaccess::OpenPortDriver(system);
}

int StartPortDriver() {
    Win32DriverService system;
    return portaccess::StartPortDriver(system);
}

int InstallPortDriver() {
    Win32DriverService system;
    return portaccess::InstallPortDriver(system);
}

void ClosePortDriver() {
    if (PortDriverHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(PortDriverHandle);
        PortDriverHandle = INVALID_HANDLE_VALUE;
    }
}

unsigned short ReadPortByte(unsigned short port) {
    switch (PortAccessMode) {
    case 1:
        return InByte(port);
    case 2: {
        unsigned char request[3] = {static_cast<unsigned char>(port & 0xFF),
                                    static_cast<unsigned char>(port >> 8), 0};
        DWORD returned = 0;
        // A refused or failed request yields 0, never the address bytes still
        // left in the buffer.
        PortDriverFailed = !DeviceIoControl(PortDriverHandle, HWI_IOCTL_READ_PORT_BYTE, request, 2, request, 1,
                                            &returned, nullptr);
        return PortDriverFailed ? 0 : request[0];
    }
    default:
        return 0;
    }
}

void WritePortByte(unsigned short port, unsigned char value) {
    switch (PortAccessMode) {
    case 1:
        OutByte(port, value);
        break;
    case 2: {
        unsigned char request[3] = {static_cast<unsigned char>(port & 0xFF),
                                    static_cast<unsigned char>(port >> 8), value};
        DWORD returned = 0;
        DeviceIoControl(PortDriverHandle, HWI_IOCTL_WRITE_PORT_BYTE, request, 3, nullptr, 0, &returned, nullptr);
        break;
    }
    default:
        break;
    }
}

int ReadParallelStatus() {
    const unsigned short sample = ReadPortByte(static_cast<unsigned short>(StatusPortAddress & 0xFFFF));
    if (PortAccessMode == 2 && PortDriverFailed) return portaccess::kParallelUnreadable;
    return portaccess::ClassifyParallelStatus(static_cast<unsigned char>(sample & 0xF8));
}
