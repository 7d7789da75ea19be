// The installer's platform answers against Wine's own spooler, registry and
// device notifications.
#include "setup/SetupPlatform.h"

#include "catalogue/Catalogue.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace setup::core;
using namespace setup::ui;

namespace {

const std::string kInterfaceKey =
    std::string(kUsbPrintClassKey) + "\\" + UsbInterfaceKeyName(catalogue::ModelUsbSerial) + "\\#";

}  // namespace

TEST(SetupPlatform, StartupAnswersOfThisSystem) {
    CInstanceMutex lock("Global\\{8D0A91C2-5E1B-4c77-9C11-PWSETUPTEST1}");
    Win32StartupProbe probe(lock);
    EXPECT_FALSE(probe.AnotherInstanceRunning());
    const OsVersion version = probe.Version();
    EXPECT_EQ(version.major, 6u);
    EXPECT_GE(version.minor, 1u);
    EXPECT_FALSE(probe.RunsUnderWow64());
    EXPECT_TRUE(probe.UserIsAdministrator());
    EXPECT_EQ(CheckStartup(probe), StartupVerdict::Proceed);

    CInstanceMutex second("Global\\{8D0A91C2-5E1B-4c77-9C11-PWSETUPTEST1}");
    Win32StartupProbe secondProbe(second);
    EXPECT_EQ(CheckStartup(secondProbe), StartupVerdict::AlreadyRunning);
}

TEST(SetupPlatform, SpoolerPortsComeInTheSpoolersOrder) {
    // An extra port the spooler lists once it is in the Ports key.
    ASSERT_TRUE(fixture::AddUsbPort());
    std::vector<PortRecord> ports;
    ASSERT_TRUE(EnumerateSpoolerPorts(ports));
    ASSERT_FALSE(ports.empty());

    // Compare with the spooler's own answer, read independently.
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count);
    pw::heap_buffer buffer(needed);
    ASSERT_TRUE(EnumPortsA(nullptr, 2, buffer.get(), needed, &needed, &count));
    ASSERT_EQ(ports.size(), count);
    const auto* info = buffer.as<PORT_INFO_2A>();
    bool sawLpt1 = false, sawUsb = false;
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_EQ(ports[i].name, info[i].pPortName);
        if (info[i].pDescription) {
            EXPECT_EQ(ports[i].description, std::optional<std::string>(info[i].pDescription));
        }
        sawLpt1 |= ports[i].name == "LPT1:";
        sawUsb |= ports[i].name == "USB001";
    }
    EXPECT_TRUE(sawLpt1);
    EXPECT_TRUE(sawUsb);
    const PortListing listing = BuildPortListing(ports);
    ASSERT_TRUE(listing.preselected.has_value());
    EXPECT_EQ(listing.entries[*listing.preselected].name, "LPT1:");
}

TEST(SetupPlatform, UsbPortFromTheDeviceClassKeys) {
    Win32UsbPortRegistry registry;
    EXPECT_FALSE(ResolveUsbPort(registry, catalogue::ModelUsbSerial).has_value());

    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error, 3)) << error;
    EXPECT_EQ(ResolveUsbPort(registry, catalogue::ModelUsbSerial), std::optional<std::string>("USB003"));
    // The port the installer will name is one the spooler knows.
    std::vector<PortRecord> ports;
    ASSERT_TRUE(EnumerateSpoolerPorts(ports));
    EXPECT_TRUE(std::any_of(ports.begin(), ports.end(), [](const PortRecord& p) { return p.name == "USB003"; }));

    // Plugged into another socket, under a four-digit number.
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error, 1234)) << error;
    EXPECT_EQ(ResolveUsbPort(registry, catalogue::ModelUsbSerial), std::optional<std::string>("USB1234"));

    // A value of the wrong type or size is not a port number (planted by hand:
    // the USB printing support never writes one).
    ASSERT_TRUE(
        bench::reg::SetBinary(HKEY_LOCAL_MACHINE, kInterfaceKey + "\\Device Parameters", "Port Number", {3, 0}));
    EXPECT_FALSE(ResolveUsbPort(registry, catalogue::ModelUsbSerial).has_value());
    ASSERT_TRUE(
        bench::reg::SetString(HKEY_LOCAL_MACHINE, kInterfaceKey + "\\Device Parameters", "Port Number", "abcdefgh"));
    EXPECT_FALSE(ResolveUsbPort(registry, catalogue::ModelUsbSerial).has_value());

    // Pulled out, with a sound port number: no port.
    ASSERT_TRUE(fixture::PlugUsb(catalogue::ModelUsbSerial, error, 3)) << error;
    ASSERT_TRUE(fixture::UnplugUsb(catalogue::ModelUsbSerial, error)) << error;
    EXPECT_FALSE(ResolveUsbPort(registry, catalogue::ModelUsbSerial).has_value());
}

TEST(SetupPlatform, UsbArrivalRegistrationIsGrantedForAWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "probe", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    pw::unique_hwnd owner(window);
    pw::unique_hdevnotify registration(RegisterUsbDeviceArrivals(window));
    EXPECT_TRUE(registration);
}
