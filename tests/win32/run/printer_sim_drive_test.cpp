// The headless run end to end in a fresh prefix: the installation medium,
// the simulated printer's stand-ins, setup.exe driven through its dialogs
// onto LPT1:, and the monitor it starts following the printer through ready,
// paper out, offline and off. This is what `tools/run --headless` does.
#include "tools/sim/Drive.h"

#include "catalogue/Catalogue.h"
#include "testbed/Bench.h"
#include "testbed/Fixture.h"

#include <gtest/gtest.h>

namespace {

const std::string kMonitorCaption = std::string(catalogue::ModelName) + " - Status Monitor";

TEST(HeadlessRun, InstallsOnLpt1AndTheMonitorFollowsThePrinter) {
    const std::string medium = bench::PrefixPath("medium");
    ASSERT_TRUE(bench::CopyTree(bench::UnixToWindows(PW_MEDIUM_DIR), medium));
    const std::string sys = bench::UnixToWindows(HWINTERFACE_TEST_SYS);
    const std::string wmi = bench::UnixToWindows(PW_WMI_FIXTURE_DLL);
    std::string error;
    ASSERT_TRUE(fixture::InstallStandIns(sys, wmi, catalogue::ModelName, error)) << error;
    // The published port as the Windows spooler keeps it, for as long as the test runs.
    fixture::PortPublisher publisher(catalogue::ModelName);

    bench::Process setup = bench::Process::Start(bench::JoinPath(medium, "setup.exe"), "", medium);
    ASSERT_TRUE(setup) << setup.StartError();
    sim::SetScreenshotPrefix("headless_run_");
    ASSERT_TRUE(sim::DriveSetup(kMonitorCaption, sim::Route::Lpt));
    EXPECT_TRUE(setup.WaitExit(20000));
    EXPECT_EQ(fixture::QueuePort(catalogue::ModelName), "LPT1:");

    EXPECT_TRUE(sim::CycleMonitor(kMonitorCaption));
    EXPECT_EQ(fixture::ReadStatusRegister(), 0x98u);  // left ready

    // The monitor started by setup: exit it through its own command.
    HWND status = bench::FindTopWindow({"#32770", kMonitorCaption});
    ASSERT_TRUE(status);
    const DWORD pid = bench::WindowProcessId(status);
    bench::Process monitor = bench::Process::Adopt(pid);
    bench::Post(status, WM_COMMAND, 104, 0);
    EXPECT_TRUE(monitor.WaitExit(15000));
}

}  // namespace
