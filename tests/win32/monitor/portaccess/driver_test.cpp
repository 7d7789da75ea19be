// The client's own install / start / open sequence against the test build of
// our hwinterface driver, which plays port values from its service key.
#include "monitor/portaccess/PortAccess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Handles.h"
#include "testbed/Fixture.h"

namespace {

constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\hwinterface";

std::string SystemDriverPath() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Drivers\\hwinterface.sys";
}

// What an earlier installation would have left: the service registered, demand
// start, with an absolute image path (Wine cannot resolve the relative one).
void PreRegisterService() {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager) << GetLastError();
    const std::string image = SystemDriverPath();
    pw::unique_service service(CreateServiceA(manager.get(), "hwinterface", "hwinterface", SERVICE_ALL_ACCESS,
                                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << GetLastError();
}

void SetDword(const char* name, DWORD value) {
    pw::unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
              ERROR_SUCCESS);
}

void SetBinary(const char* name, const std::vector<BYTE>& bytes) {
    pw::unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

bool GetDword(const char* name, DWORD& value) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    DWORD size = sizeof(value), type = 0;
    return RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

void DeleteValue(const char* name) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), name);
}

// Under Wine the driver sees its host's token, which gives no write right: the
// test build plays the caller, an administrator unless this plays another.
class PlayedCaller {
public:
    explicit PlayedCaller(bool mayWrite) { SetDword("CallerMayWrite", mayWrite ? 1 : 0); }
    ~PlayedCaller() { SetDword("CallerMayWrite", 1); }
};

// A request's answer, error and the byte read, as a program without the client
// sees them.
struct Answer {
    BOOL ok;
    DWORD error;
    BYTE byte;
};
Answer Request(DWORD code, USHORT port, BYTE value = 0) {
    BYTE buffer[3] = {static_cast<BYTE>(port), static_cast<BYTE>(port >> 8), value};
    const bool read = code == HWI_IOCTL_READ_PORT_BYTE;
    DWORD returned = 0;
    SetLastError(0);
    const BOOL ok = DeviceIoControl(PortDriverHandle.get(), code, buffer, read ? 2 : 3, read ? buffer : nullptr,
                                    read ? 1 : 0, &returned, nullptr);
    return {ok, GetLastError(), buffer[0]};
}

DWORD ServiceState() {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

bool StopService() {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_STOP | SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) return false;
    for (int i = 0; i < 100 && ServiceState() != SERVICE_STOPPED; ++i) Sleep(50);
    return ServiceState() == SERVICE_STOPPED;
}

std::string ServiceImagePath() {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return "";
    char path[MAX_PATH] = {};
    DWORD size = sizeof(path) - 1;
    RegQueryValueExA(key.get(), "ImagePath", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
    return path;
}

// One scenario per process: the prefix and its service manager are fresh.
class PortDriver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        DeleteFileA(SystemDriverPath().c_str());
        PreRegisterService();
        PortAccessMode = GetPortAccessMode();
        ASSERT_EQ(PortAccessMode, 2);
        SetDword("CallerMayWrite", 1);
        // The image is missing, so the first start fails; the client installs
        // (writing its image, meeting the existing service) and starts again.
        ASSERT_EQ(OpenPortDriver(), 1);
        ASSERT_NE(PortDriverHandle.get(), INVALID_HANDLE_VALUE) << "driver did not load";
        StatusPortAddress = 0x379;
    }
    static void TearDownTestSuite() { ClosePortDriver(); }
};

