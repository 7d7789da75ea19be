#include "common/core/UsbPrinterIdentity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using pw::usb::DeviceChange;

const char kSerial[] = "zyk-455sent";
const char kPath[] = "\\\\?\\usb#vid_0f3a&pid_1101#zyk-455sent#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

TEST(InterfacePath, ExactPathOnly) {
    EXPECT_EQ(pw::usb::ExpectedInterfacePath(kSerial), kPath);
    EXPECT_TRUE(pw::usb::MatchesInterfacePath(kPath, kSerial));
    // Any letter in upper case breaks the match.
    const std::string path = kPath;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] < 'a' || path[i] > 'z') continue;
        std::string upper = path;
        upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
        EXPECT_FALSE(pw::usb::MatchesInterfacePath(upper, kSerial)) << upper;
    }
    EXPECT_FALSE(pw::usb::MatchesInterfacePath(path.substr(0, path.size() - 1), kSerial));
    EXPECT_FALSE(pw::usb::MatchesInterfacePath(path + "x", kSerial));
    EXPECT_FALSE(
        pw::usb::MatchesInterfacePath("\\\\?\\usb#vid_0f3a&pid_1101#zyk-455#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}",
                                      kSerial));
    EXPECT_FALSE(pw::usb::MatchesInterfacePath("", kSerial));
}

TEST(InterfacePath, BufferLimits) {
    // The longest serial whose path still fits the 150-character buffer.
    const std::string serial84(84, 's');
    const std::string path84 = pw::usb::ExpectedInterfacePath(serial84);
    EXPECT_EQ(path84.size(), 149u);
    EXPECT_TRUE(pw::usb::MatchesInterfacePath(path84, serial84));
    const std::string serial85(85, 's');
    EXPECT_EQ(pw::usb::ExpectedInterfacePath(serial85), "");
    EXPECT_FALSE(pw::usb::MatchesInterfacePath("\\\\?\\usb#vid_0f3a&pid_1101#" + serial85 +
                                                   "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}",
                                               serial85));
    // A device path of 256 characters or more never matches.
    const std::string longPath(256, 'a');
    EXPECT_FALSE(pw::usb::MatchesInterfacePath(longPath, kSerial));
}

// A DEV_BROADCAST_DEVICEINTERFACE_A in a heap block of exactly the bytes
// given, so the sanitizer sees any read past dbcc_size.
class Broadcast {
public:
    // name_bytes: the name exactly as it lies in memory (terminator only if included).
    Broadcast(const std::string& name_bytes, std::uint32_t type = 5, std::uint32_t size_field = 0)
        : m_size(28 + name_bytes.size()), m_data(new unsigned char[28 + name_bytes.size()]) {
        std::memset(m_data.get(), 0xA5, 28);
        Put32(0, size_field ? size_field : static_cast<std::uint32_t>(m_size));
        Put32(4, type);
        Put32(8, 0);
        std::memcpy(m_data.get() + 28, name_bytes.data(), name_bytes.size());
    }
    static Broadcast Named(const std::string& name) { return Broadcast(name + std::string(1, '\0')); }
    const unsigned char* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }

private:
    void Put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) m_data[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    std::size_t m_size;
    std::unique_ptr<unsigned char[]> m_data;
};

bool NameMatches(const Broadcast& b) { return pw::usb::BroadcastNameMatches(b.data(), b.size(), kSerial); }

