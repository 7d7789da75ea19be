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
#include "setup/core/DriverRegistration.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kModel = catalogue::ModelName;

std::string DriverDir() { return bench::SystemDir() + "\\spool\\drivers\\w32x86"; }

std::vector<std::string> Strings(const char* list) {
    std::vector<std::string> out;
    for (const char* p = list; p && *p; p += std::strlen(p) + 1) out.push_back(p);
    return out;
}

class Windows7Calls : public setup::engine::DriverCalls {
public:
    struct Record {
        std::string name;
        bool accepted = false;
    };
    std::vector<Record> records;
    std::vector<std::string> storeLookups;
    std::vector<std::pair<std::string, std::string>> packages;  // INF, driver name

    bool FileExists(const std::string& path) override { return setup::engine::SystemDriverCalls().FileExists(path); }

    // A record naming a file missing from the driver directory is refused; a
    // sound one goes to the spooler.
    bool AddDriverRecord(DRIVER_INFO_6A& record) override {
        std::vector<std::string> files = Strings(record.pDependentFiles);
        files.insert(files.end(), {record.pDriverPath, record.pDataFile, record.pConfigFile, record.pHelpFile});
        bool accepted = true;
        for (const std::string& file : files)
            if (!bench::FileExists(DriverDir() + "\\" + file)) accepted = false;
        if (accepted)
            accepted = setup::engine::SystemDriverCalls().AddDriverRecord(record);
        else
            SetLastError(ERROR_FILE_NOT_FOUND);
        records.push_back({record.pName, accepted});
        return accepted;
    }

    bool CanInstallFromPackage() override { return true; }

    std::string DriverStoreInf(const std::string& stagedInf) override {
        storeLookups.push_back(stagedInf);
        return StoreInf();
    }

    HRESULT InstallFromPackage(const std::string& infPath, const std::string& driverName) override {
        packages.emplace_back(infPath, driverName);
        // The spooler then has the driver, the universal one taken from the system's package.
        fixture::AddDriverRecord(kModel, catalogue::ModelGpdFile);
        return S_OK;
    }

    static std::string StoreInf() {
        return "C:\\Windows\\System32\\DriverStore\\FileRepository\\zykelxd.inf_x86_neutral_5f2a\\" +
               std::string(catalogue::ModelInfFile);
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

class DriverRoute : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture::PlantDatatype(kModel)) << GetLastError();
        const std::string medium = bench::JoinPath(bench::BuildDir(), PW_MEDIUM_DIR);
        ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str())) << medium;
        CFileCopy staging;
        staging.StageDriverFiles();
        ASSERT_TRUE(bench::FileExists(DriverDir() + "\\" + catalogue::ModelInfFile));
    }
};

}  // namespace

// What the route choice (proven on the host) leaves to the engine: with every
// file there, the record Wine's spooler accepts, its files all in the driver
// directory; with one missing, the package named by its place in the driver
// store, found from the INF staged into the system's INF store, under the
// model's name, and the queue then on the driver the package gave the spooler.
TEST_F(DriverRoute, TheRecordGetsItsFilesAndThePackageTheStoredInf) {
    PlantUniversalFiles();
    {
        Windows7Calls windows7;
        CInstaller installer(windows7);
        ASSERT_EQ(installer.GetDriverDirectory(), 1);
        EXPECT_EQ(installer.RegisterDriver(), 1);
        EXPECT_TRUE(windows7.packages.empty());
        ASSERT_EQ(windows7.records.size(), 1u);
        EXPECT_TRUE(windows7.records[0].accepted);
        EXPECT_EQ(windows7.records[0].name, kModel);
    }
    // Gone again, so that the queue below can only be on the package's driver.
    ASSERT_TRUE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kModel.c_str()))) << GetLastError();

    PlantUniversalFiles("unires.dll");
    Windows7Calls windows7;
    CInstaller installer(windows7);
    installer.m_strPort = "LPT1:";
    installer.InstallPrinter();
    EXPECT_EQ(installer.m_bQueueAdded, 1);
    EXPECT_EQ(installer.m_strResult, kModel + " Printer Driver & Status Monitor installed successfully.");
    EXPECT_TRUE(windows7.records.empty());
    ASSERT_EQ(windows7.packages.size(), 1u);
    EXPECT_EQ(windows7.packages[0].first, Windows7Calls::StoreInf());
    EXPECT_EQ(windows7.packages[0].second, kModel);
    ASSERT_EQ(windows7.storeLookups.size(), 1u);
    EXPECT_EQ(windows7.storeLookups[0], std::string(installer.m_szOemInf));
    EXPECT_TRUE(bench::FileExists(installer.m_szOemInf)) << installer.m_szOemInf;
    EXPECT_EQ(fixture::QueuePort(kModel), "LPT1:");
}
