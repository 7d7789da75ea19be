// The prefix's stand-ins in a fresh prefix, read back by the programs' own
// readers where they have one: the resource lists, the queue's data type,
// the USB printer's interface, and the queue's published port.
#include "testbed/Fixture.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "monitor/portaccess/UsbPrinter.h"
#include "monitor/portaccess/core/ResourceList.h"
#include "setup/SetupPlatform.h"
#include "setup/core/UsbPort.h"
#include "testbed/Bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// A stand-in driver image: creating the service does not load it.
std::string MakeImage() {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "hwinterface_test.sys";
    pw::unique_file file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), "MZ", 2, &written, nullptr);
    return path;
}

// The first I/O range of a planted resource list, through the monitor's parser.
std::optional<std::uint64_t> FirstRange(const std::string& key, const char* value) {
    DWORD type = 0;
    const std::string list = bench::reg::GetRaw(HKEY_LOCAL_MACHINE, key, value, &type);
    std::uint64_t start = 0;
    if (type != REG_RESOURCE_LIST ||
        !portaccess::FindFirstPortRange(reinterpret_cast<const unsigned char*>(list.data()), list.size(), start))
        return std::nullopt;
    return start;
}

std::optional<std::uint64_t> PlantedStart(const std::string& device) {
    return FirstRange(std::string(fixture::kEnumKey) + device + "\\Control", "AllocConfig");
}

// The parallel port the driver's test build is told of.
std::optional<std::uint64_t> PlayedParallelStart() { return FirstRange(fixture::kServiceKey, "ParallelPorts"); }

// Without the WMI provider the address lookup keeps its search text as the key.
TEST(PrefixFixture, LptKeyWithoutTheWmiProvider) {
    std::string error;
    ASSERT_TRUE(fixture::InstallStandIns(MakeImage(), "", "Fixture Queue Without WMI", error)) << error;
    EXPECT_EQ(PlantedStart("(LPT1)"), std::optional<std::uint64_t>(0x378));
    EXPECT_EQ(PlayedParallelStart(), std::optional<std::uint64_t>(0x378)) << "the driver's test build knows it too";
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, std::string(fixture::kPrintersKey) + "Fixture Queue Without WMI",
                                 "Datatype"),
              std::string("RAW\0", 4));
    // Any port's range, as the serial port beside LPT1 has one.
    ASSERT_TRUE(fixture::PlantResources(fixture::kComDevice, 0x3F8));
    EXPECT_EQ(PlantedStart(fixture::kComDevice), std::optional<std::uint64_t>(0x3F8));

    EXPECT_FALSE(fixture::InstallStandIns("C:\\no\\such\\image.sys", "", catalogue::ModelName, error));
    EXPECT_NE(error.find("copying"), std::string::npos) << error;
    EXPECT_FALSE(fixture::InstallStandIns(MakeImage(), "C:\\no\\such\\provider.dll", catalogue::ModelName, error));
    EXPECT_NE(error.find("WMI"), std::string::npos) << error;
}

TEST(PrefixFixture, UsbPlugIsWhatBothProgramsRead) {
    const std::string serial = catalogue::ModelUsbSerial;
    setup::ui::Win32UsbPortRegistry registry;
    EXPECT_FALSE(fixture::IsUsbPlugged(serial));
    EXPECT_FALSE(FindUsbPrinterPresent());
    EXPECT_FALSE(setup::core::ResolveUsbPort(registry, serial));

    std::string error;
    ASSERT_TRUE(fixture::PlugUsb(serial, error)) << error;
    EXPECT_TRUE(fixture::IsUsbPlugged(serial));
    EXPECT_TRUE(FindUsbPrinterPresent());  // the monitor's scan
    EXPECT_EQ(setup::core::ResolveUsbPort(registry, serial), std::optional<std::string>("USB001"));  // the installer's
    std::vector<setup::core::PortRecord> ports;
    ASSERT_TRUE(setup::ui::EnumerateSpoolerPorts(ports));
    EXPECT_TRUE(
        std::any_of(ports.begin(), ports.end(), [](const setup::core::PortRecord& p) { return p.name == "USB001"; }));

    ASSERT_TRUE(fixture::UnplugUsb(serial, error)) << error;
    EXPECT_FALSE(FindUsbPrinterPresent());
    EXPECT_FALSE(setup::core::ResolveUsbPort(registry, serial));
    // Plugging again re-links the same interface.
    ASSERT_TRUE(fixture::PlugUsb(serial, error)) << error;
    EXPECT_TRUE(FindUsbPrinterPresent());
    ASSERT_TRUE(fixture::UnplugUsb(serial, error)) << error;
}

TEST(PrefixFixture, PublishesTheQueuesPortAsTheSpoolerWould) {
    const std::string queue = "Fixture Published Port Queue";
    const std::string ds = std::string(fixture::kPrintersKey) + queue + "\\DsSpooler";
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::NoQueue);
    EXPECT_EQ(fixture::QueuePort(queue), "");

    // Added as the installer adds it: the spooler alone publishes nothing under Wine.
    ASSERT_TRUE(fixture::AddQueue(queue, "LPT1:")) << GetLastError();
    EXPECT_TRUE(fixture::QueueExists(queue));
    EXPECT_EQ(fixture::QueuePort(queue), "LPT1:");
    EXPECT_FALSE(bench::reg::KeyExists(HKEY_LOCAL_MACHINE, ds));

    DWORD type = 0;
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Written);
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, ds, "portName", &type), std::string("LPT1:\0\0", 7));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Unchanged);

    // The user moves the queue to another port: published again.
    ASSERT_TRUE(fixture::MoveQueue(queue, "COM1:")) << GetLastError();
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Written);
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, ds, "portName"), std::string("COM1:\0\0", 7));

    // A pool is published one string per port, and then left alone.
    ASSERT_TRUE(fixture::MoveQueue(queue, "LPT1:,LPT2:")) << GetLastError();
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Written);
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, ds, "portName"), std::string("LPT1:\0LPT2:\0\0", 13));
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Unchanged);

    // A published value of another type is replaced, not trusted.
    ASSERT_TRUE(fixture::MoveQueue(queue, "COM1:")) << GetLastError();
    ASSERT_TRUE(fixture::WritePublishedPort(queue, std::string("COM1:", 6), REG_SZ));
    EXPECT_EQ(fixture::PublishQueuePort(queue), fixture::Publish::Written);
    EXPECT_EQ(bench::reg::GetRaw(HKEY_LOCAL_MACHINE, ds, "portName", &type), std::string("COM1:\0\0", 7));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

    // The queue the scenarios create, and move, is published as this keeps it.
    const std::string created = "Fixture Created Queue";
    ASSERT_TRUE(fixture::AddUsbPort());
    ASSERT_TRUE(fixture::CreateQueue(created, "LPT1:,LPT2:")) << GetLastError();
    EXPECT_EQ(fixture::PublishQueuePort(created), fixture::Publish::Unchanged);
    ASSERT_TRUE(fixture::ChangeQueuePort(created, "USB001")) << GetLastError();
    EXPECT_EQ(fixture::PublishQueuePort(created), fixture::Publish::Unchanged);
    ASSERT_TRUE(fixture::DeleteQueue(created));
    EXPECT_FALSE(fixture::QueueExists(created));
}

}  // namespace
