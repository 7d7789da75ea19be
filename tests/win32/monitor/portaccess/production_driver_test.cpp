// The production image of our hwinterface driver loads, answers through the
// client and unloads. Its port access goes to hal, whose port functions do
// nothing under Wine, so every sample reads 0. Wine's token gives no write
// right: the driver answers as to a standard user, for the port it found.
#include "monitor/portaccess/PortAccess.h"

#include <gtest/gtest.h>
#include <imagehlp.h>

#include <string>

#include "common/Handles.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

namespace {

TEST(ProductionDriver, LoadsAndAnswersReads) {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    const std::string image = std::string(dir) + "\\Drivers\\hwinterface.sys";
    {
        pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager);
        pw::unique_service service(CreateServiceA(manager.get(), "hwinterface", "hwinterface", SERVICE_ALL_ACCESS,
                                                  SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                  image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
    }
    // LPT1 as Windows 7 names it and assigns its registers, found as the driver loads.
    ASSERT_TRUE(fixture::PlantResources(fixture::kLptDevice, 0x378));
    ASSERT_TRUE(bench::reg::SetString(HKEY_LOCAL_MACHINE, std::string(fixture::kEnumKey) + fixture::kLptDevice,
                                      "FriendlyName", "ECP Printer Port (LPT1)"));
    PortAccessMode = GetPortAccessMode();
    ASSERT_EQ(OpenPortDriver(), 1);
    ASSERT_NE(PortDriverHandle.get(), INVALID_HANDLE_VALUE) << "the production image did not load";

    BYTE request[3] = {0x79, 0x03, 0xEE};
    DWORD returned = 0;
    ASSERT_TRUE(
        DeviceIoControl(PortDriverHandle.get(), HWI_IOCTL_READ_PORT_BYTE, request, 2, request, 1, &returned, nullptr));
    EXPECT_EQ(returned, 1u);
    EXPECT_EQ(request[0], 0) << "hal under Wine reads 0";
    StatusPortAddress = 0x379;
    EXPECT_EQ(ReadParallelStatus(), -1);
    EXPECT_FALSE(DeviceIoControl(PortDriverHandle.get(), 0x9C402010, request, 2, request, 1, &returned, nullptr));
    ClosePortDriver();

    // Unloading ends the watch over the system's devices, and the device goes.
    {
        pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_STOP | SERVICE_QUERY_STATUS));
        SERVICE_STATUS status = {};
        ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
        for (int i = 0;
             i < 200 && QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
            Sleep(50);
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        pw::unique_file gone(CreateFileA("\\\\.\\hwinterface", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_FALSE(gone);
    }

    // The image the client wrote carries a valid checksum.
    DWORD stored = 0, computed = 0;
    ASSERT_EQ(MapFileAndCheckSumA(image.c_str(), &stored, &computed), static_cast<DWORD>(CHECKSUM_SUCCESS));
    EXPECT_NE(stored, 0u);
    EXPECT_EQ(stored, computed);
}

}  // namespace
