// The scan of present USB printer interfaces against interfaces planted in
// the prefix, and the broadcast check on structures laid out by the platform headers.
#include "monitor/portaccess/UsbPrinter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace {

const GUID kUsbPrint = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
// The printer device class; any class serves for the device record.
const GUID kPrinterClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Marks a printer interface active, as the USB printing support does for an attached printer.
void LinkUsbPrinter(const std::string& serial);

// Registers a USB device with a printer interface, attached when `linked`.
void PlantUsbPrinter(const std::string& serial, bool linked) {
    pw::unique_hdevinfo set(SetupDiCreateDeviceInfoList(&kPrinterClass, nullptr));
    ASSERT_TRUE(set);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    const std::string instance = "USB\\VID_0F3A&PID_1101\\" + serial;
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(set.get(), instance.c_str(), &kPrinterClass, nullptr, nullptr, 0, &device))
        << GetLastError();
    ASSERT_TRUE(SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) << GetLastError();
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof(iface);
    ASSERT_TRUE(SetupDiCreateDeviceInterfaceA(set.get(), &device, &kUsbPrint, nullptr, 0, &iface)) << GetLastError();
    if (linked) LinkUsbPrinter(serial);
}

void LinkUsbPrinter(const std::string& serial) {
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                            "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\##?#usb#vid_0f3a&pid_1101#" +
                            serial + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Control";
    pw::unique_hkey control;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, control.put(),
                              nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(control.get(), "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one)),
              ERROR_SUCCESS);
}

TEST(UsbScan, FindsOnlyThisModelsPrinter) {
    EXPECT_FALSE(FindUsbPrinterPresent()) << "no USB printer in a fresh prefix";

    // Same vendor and product, another model's serial; and ours, but not attached.
    PlantUsbPrinter("zyk-455", true);
    EXPECT_FALSE(FindUsbPrinterPresent());
    PlantUsbPrinter("zyk-455sentx", true);
    EXPECT_FALSE(FindUsbPrinterPresent());

    PlantUsbPrinter("zyk-455sent", false);
    EXPECT_FALSE(FindUsbPrinterPresent()) << "an interface that is not present does not count";

    LinkUsbPrinter("zyk-455sent");
    EXPECT_TRUE(FindUsbPrinterPresent());
}

std::vector<unsigned char> MakeBroadcast(const char* name) {
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + std::strlen(name) + 1);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(b->dbcc_name, name, std::strlen(name) + 1);
    return bytes;
}

TEST(UsbBroadcast, ArrivalAndRemovalOfThePrinter) {
    static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) == 28, "name offset of the broadcast");
    auto ours = MakeBroadcast("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    const LPARAM p = reinterpret_cast<LPARAM>(ours.data());
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_DEVICEARRIVAL, p), pw::usb::DeviceChange::Arrived);
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_DEVICEREMOVECOMPLETE, p), pw::usb::DeviceChange::Removed);

    auto other = MakeBroadcast("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-450DF#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(other.data())),
              pw::usb::DeviceChange::None);
}

TEST(UsbBroadcast, OtherEventsAreNotDereferenced) {
    // DBT_DEVNODES_CHANGED and friends carry no broadcast; lParam is not a pointer.
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_DEVNODES_CHANGED, 0), pw::usb::DeviceChange::None);
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_CONFIGCHANGED, 1), pw::usb::DeviceChange::None);
    EXPECT_EQ(CheckUsbPrinterBroadcast(DBT_DEVICEARRIVAL, 0), pw::usb::DeviceChange::None);
}

}  // namespace