TEST(BroadcastName, ComparedWithoutCaseAfterPrefixAndClassAreCut) {
    EXPECT_TRUE(NameMatches(
        Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")));
    EXPECT_TRUE(NameMatches(
        Broadcast::Named("\\\\?\\usb#vid_0f3a&pid_1101#zyk-455sent#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")));
    // Only the last '#' cuts: whatever class part follows it is ignored.
    EXPECT_TRUE(NameMatches(Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#zyk-455sent#")));
    // The four characters before the identity are skipped whatever they are.
    EXPECT_TRUE(NameMatches(Broadcast::Named("????USB#VID_0F3A&PID_1101#zyk-455sent#x")));
}

TEST(BroadcastName, OtherDevicesDoNotMatch) {
    EXPECT_FALSE(
        NameMatches(Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")));
    EXPECT_FALSE(NameMatches(
        Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1102#ZYK-455SENT#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")));
    EXPECT_FALSE(NameMatches(
        Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENTX#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")));
    // Without the class part the last '#' is the one before the serial.
    EXPECT_FALSE(NameMatches(Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT")));
    // No prefix to skip: the identity's first four characters are lost.
    EXPECT_FALSE(NameMatches(Broadcast::Named("USB#VID_0F3A&PID_1101#ZYK-455SENT#{x}")));
}

TEST(BroadcastName, MalformedNamesNeitherMatchNorOverread) {
    EXPECT_FALSE(NameMatches(Broadcast::Named("")));
    EXPECT_FALSE(NameMatches(Broadcast::Named("\\\\?")));
    EXPECT_FALSE(NameMatches(Broadcast::Named("\\\\?\\")));
    EXPECT_FALSE(NameMatches(Broadcast::Named("\\\\?\\#")));
    EXPECT_FALSE(NameMatches(Broadcast::Named("##")));
    EXPECT_FALSE(NameMatches(Broadcast::Named("\\\\?\\USB_VID_0F3A_PID_1101_ZYK-455SENT")));
    // Not terminated inside dbcc_size: never matches, even if the bytes would.
    EXPECT_FALSE(NameMatches(Broadcast("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{x}")));
    // No room for a name at all.
    EXPECT_FALSE(NameMatches(Broadcast("")));
    Broadcast full = Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{x}");
    EXPECT_FALSE(pw::usb::BroadcastNameMatches(full.data(), 27, kSerial));
    EXPECT_FALSE(pw::usb::BroadcastNameMatches(full.data(), 0, kSerial));
    EXPECT_FALSE(pw::usb::BroadcastNameMatches(nullptr, 200, kSerial));
    // A dbcc_size that cuts the terminator off: the name is bounded by it.
    EXPECT_FALSE(pw::usb::BroadcastNameMatches(full.data(), full.size() - 1, kSerial));
    EXPECT_TRUE(pw::usb::BroadcastNameMatches(full.data(), full.size(), kSerial));
}

TEST(DeviceChangeRule, ArrivalAndRemovalOfThePrinter) {
    Broadcast b = Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, b.data(), b.size(), kSerial), DeviceChange::Arrived);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8004, b.data(), b.size(), kSerial), DeviceChange::Removed);
    // Query-remove, remove-pending, remove-failed, custom events and device-nodes-changed change nothing.
    for (unsigned long event : {0x8001UL, 0x8002UL, 0x8003UL, 0x8006UL, 0x0007UL, 0x0018UL})
        EXPECT_EQ(pw::usb::ClassifyDeviceChange(event, b.data(), b.size(), kSerial), DeviceChange::None) << event;
    Broadcast other = Broadcast::Named("\\\\?\\USB#VID_0F3A&PID_1101#zyk-450df#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, other.data(), other.size(), kSerial), DeviceChange::None);
}

TEST(DeviceChangeRule, OnlyDeviceInterfaceBroadcastsCount) {
    const std::string name = std::string("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{x}") + '\0';
    // OEM, devnode, volume, port, network, handle.
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 6u}) {
        Broadcast b(name, type);
        EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, b.data(), b.size(), kSerial), DeviceChange::None) << type;
    }
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, nullptr, 100, kSerial), DeviceChange::None);
}

TEST(DeviceChangeRule, SizesAreBoundedByWhatIsReadable) {
    const std::string name = std::string("\\\\?\\USB#VID_0F3A&PID_1101#ZYK-455SENT#{x}") + '\0';
    // A header claiming more than the caller can vouch for is cut to the readable bytes.
    Broadcast inflated(name, 5, 0x7FFFFFFF);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, inflated.data(), inflated.size(), kSerial), DeviceChange::Arrived);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, inflated.data(), inflated.size() - 1, kSerial), DeviceChange::None);
    // A header claiming less than its name bounds the name.
    Broadcast shrunk(name, 5, 30);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, shrunk.data(), shrunk.size(), kSerial), DeviceChange::None);
    Broadcast tiny(name, 5, 4);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, tiny.data(), tiny.size(), kSerial), DeviceChange::None);
    EXPECT_EQ(pw::usb::ClassifyDeviceChange(0x8000, inflated.data(), 11, kSerial), DeviceChange::None);
}

}  // namespace
