// LPT address discovery end to end: WMI (through the stand-in provider that
// serves Name and PNPDeviceID) gives the port's instance id, whose Enum key
// holds the resource list with the I/O range.
#include "monitor/portaccess/PortAccess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace {

constexpr char kLocatorServerKey[] = "CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";
constexpr char kFixtureKey[] = "Software\\Pagewarden Test\\Wmi";

std::string FixtureDllPath() {
    std::string path = PW_WMI_FIXTURE_DLL;  // the build's host path, seen through Z:
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

void SetString(HKEY root, const char* keyPath, const char* name, DWORD type, const std::string& value) {
    pw::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
}

std::string GetString(HKEY root, const char* keyPath, const char* name) {
    pw::unique_hkey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return "";
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value) - 1;
    if (RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return "";
    return value;
}

// Devices served by the provider: "Name\tPNPDeviceID" each.
void ServeRows(const std::vector<std::string>& rows) {
    std::string multi;
    for (const std::string& row : rows) multi += row + '\0';
    multi += '\0';
    pw::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFixtureKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "Rows", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                             static_cast<DWORD>(multi.size())),
              ERROR_SUCCESS);
}

void FailStep(const char* step) { SetString(HKEY_LOCAL_MACHINE, kFixtureKey, "Fail", REG_SZ, step); }

// A resource list: one full descriptor with the given partials (type, start).
std::vector<BYTE> ResourceList(const std::vector<std::pair<BYTE, std::uint64_t>>& partials) {
    std::vector<BYTE> b;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    put32(1);
    put32(15);  // PNP ISA
    put32(0);
    b.insert(b.end(), {1, 0, 1, 0});
    put32(static_cast<std::uint32_t>(partials.size()));
    for (const auto& p : partials) {
        b.insert(b.end(), {p.first, 1, 0x11, 0});
        put32(static_cast<std::uint32_t>(p.second));
        put32(static_cast<std::uint32_t>(p.second >> 32));
        put32(8);
    }
    return b;
}

void PlantAllocConfig(const std::string& instanceId, const std::vector<BYTE>& list) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\" + instanceId + "\\Control";
    pw::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "AllocConfig", 0, REG_RESOURCE_LIST, list.data(),
                             static_cast<DWORD>(list.size())),
              ERROR_SUCCESS);
}

using LiveFn = LONG(WINAPI*)();
using LogFn = const char*(WINAPI*)();
using ResetFn = void(WINAPI*)();

class LptDiscovery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        original_ = GetString(HKEY_CLASSES_ROOT, kLocatorServerKey, "");
        // Held by the test too, so its counters outlive COM's use of it.
        module_ = LoadLibraryA(FixtureDllPath().c_str());
        ASSERT_NE(module_, nullptr) << FixtureDllPath() << " " << GetLastError();
        live_ = reinterpret_cast<LiveFn>(reinterpret_cast<void*>(GetProcAddress(module_, "PwWmiLiveObjects")));
        log_ = reinterpret_cast<LogFn>(reinterpret_cast<void*>(GetProcAddress(module_, "PwWmiLog")));
        reset_ = reinterpret_cast<ResetFn>(reinterpret_cast<void*>(GetProcAddress(module_, "PwWmiResetLog")));
        ASSERT_TRUE(live_ && log_ && reset_);
        SetString(HKEY_CLASSES_ROOT, kLocatorServerKey, "", REG_SZ, FixtureDllPath());
    }
    static void TearDownTestSuite() {
        if (!original_.empty()) SetString(HKEY_CLASSES_ROOT, kLocatorServerKey, "", REG_SZ, original_);
    }
    void SetUp() override {
        ServeRows({"Communications Port (COM1)\tACPI\\PNP0501\\1", "ECP Printer Port (LPT1)\tACPI\\PNP0401\\1",
                   "Printer Port (LPT2)\tACPI\\PNP0400\\2"});
        FailStep("");
        reset_();
        StatusPortAddress = 0x1234;
    }
    // The call released every object it got and left COM uninitialised on this thread.
    void ExpectReleasedAndBalanced() {
        EXPECT_EQ(live_(), 0) << "objects not released";
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(hr, S_OK) << "CoInitializeEx was not balanced: " << std::hex << hr;
        if (SUCCEEDED(hr)) CoUninitialize();
    }
    static std::string original_;
    static HMODULE module_;
    static LiveFn live_;
    static LogFn log_;
    static ResetFn reset_;
};
std::string LptDiscovery::original_;
HMODULE LptDiscovery::module_ = nullptr;
LiveFn LptDiscovery::live_ = nullptr;
LogFn LptDiscovery::log_ = nullptr;
ResetFn LptDiscovery::reset_ = nullptr;

