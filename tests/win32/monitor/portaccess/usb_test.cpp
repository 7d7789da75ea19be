// The scan of present USB printer interfaces against interfaces planted in
// the prefix, and the broadcast check on structures laid out by the platform headers.
#include "monitor/portaccess/UsbPrinter.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "testbed/Fixture.h"

namespace {

// Plugs a printer of the family in, or pulls it, as the fixture does for every scenario.
void Plug(const std::string& serial) {
    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(serial, error)) << error;
}

void Unplug(const std::string& serial) {
    std::string error;
    ASSERT_TRUE(fixture::UnplugUsb(serial, error)) << error;
}

TEST(UsbScan, FindsOnlyThisModelsPrinter) {
    EXPECT_FALSE(FindUsbPrinterPresent()) << "no USB printer in a fresh prefix";

    // Same vendor and product, another model's serial; and ours, but not attached.
    Plug("zyk-455");
    EXPECT_FALSE(FindUsbPrinterPresent());
    Plug("zyk-455sentx");
    EXPECT_FALSE(FindUsbPrinterPresent());

    Plug("zyk-455sent");
    Unplug("zyk-455sent");
    EXPECT_FALSE(FindUsbPrinterPresent()) << "an interface that is not present does not count";

    Plug("zyk-455sent");
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
