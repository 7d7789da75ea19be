// The installer waits for exactly its own model's printer: the broadcast rule
// it shares with the monitor, applied to the serial string of this build.
#include "catalogue/Catalogue.h"
#include "common/core/UsbPrinterIdentity.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

using pw::usb::ClassifyDeviceChange;
using pw::usb::DeviceChange;

namespace {

// A DEV_BROADCAST_DEVICEINTERFACE_A as the system sends it: size, device type,
// reserved, class GUID (16 bytes), then the NUL-terminated ANSI name.
std::vector<unsigned char> Broadcast(const std::string& name, std::uint32_t deviceType = 5) {
    std::vector<unsigned char> bytes(28, 0);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(0);
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(size >> (8 * i));
        bytes[4 + i] = static_cast<unsigned char>(deviceType >> (8 * i));
    }
    return bytes;
}

DeviceChange Arrival(const std::vector<unsigned char>& bytes) {
    return ClassifyDeviceChange(0x8000, bytes.data(), bytes.size(), catalogue::ModelUsbSerial);
}

const std::string kGuid = "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

}  // namespace

TEST(ArrivalMatch, OwnModelArrivesInAnyCase) {
    const std::string serial = catalogue::ModelUsbSerial;
    std::string upper = serial;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + serial + kGuid)), DeviceChange::Arrived);
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\usb#vid_0f3a&pid_1101#" + serial + kGuid)), DeviceChange::Arrived);
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + upper + kGuid)), DeviceChange::Arrived);
}

TEST(ArrivalMatch, OtherDevicesAndEventsKeepTheDialogWaiting) {
    const std::string serial = catalogue::ModelUsbSerial;
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#zyk-000other" + kGuid)), DeviceChange::None);
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1102#" + serial + kGuid)), DeviceChange::None);
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_1234&PID_1101#" + serial + kGuid)), DeviceChange::None);
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + serial + "x" + kGuid)), DeviceChange::None);
    // Without the class part the serial would be cut away.
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + serial)), DeviceChange::None);
    // A volume broadcast with the same bytes is not a device interface.
    EXPECT_EQ(Arrival(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + serial + kGuid, 2)), DeviceChange::None);
    // The installer acts only on arrivals; a removal is reported as such, never as an arrival.
    const auto bytes = Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#" + serial + kGuid);
    EXPECT_EQ(ClassifyDeviceChange(0x8004, bytes.data(), bytes.size(), serial), DeviceChange::Removed);
    EXPECT_EQ(ClassifyDeviceChange(0x8001, bytes.data(), bytes.size(), serial), DeviceChange::None);
}
