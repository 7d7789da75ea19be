#include "monitor/portaccess/core/LptDiscovery.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using portaccess::ComResult;

constexpr ComResult kTooLate = static_cast<ComResult>(0x80010119);             // RPC_E_TOO_LATE
constexpr ComResult kChangedMode = static_cast<ComResult>(0x80010106);         // RPC_E_CHANGED_MODE
constexpr ComResult kAccessDenied = static_cast<ComResult>(0x80070005);        // E_ACCESSDENIED
constexpr ComResult kFail = static_cast<ComResult>(0x80004005);                // E_FAIL
constexpr ComResult kNoSecurityPackages = static_cast<ComResult>(0x8001011A);  // RPC_E_NO_GOOD_SECURITY_PACKAGES
constexpr ComResult kFalse = 1;                                                // S_FALSE

class Devices : public portaccess::PnpEntitySource {
public:
    std::vector<std::pair<std::string, std::string>> list;  // name, instance id
    bool Next() override { return ++m_at < list.size(); }
    bool Name(std::string& name) override {
        name = list[m_at].first;
        return true;
    }
    bool PnpDeviceId(std::string& id) override {
        id = list[m_at].second;
        return true;
    }
private:
    std::size_t m_at = static_cast<std::size_t>(-1);
};

// COM as Windows 7 answers one thread: a count of initialisations, the
// interfaces held, the process's security set once (later attempts get
// RPC_E_TOO_LATE), and an answer per step. Records the order of the calls.
class FakeCom : public portaccess::LptDiscoverySystem {
public:
    ComResult init = 0, security = 0, locator = 0, connect = 0, blanket = 0, query = 0;
    bool securitySet = false;
    int initCount = 0;  // successful InitializeCom not yet balanced
    int foreign = 0;    // initialisations another part of the program made on this thread
    int held = 0;       // interfaces obtained and not released
    std::vector<std::string> calls;
    Devices devices;

    ComResult InitializeCom() override {
        calls.push_back("init");
        if (init >= 0) ++initCount;
        return init;
    }
    void UninitializeCom() override {
        calls.push_back("uninit");
        EXPECT_EQ(held, 0) << "an interface outlived COM";
        --initCount;
    }
    ComResult InitializeSecurity() override {
        calls.push_back("security");
        EXPECT_GT(initCount + foreign, 0);
        if (securitySet) return kTooLate;
        if (security >= 0) securitySet = true;
        return security;
    }
    ComResult CreateLocator() override { return Step("locator", locator); }
    ComResult ConnectToNamespace() override { return Step("connect", connect); }
    ComResult SetServicesBlanket() override {
        calls.push_back("blanket");
        return blanket;
    }
    ComResult QueryPnpEntities() override { return Step("query", query); }
    portaccess::PnpEntitySource& Results() override {
        calls.push_back("walk");
        return devices;
    }
    void ReleaseInterfaces() override {
        calls.push_back("release");
        held = 0;
    }

private:
    ComResult Step(const char* name, ComResult answer) {
        calls.push_back(name);
        EXPECT_GT(initCount + foreign, 0);
        if (answer >= 0) ++held;
        return answer;
    }
};

using Calls = std::vector<std::string>;

TEST(LptDiscovery, EveryLookupInAProcessRunsAfterTheFirstSetTheSecurity) {
    // Each opening of the window and each port change looks the port up again.
    FakeCom com;
    for (const char* port : {"(LPT1)", "(LPT2)", "(LPT1)"}) {
        com.calls.clear();
        com.devices = Devices();
        com.devices.list = {{"Printer Port (LPT1)", "ACPI\\PNP0401\\1"}, {"Printer Port (LPT2)", "ACPI\\PNP0401\\2"}};
        std::string id = port;
        EXPECT_EQ(portaccess::FindLptDeviceId(com, id), 0) << port;
        EXPECT_EQ(id, std::string("ACPI\\PNP0401\\") + port[4]) << port;
        EXPECT_EQ(com.calls,
                  (Calls{"init", "security", "locator", "connect", "blanket", "query", "walk", "release", "uninit"}));
        EXPECT_EQ(com.initCount, 0);
    }
}

TEST(LptDiscovery, AnyOtherSecurityFailureEndsTheLookup) {
    for (ComResult failure : {kFail, kAccessDenied, kNoSecurityPackages}) {
        FakeCom com;
        com.security = failure;
        com.devices.list = {{"Printer Port (LPT1)", "ACPI\\PNP0401\\1"}};
        std::string id = "(LPT1)";
        EXPECT_EQ(portaccess::FindLptDeviceId(com, id), 1) << std::hex << failure;
        EXPECT_EQ(id, "(LPT1)") << std::hex << failure;
        EXPECT_EQ(com.calls, (Calls{"init", "security", "release", "uninit"})) << std::hex << failure;
        EXPECT_EQ(com.initCount, 0) << std::hex << failure;
    }
}

TEST(LptDiscovery, EachFailingStepEndsWithOneAndBalancesCom) {
    struct Case {
        ComResult FakeCom::*step;
        Calls calls;
    };
    const std::vector<Case> cases = {
        {&FakeCom::locator, {"init", "security", "locator", "release", "uninit"}},
        {&FakeCom::connect, {"init", "security", "locator", "connect", "release", "uninit"}},
        {&FakeCom::blanket, {"init", "security", "locator", "connect", "blanket", "release", "uninit"}},
        {&FakeCom::query, {"init", "security", "locator", "connect", "blanket", "query", "release", "uninit"}},
    };
    // With the security set now or by an earlier lookup, a later failure still ends the lookup.
    for (bool earlier : {false, true}) {
        for (const Case& c : cases) {
            FakeCom com;
            com.securitySet = earlier;
            com.*c.step = kFail;
            std::string id = "(LPT1)";
            EXPECT_EQ(portaccess::FindLptDeviceId(com, id), 1);
            EXPECT_EQ(com.calls, c.calls);
            EXPECT_EQ(com.initCount, 0);
            EXPECT_EQ(id, "(LPT1)");
        }
    }
}

TEST(LptDiscovery, ComInitialisation) {
    // The thread is already in the other apartment model (another part of the
    // program initialised it first): the lookup runs in it and leaves it as it
    // was, uninitialising nothing it did not initialise.
    FakeCom changed;
    changed.foreign = 1;
    changed.init = kChangedMode;
    changed.devices.list = {{"Printer Port (LPT1)", "ACPI\\PNP0401\\1"}};
    std::string id = "(LPT1)";
    EXPECT_EQ(portaccess::FindLptDeviceId(changed, id), 0);
    EXPECT_EQ(id, "ACPI\\PNP0401\\1");
    EXPECT_EQ(changed.calls, (Calls{"init", "security", "locator", "connect", "blanket", "query", "walk", "release"}));
    EXPECT_EQ(changed.initCount, 0);

    // Any other refusal: no COM, no lookup, nothing to balance.
    FakeCom refused;
    refused.init = kFail;
    id = "(LPT1)";
    EXPECT_EQ(portaccess::FindLptDeviceId(refused, id), 1);
    EXPECT_EQ(refused.calls, (Calls{"init"}));
    EXPECT_EQ(refused.initCount, 0);

    // Already initialised on this thread (S_FALSE) still needs its CoUninitialize.
    FakeCom again;
    again.init = kFalse;
    again.securitySet = true;
    EXPECT_EQ(portaccess::FindLptDeviceId(again, id), 0);
    EXPECT_EQ(again.calls.back(), "uninit");
    EXPECT_EQ(again.initCount, 0);
}

}  // namespace
