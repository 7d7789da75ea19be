// The driver registration's two routes, through the engine's seam of system
// calls. The fake answers as Windows 7 does: it can install a driver from a
// package, it knows where the driver store keeps a staged INF, and its
// spooler refuses a driver record whose files are not in the driver
// directory. Everything else (the files, the INF store, the spooler that
// accepts a sound record) is Wine's own.
#include "setup/engine/DriverCalls.h"
#include "setup/engine/FileCopy.h"
#include "setup/engine/Installer.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "setup/core/DriverRegistration.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kModel = catalogue::ModelName;

std::string DriverDir() {
    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed)) return {};
    return dir;
}

std::vector<std::string> Strings(const char* list) {
    std::vector<std::string> out;
    for (const char* p = list; p && *p; p += std::strlen(p) + 1) out.push_back(p);
    return out;
}

class Windows7Calls : public setup::engine::DriverCalls {
public:
    struct Record {
        std::string name, driverPath, dataFile, configFile, helpFile;
        std::vector<std::string> dependents;
        bool accepted = false;
    };
    std::vector<Record> records;
    std::vector<std::string> storeLookups;
    std::vector<std::pair<std::string, std::string>> packages;   // INF, driver name

    bool FileExists(const std::string& path) override { return setup::engine::SystemDriverCalls().FileExists(path); }

    bool AddDriverRecord(DRIVER_INFO_6A& record) override {
        Record seen{record.pName, record.pDriverPath, record.pDataFile, record.pConfigFile, record.pHelpFile,
                    Strings(record.pDependentFiles)};
        std::vector<std::string> files = seen.dependents;
        files.insert(files.end(), {seen.driverPath, seen.dataFile, seen.configFile, seen.helpFile});
        seen.accepted = true;
        for (const std::string& file : files)
            if (!bench::FileExists(DriverDir() + "\\" + file)) seen.accepted = false;
        // A record naming a missing file is refused; a sound one goes to the spooler.
        if (seen.accepted) seen.accepted = setup::engine::SystemDriverCalls().AddDriverRecord(record);
        else SetLastError(ERROR_FILE_NOT_FOUND);
        records.push_back(seen);
        return seen.accepted;
    }

    bool CanInstallFromPackage() override { return true; }

    std::string DriverStoreInf(const std::string& stagedInf) override {
        storeLookups.push_back(stagedInf);
        return StoreInf();
    }

    HRESULT InstallFromPackage(const std::string& infPath, const std::string& driverName) override {
        packages.emplace_back(infPath, driverName);
        // The spooler then has the driver, the universal one taken from the system's package.
        SpoolerHasTheDriver();
        return S_OK;
    }

    static std::string StoreInf() {
        return "C:\\Windows\\System32\\DriverStore\\FileRepository\\zykelxd.inf_x86_neutral_5f2a\\" +
               std::string(catalogue::ModelInfFile);
    }

private:
    static void SpoolerHasTheDriver() {
        char name[128];
        std::snprintf(name, sizeof name, "%s", catalogue::ModelName);
        char dll[] = "unidrv.dll", ui[] = "unidrvui.dll";
        char gpd[64];
        std::snprintf(gpd, sizeof gpd, "%s", catalogue::ModelGpdFile);
        DRIVER_INFO_3A info = {};
        info.cVersion = 3;
        info.pName = name;
        info.pDriverPath = dll;
        info.pDataFile = gpd;
        info.pConfigFile = ui;
        AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info));
    }
};

// The universal driver's files in the driver directory, as a Windows 7 that
// installed another printer on the universal driver has them; all but `missing`.
void PlantUniversalFiles(const std::string& missing = "") {
    for (const char* file : setup::core::kUniversalDriverFiles) {
        const std::string path = DriverDir() + "\\" + file;
        if (file == missing) {
            DeleteFileA(path.c_str());
        } else {
            ASSERT_TRUE(bench::WriteFileText(path, std::string("stand-in for ") + file)) << path;
        }
    }
}

void RemoveUniversalFiles() {
    for (const char* file : setup::core::kUniversalDriverFiles) DeleteFileA((DriverDir() + "\\" + file).c_str());
}

