#include "setup/engine/DriverCalls.h"

#include <setupapi.h>

namespace setup::engine {

namespace {

// Both are looked up by name: Windows 7 exports them, Wine 8 does not, and an
// import would keep the installer from loading where they are missing.
using InstallFromPackageFn = HRESULT(WINAPI*)(LPCSTR server, LPCSTR infPath, LPCSTR driverName, LPCSTR environment,
                                              DWORD flags);
using DriverStoreLocationFn = BOOL(WINAPI*)(PCSTR fileName, PSP_ALTPLATFORM_INFO platform, PCSTR locale, PSTR buffer,
                                            DWORD bufferSize, PDWORD requiredSize);

template <typename Fn> Fn Lookup(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

InstallFromPackageFn InstallFromPackageProc() {
    return Lookup<InstallFromPackageFn>("winspool.drv", "InstallPrinterDriverFromPackageA");
}

class SystemCalls : public DriverCalls {
public:
    bool FileExists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool AddDriverRecord(DRIVER_INFO_6A& record) override {
        return AddPrinterDriverA(nullptr, 6, reinterpret_cast<BYTE*>(&record)) != FALSE;
    }

    bool CanInstallFromPackage() override { return InstallFromPackageProc() != nullptr; }

    std::string DriverStoreInf(const std::string& stagedInf) override {
        const auto locate = Lookup<DriverStoreLocationFn>("setupapi.dll", "SetupGetInfDriverStoreLocationA");
        if (!locate) return {};
        char location[MAX_PATH] = {};
        DWORD required = 0;
        if (!locate(stagedInf.c_str(), nullptr, nullptr, location, sizeof location, &required)) return {};
        location[sizeof location - 1] = '\0';
        return location;
    }

    HRESULT InstallFromPackage(const std::string& infPath, const std::string& driverName) override {
        const InstallFromPackageFn install = InstallFromPackageProc();
        if (!install) return E_NOTIMPL;
        return install(nullptr, infPath.c_str(), driverName.c_str(), nullptr, 0);
    }
};

}  // namespace

DriverCalls& SystemDriverCalls() {
    static SystemCalls calls;
    return calls;
}

}  // namespace setup::engine
