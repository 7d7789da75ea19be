#include "setup/core/InstallFlow.h"
#include "setup/core/UsbPort.h"

#include <gtest/gtest.h>

#include <map>

using namespace setup::core;

TEST(UsbPort, FormatsAtLeastThreeDigits) {
    EXPECT_EQ(FormatUsbPort(0), "USB000");
    EXPECT_EQ(FormatUsbPort(1), "USB001");
    EXPECT_EQ(FormatUsbPort(3), "USB003");
    EXPECT_EQ(FormatUsbPort(12), "USB012");
    EXPECT_EQ(FormatUsbPort(999), "USB999");
    EXPECT_EQ(FormatUsbPort(1234), "USB1234");
    EXPECT_EQ(FormatUsbPort(0xFFFFFFFFu), "USB4294967295");
}

TEST(UsbPort, InterfaceKeyNameCarriesTheSerial) {
    EXPECT_EQ(UsbInterfaceKeyName("zyk-455sent"),
              "##?#USB#Vid_0f3a&Pid_1101#zyk-455sent#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}");
}

namespace {

// A registry of 32-bit values addressed by their joined key path.
class FakeRegistry : public UsbPortRegistry {
public:
    std::map<std::string, std::uint32_t> values;
    std::vector<std::string> reads;

    void Set(const std::string& serial, const std::string& key, const std::string& value, std::uint32_t data) {
        values[UsbInterfaceKeyName(serial) + "\\#\\" + key + ":" + value] = data;
    }
    std::optional<std::uint32_t> ReadDword(const std::vector<std::string>& subkeys, const char* valueName) override {
        std::string path;
        for (const std::string& key : subkeys) path += (path.empty() ? "" : "\\") + key;
        path += ":";
        path += valueName;
        reads.push_back(path);
        auto it = values.find(path);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

}  // namespace

TEST(UsbPort, LinkedInterfaceGivesItsPort) {
    FakeRegistry registry;
    registry.Set("zyk-455sent", "Control", "Linked", 1);
    registry.Set("zyk-455sent", "Device Parameters", "Port Number", 3);
    EXPECT_EQ(ResolveUsbPort(registry, "zyk-455sent"), std::optional<std::string>("USB003"));
    ASSERT_EQ(registry.reads.size(), 2u);
    EXPECT_NE(registry.reads[0].find("\\#\\Control:Linked"), std::string::npos);
    EXPECT_NE(registry.reads[1].find("\\#\\Device Parameters:Port Number"), std::string::npos);
}

TEST(UsbPort, UnlinkedOrIncompleteInterfaceGivesNoPort) {
    {
        FakeRegistry registry;  // nothing there
        EXPECT_FALSE(ResolveUsbPort(registry, "zyk-455sent").has_value());
        EXPECT_EQ(registry.reads.size(), 1u);  // the port number is not read
    }
    {
        FakeRegistry registry;
        registry.Set("zyk-455sent", "Control", "Linked", 0);
        registry.Set("zyk-455sent", "Device Parameters", "Port Number", 3);
        EXPECT_FALSE(ResolveUsbPort(registry, "zyk-455sent").has_value());
        EXPECT_EQ(registry.reads.size(), 1u);
    }
    {
        FakeRegistry registry;
        registry.Set("zyk-455sent", "Control", "Linked", 2);
        registry.Set("zyk-455sent", "Device Parameters", "Port Number", 3);
        EXPECT_FALSE(ResolveUsbPort(registry, "zyk-455sent").has_value());
    }
    {
        // Linked but without a port number: no guess at USB001.
        FakeRegistry registry;
        registry.Set("zyk-455sent", "Control", "Linked", 1);
        EXPECT_FALSE(ResolveUsbPort(registry, "zyk-455sent").has_value());
    }
    {
        // Another printer's interface does not count.
        FakeRegistry registry;
        registry.Set("zyk-455", "Control", "Linked", 1);
        registry.Set("zyk-455", "Device Parameters", "Port Number", 1);
        EXPECT_FALSE(ResolveUsbPort(registry, "zyk-455sent").has_value());
    }
}

namespace {

// Steps that answer as configured and log what they were run with.
struct ScriptedArrival {
    bool staged = true;
    std::optional<std::string> port = std::string("USB003");
    std::string log;
};

// Runs the steps as the connection dialog does, handing each result to the flow.
FlowReport RunArrivalInstallation(ScriptedArrival& steps) {
    ArrivalOutcome outcome;
    ArrivalStep step = ArrivalStep::StageInf;
    while (step != ArrivalStep::Done) {
        ArrivalResult result;
        switch (step) {
        case ArrivalStep::StageInf:
            steps.log += "stage;";
            result.succeeded = steps.staged;
            break;
        case ArrivalStep::ReadUsbPort:
            steps.log += "read;";
            result.port = steps.port;
            break;
        case ArrivalStep::InstallPrinter:
            steps.log += "install " + outcome.port + ";";
            result.succeeded = true;
            break;
        case ArrivalStep::Done: break;
        }
        step = NextArrivalStep(step, result, outcome);
    }
    return outcome.report;
}

}  // namespace

TEST(InstallFlow, ArrivalInstallsOnTheReadPort) {
    ScriptedArrival steps;
    EXPECT_EQ(RunArrivalInstallation(steps), FlowReport::InstallerResult);
    EXPECT_EQ(steps.log, "stage;read;install USB003;");
}

TEST(InstallFlow, FailedStagingReportsWithoutReadingThePort) {
    ScriptedArrival steps;
    steps.staged = false;
    EXPECT_EQ(RunArrivalInstallation(steps), FlowReport::InstallerResult);
    EXPECT_EQ(steps.log, "stage;");
}

TEST(InstallFlow, UnreadablePortInstallsNothing) {
    ScriptedArrival steps;
    steps.port.reset();
    EXPECT_EQ(RunArrivalInstallation(steps), FlowReport::NothingInstalled);
    EXPECT_EQ(steps.log, "stage;read;");
}

TEST(InstallFlow, OnlyANamedPortCanBeInstalledOn) {
    EXPECT_FALSE(CanInstallOnPort(""));
    EXPECT_TRUE(CanInstallOnPort("LPT1:"));
    EXPECT_TRUE(CanInstallOnPort("COM1:"));
}