class DriverRoute : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture::PlantDatatype(kModel)) << GetLastError();
        ASSERT_TRUE(bench::MakeDirs("C:\\Documents and Settings\\All Users\\Start Menu\\Programs"));
        const std::string medium = bench::JoinPath(bench::BuildDir(), PW_MEDIUM_DIR);
        ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str())) << medium;
        CFileCopy staging;
        staging.StageDriverFiles();
        ASSERT_TRUE(bench::FileExists(DriverDir() + "\\" + catalogue::ModelInfFile));
    }
};

}  // namespace

// A clean Windows 7 lacks some of the files: the model's staged package is
// installed, named by its place in the driver store, and no record is offered.
TEST_F(DriverRoute, MissingUniversalFilesInstallTheStagedPackage) {
    for (const char* missing : setup::core::kUniversalDriverFiles) {
        PlantUniversalFiles(missing);
        Windows7Calls windows7;
        CInstaller installer(windows7);
        ASSERT_EQ(installer.GetDriverDirectory(), 1);
        EXPECT_EQ(installer.RegisterDriver(), 1) << missing;
        EXPECT_TRUE(windows7.records.empty()) << missing;
        ASSERT_EQ(windows7.packages.size(), 1u) << missing;
        EXPECT_EQ(windows7.packages[0].first, Windows7Calls::StoreInf());
        EXPECT_EQ(windows7.packages[0].second, kModel);
        // The store is asked about the INF staged into the system's INF store.
        ASSERT_EQ(windows7.storeLookups.size(), 1u);
        EXPECT_EQ(windows7.storeLookups[0], std::string(installer.m_szOemInf));
        EXPECT_TRUE(bench::FileExists(installer.m_szOemInf)) << installer.m_szOemInf;
    }

    // None of them, and the whole installation: the queue goes onto the driver
    // the package gave the spooler.
    RemoveUniversalFiles();
    Windows7Calls windows7;
    CInstaller installer(windows7);
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_bDriverAdded, 1);
    EXPECT_EQ(installer.m_bQueueAdded, 1);
    EXPECT_EQ(installer.m_strResult, kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_TRUE(windows7.records.empty());
    EXPECT_EQ(windows7.packages.size(), 1u);
    EXPECT_EQ(fixture::QueuePort(kModel), "LPT1:");
}

// Every file there: the record with bare names, as before, which Wine's
// spooler accepts; no package is installed.
TEST_F(DriverRoute, PresentUniversalFilesRegisterTheRecordAsBefore) {
    PlantUniversalFiles();
    Windows7Calls windows7;
    CInstaller installer(windows7);
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_bDriverAdded, 1);
    EXPECT_EQ(installer.m_bQueueAdded, 1);
    EXPECT_TRUE(windows7.packages.empty());
    ASSERT_EQ(windows7.records.size(), 1u);
    const Windows7Calls::Record& record = windows7.records[0];
    EXPECT_TRUE(record.accepted);
    EXPECT_EQ(record.name, kModel);
    EXPECT_EQ(record.driverPath, "unidrv.dll");
    EXPECT_EQ(record.dataFile, catalogue::ModelGpdFile);
    EXPECT_EQ(record.configFile, "unidrvui.dll");
    EXPECT_EQ(record.helpFile, "unidrv.hlp");
    EXPECT_EQ(record.dependents, (std::vector<std::string>{"ZYKE9pin.dll", "unidrvui.dll", "unidrv.dll",
                                                            "unidrv.hlp", "unires.dll", "stdnames.gpd"}));

    // The spooler holds the driver with the universal files from the driver directory.
    pw::unique_printer printer;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>(kModel.c_str()), printer.put(), nullptr));
    DWORD needed = 0;
    GetPrinterDriverA(printer.get(), nullptr, 3, nullptr, 0, &needed);
    pw::heap_buffer driver(needed);
    ASSERT_TRUE(GetPrinterDriverA(printer.get(), nullptr, 3, driver.get(), needed, &needed));
    const auto* info = driver.as<DRIVER_INFO_3A>();
    const std::string driverPath = info->pDriverPath ? info->pDriverPath : "";
    EXPECT_NE(driverPath.find("unidrv.dll"), std::string::npos) << driverPath;
    EXPECT_TRUE(bench::FileExists(driverPath)) << driverPath;

    // The system's own calls make the same choice under Wine, which cannot install packages.
    EXPECT_FALSE(setup::engine::SystemDriverCalls().CanInstallFromPackage());
    CInstaller system;
    ASSERT_EQ(system.GetDriverDirectory(), 1);
    EXPECT_EQ(system.RegisterDriver(), 1);
}