TEST_F(PortDriver, InstalledFromTheProgramsOwnImageAndLeftTheRegistrationAsItWas) {
    EXPECT_EQ(GetFileAttributesA(SystemDriverPath().c_str()) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(ServiceImagePath(), SystemDriverPath()) << "an existing registration is not changed";
    DWORD start = 0;
    ASSERT_TRUE(GetDword("Start", start));
    EXPECT_EQ(start, static_cast<DWORD>(SERVICE_DEMAND_START));
}

TEST_F(PortDriver, StatusSamplesAreClassified) {
    const struct {
        DWORD sample;
        int code;
    } cases[] = {{0x20, 3}, {0x98, 2}, {0x08, 4}, {0x78, 1}, {0xF8, -1}, {0xDF, 2}};
    for (const auto& c : cases) {
        SetDword("Port379", c.sample);
        EXPECT_EQ(ReadPortByte(0x379), c.sample) << std::hex << c.sample;
        EXPECT_EQ(ReadParallelStatus(), c.code) << std::hex << c.sample;
    }
}

TEST_F(PortDriver, SequencePlaysOnePerRead) {
    SetDword("SequenceIndex3BD", 0);
    SetBinary("Sequence3BD", {0x98, 0x20, 0x78});
    const unsigned long saved = StatusPortAddress;
    StatusPortAddress = 0x3BD;
    EXPECT_EQ(ReadParallelStatus(), 2);
    EXPECT_EQ(ReadParallelStatus(), 3);
    EXPECT_EQ(ReadParallelStatus(), 1);
    EXPECT_EQ(ReadParallelStatus(), 1) << "the last byte holds";
    StatusPortAddress = saved;
}

TEST_F(PortDriver, WritesReachThePort) {
    WritePortByte(0x37A, 0x0C);
    WritePortByte(0x37A, 0x04);
    DWORD written = 0, count = 0;
    ASSERT_TRUE(GetDword("Written37A", written));
    ASSERT_TRUE(GetDword("WriteCount37A", count));
    EXPECT_EQ(written, 0x04u);
    EXPECT_EQ(count, 2u);
}

// What a standard user's monitor meets on Windows 7: its parallel port's
// status register and nothing else; an administrator reads and writes any port.
TEST_F(PortDriver, AStandardUserReadsOnlyTheParallelPort) {
    ASSERT_TRUE(fixture::PlayParallelPort(0x378));
    SetDword("Port379", 0x98);
    SetDword("Port60", 0x1C);  // a key's scan code at the keyboard controller
    DWORD before = 0, after = 0;
    GetDword("WriteCount37A", before);
    {
        PlayedCaller user(false);
        EXPECT_EQ(ReadParallelStatus(), 2) << "the monitor's own read";
        const struct {
            DWORD code;
            USHORT port;
            bool forgetParallelPorts;
        } refused[] = {{HWI_IOCTL_READ_PORT_BYTE, 0x60, false},    // the keyboard controller
                       {HWI_IOCTL_READ_PORT_BYTE, 0x37B, false},   // LPT1's EPP address register
                       {HWI_IOCTL_READ_PORT_BYTE, 0x380, false},   // just past LPT1
                       {HWI_IOCTL_WRITE_PORT_BYTE, 0x37A, false},  // a write, even to LPT1
                       {HWI_IOCTL_READ_PORT_BYTE, 0x379, true}};   // no parallel port known
        for (const auto& r : refused) {
            if (r.forgetParallelPorts) DeleteValue("ParallelPorts");
            const Answer answer = Request(r.code, r.port, 0x0C);
            EXPECT_FALSE(answer.ok) << std::hex << r.port;
            EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << r.port;
            EXPECT_NE(answer.byte, 0x1C) << std::hex << r.port;
        }
        GetDword("WriteCount37A", after);
        EXPECT_EQ(after, before) << "a refused write touches no port";
    }
    PlayedCaller administrator(true);
    const Answer keyboard = Request(HWI_IOCTL_READ_PORT_BYTE, 0x60);
    EXPECT_TRUE(keyboard.ok);
    EXPECT_EQ(keyboard.byte, 0x1C);
    EXPECT_TRUE(Request(HWI_IOCTL_WRITE_PORT_BYTE, 0x37A, 0x0C).ok);
    GetDword("WriteCount37A", after);
    EXPECT_EQ(after, before + 1);
}

TEST_F(PortDriver, RequestsOutsideTheContract) {
    BYTE buffer[3] = {0x79, 0x03, 0xEE};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(PortDriverHandle.get(), 0x9C40200C, buffer, 2, buffer, 1, &returned, nullptr));
    // A read without a whole port address succeeds with a defined byte.
    buffer[0] = 0x79;
    EXPECT_TRUE(
        DeviceIoControl(PortDriverHandle.get(), HWI_IOCTL_READ_PORT_BYTE, buffer, 1, buffer, 1, &returned, nullptr));
    EXPECT_EQ(buffer[0], 0);
    // A write without its value succeeds and touches nothing.
    DWORD before = 0, after = 0;
    GetDword("WriteCount37A", before);
    BYTE shortWrite[2] = {0x7A, 0x03};
    EXPECT_TRUE(DeviceIoControl(PortDriverHandle.get(), HWI_IOCTL_WRITE_PORT_BYTE, shortWrite, 2, nullptr, 0, &returned,
                                nullptr));
    GetDword("WriteCount37A", after);
    EXPECT_EQ(before, after);
}

TEST_F(PortDriver, ReadsWithoutTheDriverGiveZero) {
    SetDword("Port379", 0x78);
    ASSERT_EQ(ReadParallelStatus(), 1);
    ClosePortDriver();
    EXPECT_EQ(PortDriverHandle.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadPortByte(0x379), 0) << "not the low byte of the address";
    EXPECT_EQ(ReadParallelStatus(), -2) << "a read the driver did not answer is no sample";
    ClosePortDriver();  // closing twice is harmless

    const int saved = PortAccessMode;
    PortAccessMode = 0;
    EXPECT_EQ(ReadPortByte(0x379), 0);
    WritePortByte(0x37A, 0x01);  // does nothing without an access method
    PortAccessMode = saved;

    // Running service: the first open succeeds.
    EXPECT_EQ(OpenPortDriver(), 0);
    EXPECT_EQ(ReadParallelStatus(), 1);
}

TEST_F(PortDriver, StoppedServiceIsStartedAgain) {
    ClosePortDriver();
    ASSERT_TRUE(StopService());
    // Unloading removed the device.
    pw::unique_file gone(CreateFileA("\\\\.\\hwinterface", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(gone);
    EXPECT_EQ(StartPortDriver(), 0);
    EXPECT_EQ(StartPortDriver(), 3) << "a running service counts as a refused start";
    EXPECT_EQ(InstallPortDriver(), 0);
    EXPECT_EQ(OpenPortDriver(), 0);
    SetDword("Port379", 0x08);
    EXPECT_EQ(ReadParallelStatus(), 4);
}

}  // namespace
