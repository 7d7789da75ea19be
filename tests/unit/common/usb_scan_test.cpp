#include "common/core/UsbScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entry = pw::usb::UsbInterfaceSource::Entry;

const char kSerial[] = "zyk-455sent";
const char kOurs[] = "\\\\?\\usb#vid_0f3a&pid_1101#zyk-455sent#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const char kOther[] = "\\\\?\\usb#vid_0f3a&pid_1101#zyk-450df#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

struct Slot {
    Entry entry;
    std::string path;  // empty: details cannot be read
};

class ScriptedInterfaces : public pw::usb::UsbInterfaceSource {
public:
    // Indexes past the script answer `after`.
    ScriptedInterfaces(std::vector<Slot> slots, Entry after = Entry::NoMoreItems)
        : m_slots(std::move(slots)), m_after(after) {}
    Entry Select(unsigned long index) override {
        selected.push_back(index);
        m_current = index;
        return index < m_slots.size() ? m_slots[index].entry : m_after;
    }
    bool DevicePath(std::string& path) override {
        ++detailReads;
        if (m_current >= m_slots.size() || m_slots[m_current].path.empty()) return false;
        path = m_slots[m_current].path;
        return true;
    }
    std::vector<unsigned long> selected;
    int detailReads = 0;

private:
    std::vector<Slot> m_slots;
    Entry m_after;
    unsigned long m_current = 0;
};

TEST(UsbScan, FirstMatchEndsTheScan) {
    ScriptedInterfaces source({{Entry::Present, kOurs}, {Entry::Present, kOther}});
    EXPECT_TRUE(pw::usb::ScanForUsbPrinter(source, kSerial));
    EXPECT_EQ(source.selected, (std::vector<unsigned long>{0}));

    ScriptedInterfaces later({{Entry::Present, kOther}, {Entry::Present, kOurs}});
    EXPECT_TRUE(pw::usb::ScanForUsbPrinter(later, kSerial));
    EXPECT_EQ(later.selected, (std::vector<unsigned long>{0, 1}));
}

TEST(UsbScan, NothingPresentOrNothingOurs) {
    ScriptedInterfaces none({});
    EXPECT_FALSE(pw::usb::ScanForUsbPrinter(none, kSerial));
    EXPECT_EQ(none.selected, (std::vector<unsigned long>{0}));

    ScriptedInterfaces others({{Entry::Present, kOther}, {Entry::Present, ""}});
    EXPECT_FALSE(pw::usb::ScanForUsbPrinter(others, kSerial));
    EXPECT_EQ(others.selected.size(), 3u);
    EXPECT_EQ(others.detailReads, 2);
}

TEST(UsbScan, UnreadableIndexesAreSkipped) {
    ScriptedInterfaces source(
        {{Entry::Unreadable, ""}, {Entry::Present, ""}, {Entry::Unreadable, ""}, {Entry::Present, kOurs}});
    EXPECT_TRUE(pw::usb::ScanForUsbPrinter(source, kSerial));
    EXPECT_EQ(source.selected, (std::vector<unsigned long>{0, 1, 2, 3}));
    EXPECT_EQ(source.detailReads, 2) << "no details are read for an unreadable index";
}

TEST(UsbScan, EndlessFailuresStillEnd) {
    ScriptedInterfaces failing({}, Entry::Unreadable);
    EXPECT_FALSE(pw::usb::ScanForUsbPrinter(failing, kSerial));
    EXPECT_EQ(failing.selected.size(), pw::usb::kMaxInterfaceIndex);
    EXPECT_EQ(failing.detailReads, 0);

    // Endless interfaces that are not ours end at the same bound.
    ScriptedInterfaces endless({}, Entry::Present);
    EXPECT_FALSE(pw::usb::ScanForUsbPrinter(endless, kSerial));
    EXPECT_EQ(endless.selected.size(), pw::usb::kMaxInterfaceIndex);
}

}  // namespace