TEST_F(LptDiscovery, FindsTheStatusRegisterOfLpt1) {
    PlantAllocConfig("ACPI\\PNP0401\\1", ResourceList({{1, 0x378}, {1, 0x778}, {2, 7}}));
    LptDeviceId = "(LPT1)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, "ACPI\\PNP0401\\1");
    ExpectReleasedAndBalanced();
    const std::string log = log_();
    EXPECT_EQ(log.rfind("CreateInstance;ConnectServer ROOT\\CIMV2;SetBlanket 10 0 - 3 3 - 0;"
                        "ExecQuery WQL SELECT * FROM Win32_PnPEntity 48;Next -1 1;Get Name;",
                        0),
              0u)
        << log;
    EXPECT_NE(log.find("Get PNPDeviceID"), std::string::npos) << log;
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x379u);
}

TEST_F(LptDiscovery, OtherPortsAndRanges) {
    PlantAllocConfig("ACPI\\PNP0400\\2", ResourceList({{2, 5}, {1, 0x278}}));
    LptDeviceId = "(LPT2)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, "ACPI\\PNP0400\\2");
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x279u) << "an interrupt before the port range is skipped";

    ServeRows({"Printer Port (LPT3)\tPCI\\VEN_9710&DEV_9805\\3"});
    PlantAllocConfig("PCI\\VEN_9710&DEV_9805\\3", ResourceList({{1, 0x3BC}}));
    LptDeviceId = "(LPT3)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x3BDu);
}

TEST_F(LptDiscovery, FirstMatchWinsAndLaterNamesMeetTheNewId) {
    ServeRows({"ECP Printer Port (LPT1)\tACPI\\PNP0401\\1", "Second Port (LPT1)\tACPI\\PNP0401\\9",
               "lower case port (lpt1)\tX\\Y"});
    LptDeviceId = "(LPT1)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, "ACPI\\PNP0401\\1");
    ExpectReleasedAndBalanced();
}

TEST_F(LptDiscovery, NoMatchingDeviceLeavesTheSearchText) {
    LptDeviceId = "(LPT3)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, "(LPT3)");
    ExpectReleasedAndBalanced();
    EXPECT_FALSE(ReadLptPortAddress()) << "no key named after the search text";
    EXPECT_EQ(StatusPortAddress, 0x1234u);

    // Non-string values take no part.
    ServeRows({"<int>\tACPI\\PNP0401\\1", "ECP Printer Port (LPT1)\t<null>"});
    LptDeviceId = "(LPT1)";
    ASSERT_EQ(FindLptDeviceId(LptDeviceId), 0);
    EXPECT_EQ(LptDeviceId, "(LPT1)");
    ExpectReleasedAndBalanced();
}

TEST_F(LptDiscovery, EachFailingStepReleasesWhatItGot) {
    for (const char* step : {"CreateInstance", "ConnectServer", "SetBlanket", "ExecQuery"}) {
        FailStep(step);
        reset_();
        LptDeviceId = "(LPT1)";
        EXPECT_EQ(FindLptDeviceId(LptDeviceId), 1) << step;
        EXPECT_EQ(LptDeviceId, "(LPT1)") << step;
        EXPECT_EQ(std::string(log_()).find("Next"), std::string::npos) << step << ": " << log_();
        ExpectReleasedAndBalanced();
    }
}

TEST_F(LptDiscovery, UnusableAllocConfigGivesFalse) {
    const std::string id = "ACPI\\PNP0401\\1";
    LptDeviceId = id;
    // No port range at all.
    PlantAllocConfig(id, ResourceList({{2, 7}, {3, 0xD0000}}));
    EXPECT_FALSE(ReadLptPortAddress());
    // A value too large for the 512-byte query.
    std::vector<std::pair<BYTE, std::uint64_t>> many(40, {2, 7});
    many.push_back({1, 0x378});
    std::vector<BYTE> big = ResourceList(many);
    ASSERT_GT(big.size(), 512u);
    PlantAllocConfig(id, big);
    EXPECT_FALSE(ReadLptPortAddress());
    // Counts that claim more than the value holds.
    std::vector<BYTE> lying = ResourceList({{2, 7}});
    lying[16] = 0xFF;
    lying[17] = 0xFF;
    PlantAllocConfig(id, lying);
    EXPECT_FALSE(ReadLptPortAddress());
    // The key without the value.
    {
        pw::unique_hkey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\" + id + "\\Control").c_str(), 0,
                                KEY_SET_VALUE, key.put()),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegDeleteValueA(key.get(), "AllocConfig"), ERROR_SUCCESS);
    }
    EXPECT_FALSE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x1234u);
    // A value of exactly 512 bytes is still read.
    std::vector<std::pair<BYTE, std::uint64_t>> fits(29, {2, 7});
    fits.push_back({1, 0x278});
    std::vector<BYTE> exact = ResourceList(fits);
    ASSERT_LE(exact.size(), 512u);
    exact.resize(512, 0);
    PlantAllocConfig(id, exact);
    ASSERT_TRUE(ReadLptPortAddress());
    EXPECT_EQ(StatusPortAddress, 0x279u);
}

}  // namespace
