#include "setup/core/DriverRegistration.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using setup::core::DriverRoute;

// A system that answers as configured and records what was asked of it.
// By default it answers as a clean Windows 7 does: package installation
// available, and a record naming a missing file refused.
class ScriptedSystem : public setup::core::DriverRegistrar {
public:
    std::set<std::string> present{"unidrv.dll", "unidrvui.dll", "unidrv.hlp", "unires.dll", "stdnames.gpd"};
    bool packageInstaller = true, staged = true, packageInstalled = true;
    bool recordRefusedForMissingFiles = true;
    std::vector<std::string> calls;

    bool InDriverDirectory(const std::string& fileName) override { return present.count(fileName) != 0; }
    bool CanInstallFromPackage() override { return packageInstaller; }
    bool StagePackage() override { return Record("stage", staged); }
    bool InstallFromPackage() override { return Record("package", packageInstalled); }
    bool AddDriverRecord() override {
        return Record("record", !recordRefusedForMissingFiles || present.size() == 5);
    }

private:
    bool Record(const char* name, bool answer) {
        calls.push_back(name);
        return answer;
    }
};

using Calls = std::vector<std::string>;

TEST(DriverRegistration, AllUniversalFilesThereRegisterTheRecordAlone) {
    ScriptedSystem system;
    EXPECT_EQ(setup::core::ChooseDriverRoute(system), DriverRoute::DriverRecord);
    EXPECT_TRUE(setup::core::RegisterModelDriver(system));
    EXPECT_EQ(system.calls, Calls{"record"});

    // A refusal is the spooler's answer; no second way is tried.
    struct Refusing : ScriptedSystem {
        bool AddDriverRecord() override {
            ScriptedSystem::AddDriverRecord();
            return false;
        }
    } refusing;
    EXPECT_FALSE(setup::core::RegisterModelDriver(refusing));
    EXPECT_EQ(refusing.calls, Calls{"record"});
}

// Each one of the files missing on Windows 7: the staged package, never the
// record the spooler would refuse.
TEST(DriverRegistration, AnyMissingFileInstallsTheStagedPackage) {
    for (const char* missing : setup::core::kUniversalDriverFiles) {
        ScriptedSystem system;
        system.present.erase(missing);
        EXPECT_EQ(setup::core::ChooseDriverRoute(system), DriverRoute::Package) << missing;
        EXPECT_TRUE(setup::core::RegisterModelDriver(system)) << missing;
        EXPECT_EQ(system.calls, (Calls{"stage", "package"})) << missing;
    }
    ScriptedSystem none;
    none.present.clear();
    EXPECT_TRUE(setup::core::RegisterModelDriver(none));
    EXPECT_EQ(none.calls, (Calls{"stage", "package"}));
}

TEST(DriverRegistration, PackageFailuresAreTheAnswer) {
    ScriptedSystem unstaged;
    unstaged.present.erase("unires.dll");
    unstaged.staged = false;
    EXPECT_FALSE(setup::core::RegisterModelDriver(unstaged));
    EXPECT_EQ(unstaged.calls, Calls{"stage"});

    ScriptedSystem refused;
    refused.present.erase("unires.dll");
    refused.packageInstalled = false;
    EXPECT_FALSE(setup::core::RegisterModelDriver(refused));
    EXPECT_EQ(refused.calls, (Calls{"stage", "package"}));
}

// A spooler without package installation (before Windows 7, or Wine) is left
// only the record, whatever it answers.
TEST(DriverRegistration, WithoutPackageInstallationTheRecordIsTheOnlyWay) {
    ScriptedSystem system;
    system.present.erase("unidrv.hlp");
    system.packageInstaller = false;
    system.recordRefusedForMissingFiles = false;
    EXPECT_EQ(setup::core::ChooseDriverRoute(system), DriverRoute::DriverRecord);
    EXPECT_TRUE(setup::core::RegisterModelDriver(system));
    EXPECT_EQ(system.calls, Calls{"record"});
}

}  // namespace
