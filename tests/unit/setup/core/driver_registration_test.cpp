#include "setup/core/DriverRegistration.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using setup::core::DriverRoute;
using Calls = std::vector<std::string>;

// A system that answers as configured and records what was asked of it.
struct ScriptedSystem {
    std::set<std::string> present{std::begin(setup::core::kUniversalDriverFiles),
                                  std::end(setup::core::kUniversalDriverFiles)};
    bool packageInstaller = true, staged = true, packageInstalled = true, recordAccepted = true;
    Calls calls;

    bool AllPresent() const {
        for (const char* file : setup::core::kUniversalDriverFiles)
            if (!present.count(file)) return false;
        return true;
    }
    bool Run(setup::core::DriverStep step) {
        switch (step) {
        case setup::core::DriverStep::AddDriverRecord: return Record("record", recordAccepted);
        case setup::core::DriverStep::StagePackage: return Record("stage", staged);
        case setup::core::DriverStep::InstallFromPackage: return Record("package", packageInstalled);
        case setup::core::DriverStep::Done: break;
        }
        return Record("done", false);
    }

private:
    bool Record(const char* name, bool answer) {
        calls.push_back(name);
        return answer;
    }
};

DriverRoute ChooseDriverRoute(const ScriptedSystem& system) {
    return setup::core::ChooseDriverRoute(system.AllPresent(), system.packageInstaller);
}

// Runs the steps of the chosen route as the installer does, handing each result in.
bool RegisterModelDriver(ScriptedSystem& system) {
    bool registered = false;
    setup::core::DriverStep step = setup::core::FirstDriverStep(ChooseDriverRoute(system));
    while (step != setup::core::DriverStep::Done) {
        const bool succeeded = system.Run(step);
        step = setup::core::NextDriverStep(step, succeeded, registered);
    }
    return registered;
}

// Windows 7 refuses a record naming a missing universal file, so with any one
// missing the staged package is installed and the record never tried; every
// failure is the answer, with no second way tried. A spooler without package
// installation (Wine) is left only the record.
TEST(DriverRegistration, TheRouteAndItsAnswer) {
    const struct {
        const char* missing;  // nullptr: all there; "*": none there
        bool packageInstaller, staged, packageInstalled, recordAccepted;
        DriverRoute route;
        bool registered;
        Calls calls;
    } cases[] = {
        {nullptr, true, true, true, true, DriverRoute::DriverRecord, true, {"record"}},
        {nullptr, true, true, true, false, DriverRoute::DriverRecord, false, {"record"}},
        {"*", true, true, true, false, DriverRoute::Package, true, {"stage", "package"}},
        {"unires.dll", true, false, true, false, DriverRoute::Package, false, {"stage"}},
        {"unires.dll", true, true, false, false, DriverRoute::Package, false, {"stage", "package"}},
        {"unidrv.hlp", false, true, true, true, DriverRoute::DriverRecord, true, {"record"}},
    };
    for (const auto& c : cases) {
        ScriptedSystem system;
        if (c.missing) c.missing[0] == '*' ? system.present.clear() : void(system.present.erase(c.missing));
        system.packageInstaller = c.packageInstaller;
        system.staged = c.staged;
        system.packageInstalled = c.packageInstalled;
        system.recordAccepted = c.recordAccepted;
        const std::string which = std::string(c.missing ? c.missing : "-") + " " + c.calls.back();
        EXPECT_EQ(ChooseDriverRoute(system), c.route) << which;
        EXPECT_EQ(RegisterModelDriver(system), c.registered) << which;
        EXPECT_EQ(system.calls, c.calls) << which;
    }
    for (const char* missing : setup::core::kUniversalDriverFiles) {
        ScriptedSystem system;
        system.present.erase(missing);
        system.recordAccepted = false;
        EXPECT_TRUE(RegisterModelDriver(system)) << missing;
        EXPECT_EQ(system.calls, (Calls{"stage", "package"})) << missing;
    }
}

}  // namespace
