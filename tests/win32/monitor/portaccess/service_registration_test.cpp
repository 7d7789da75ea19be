// What the client registers as the driver's kernel service, in a prefix where
// nothing registered it before: the arguments of each service manager call as
// the client makes them, and the registration they leave.
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/ServiceCalls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Handles.h"

namespace {

struct Call {
    std::string what;
    DWORD access = 0;
    std::string name;
    std::string displayName;
    DWORD serviceType = 0, startType = 0, errorControl = 0;
    std::string imagePath;
    bool restNull = false;  // machine/database, or group, tag, dependencies, account, password
};

std::vector<Call> g_calls;
bool g_standardUser = false;  // answer full-access opens as Windows 7 answers a standard user
PortDriverServiceCalls g_real;

std::string Text(LPCSTR s) { return s ? s : "<null>"; }

SC_HANDLE WINAPI RecordOpenManager(LPCSTR machine, LPCSTR database, DWORD access) {
    Call c;
    c.what = "manager";
    c.access = access;
    c.restNull = machine == nullptr && database == nullptr;
    g_calls.push_back(c);
    if (g_standardUser && access != GENERIC_READ) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return g_real.openManager(machine, database, access);
}

SC_HANDLE WINAPI RecordCreateService(SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access,
                                     DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR imagePath,
                                     LPCSTR group, LPDWORD tag, LPCSTR dependencies, LPCSTR account, LPCSTR password) {
    Call c;
    c.what = "create";
    c.access = access;
    c.name = Text(name);
    c.displayName = Text(displayName);
    c.serviceType = serviceType;
    c.startType = startType;
    c.errorControl = errorControl;
    c.imagePath = Text(imagePath);
    c.restNull =
        group == nullptr && tag == nullptr && dependencies == nullptr && account == nullptr && password == nullptr;
    g_calls.push_back(c);
    return g_real.createService(manager, name, displayName, access, serviceType, startType, errorControl, imagePath,
                                group, tag, dependencies, account, password);
}

SC_HANDLE WINAPI RecordOpenService(SC_HANDLE manager, LPCSTR name, DWORD access) {
    Call c;
    c.what = "open service";
    c.access = access;
    c.name = Text(name);
    g_calls.push_back(c);
    return g_real.openService(manager, name, access);
}

BOOL WINAPI RecordStartService(SC_HANDLE service, DWORD count, LPCSTR* arguments) {
    Call c;
    c.what = "start";
    c.restNull = count == 0 && arguments == nullptr;
    g_calls.push_back(c);
    return g_real.startService(service, count, arguments);
}

std::vector<std::string> Sequence() {
    std::vector<std::string> out;
    for (const Call& c : g_calls) out.push_back(c.what);
    return out;
}

std::string SystemDriverPath() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Drivers\\hwinterface.sys";
}

// The service's configuration as the service manager reports it.
struct Config {
    bool found = false;
    DWORD serviceType = 0, startType = 0, errorControl = 0;
    std::string imagePath, group, dependencies, displayName;
};

Config QueryConfig() {
    Config config;
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    pw::unique_service service(OpenServiceA(manager.get(), "hwinterface", SERVICE_QUERY_CONFIG));
    if (!service) return config;
    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return config;
    pw::heap_buffer buffer(needed);
    auto* info = buffer.as<QUERY_SERVICE_CONFIGA>();
    if (!buffer || !QueryServiceConfigA(service.get(), info, needed, &needed)) return config;
    config.found = true;
    config.serviceType = info->dwServiceType;
    config.startType = info->dwStartType;
    config.errorControl = info->dwErrorControl;
    config.imagePath = Text(info->lpBinaryPathName);
    config.group = info->lpLoadOrderGroup ? info->lpLoadOrderGroup : "";
    config.dependencies = info->lpDependencies ? info->lpDependencies : "";
    config.displayName = Text(info->lpDisplayName);
    return config;
}

// One prefix for the suite, in which nothing registered the service before.
class ServiceRegistration : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_real = PortDriverServices();
        PortDriverServices() = {RecordOpenManager, RecordCreateService, RecordOpenService, RecordStartService};
    }
    static void TearDownTestSuite() { PortDriverServices() = g_real; }
    void SetUp() override {
        g_calls.clear();
        g_standardUser = false;
    }
};

TEST_F(ServiceRegistration, FirstInstallationRegistersTheKernelService) {
    ASSERT_FALSE(QueryConfig().found) << "the prefix must not have the service yet";
    DeleteFileA(SystemDriverPath().c_str());

    EXPECT_EQ(InstallPortDriver(), 0);
    ASSERT_EQ(Sequence(), (std::vector<std::string>{"manager", "create"}));
    EXPECT_EQ(g_calls[0].access, static_cast<DWORD>(0xF003F)) << "SC_MANAGER_ALL_ACCESS";
    EXPECT_TRUE(g_calls[0].restNull) << "local machine, default database";
    const Call& create = g_calls[1];
    EXPECT_EQ(create.name, "hwinterface");
    EXPECT_EQ(create.displayName, "hwinterface");
    EXPECT_EQ(create.access, static_cast<DWORD>(0xF01FF)) << "SERVICE_ALL_ACCESS";
    EXPECT_EQ(create.serviceType, 1u) << "SERVICE_KERNEL_DRIVER";
    EXPECT_EQ(create.startType, 1u) << "SERVICE_SYSTEM_START";
    EXPECT_EQ(create.errorControl, 1u) << "SERVICE_ERROR_NORMAL";
    EXPECT_EQ(create.imagePath, "System32\\Drivers\\hwinterface.sys") << "relative to the system root";
    EXPECT_TRUE(create.restNull) << "no group, tag, dependencies, account or password";

    // What the service manager keeps.
    const Config config = QueryConfig();
    ASSERT_TRUE(config.found);
    EXPECT_EQ(config.serviceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_SYSTEM_START));
    EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config.imagePath, "System32\\Drivers\\hwinterface.sys");
    EXPECT_EQ(config.displayName, "hwinterface");
    EXPECT_EQ(config.group, "");
    EXPECT_EQ(config.dependencies, "");

    // The image the relative path names was written from the program's resource.
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(164), "bin");
    ASSERT_NE(resource, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(SystemDriverPath().c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, SizeofResource(nullptr, resource));
}

TEST_F(ServiceRegistration, StartOpensTheServiceForExecution) {
    // Wine cannot load the relative image path (Windows resolves it), so the start is refused here.
    EXPECT_EQ(StartPortDriver(), 3);
    ASSERT_EQ(Sequence(), (std::vector<std::string>{"manager", "open service", "start"}));
    EXPECT_EQ(g_calls[0].access, static_cast<DWORD>(0xF003F));
    EXPECT_EQ(g_calls[1].name, "hwinterface");
    EXPECT_EQ(g_calls[1].access, static_cast<DWORD>(0x20000000)) << "GENERIC_EXECUTE";
    EXPECT_TRUE(g_calls[2].restNull) << "no start arguments";
}

TEST_F(ServiceRegistration, StandardUserIsRefusedFullAccessAndStartsFromAReadOpen) {
    // Windows 7 refuses a standard user SC_MANAGER_ALL_ACCESS; Wine never does.
    g_standardUser = true;
    EXPECT_EQ(InstallPortDriver(), 5);
    EXPECT_EQ(Sequence(), (std::vector<std::string>{"manager"})) << "no creation without full access";

    g_calls.clear();
    EXPECT_EQ(StartPortDriver(), 4);
    ASSERT_EQ(Sequence(), (std::vector<std::string>{"manager", "manager", "open service", "start"}));
    EXPECT_EQ(g_calls[0].access, static_cast<DWORD>(0xF003F));
    EXPECT_EQ(g_calls[1].access, static_cast<DWORD>(0x80000000)) << "GENERIC_READ";
    EXPECT_TRUE(g_calls[1].restNull);
    EXPECT_EQ(g_calls[2].access, static_cast<DWORD>(0x20000000)) << "GENERIC_EXECUTE";
}

}  // namespace
