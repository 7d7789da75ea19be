// The /proc readers behind the poll-cost figure: a misread field or a wrong
// process would turn the figure into another process's CPU or into noise.
#include "bench/HostCpu.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

TEST(HostCpu, StatTicksAreUtimePlusStimeCountedAfterTheLastParenthesis) {
    // A Wine program's name may hold spaces and parentheses.
    const std::string stat = "4242 (a) b (c).exe) S 1 4242 4242 0 -1 4194560 1500 0 3 0 731 269 0 0 20 0 4 0 99 1 2 3";
    EXPECT_EQ(hostcpu::StatTicks(stat), 1000u);
    EXPECT_EQ(hostcpu::StatTicks("7 (wineserver) S 1 7 7 0 -1 0 0 0 0 0 5 6 0 0\n"), 11u);
}

TEST(HostCpu, StatTicksRefuseTruncatedOrForeignText) {
    EXPECT_FALSE(hostcpu::StatTicks(""));
    EXPECT_FALSE(hostcpu::StatTicks("4242 no parenthesis S 1 2 3 4 5 6 7 8 9 10 11 12"));
    EXPECT_FALSE(hostcpu::StatTicks("4242 (x) S 1 4242 4242 0 -1 0 0 0 0 0 731"));  // stime missing
    EXPECT_FALSE(hostcpu::StatTicks("4242 (x) S 1 4242 4242 0 -1 0 0 0 0 0 -5 2"));
    EXPECT_FALSE(hostcpu::StatTicks("4242 (x) S 1 4242 4242 0 -1 0 0 0 0 0 99999999999999999999999 2"));
}

TEST(HostCpu, SchedstatGivesTheRunTimeNotTheWaitTime) {
    EXPECT_EQ(hostcpu::SchedstatRunNs("126142351 680093625 53\n"), 126142351u);
    EXPECT_EQ(hostcpu::SchedstatRunNs("0 4112789 1"), 0u);
    EXPECT_FALSE(hostcpu::SchedstatRunNs(""));
    EXPECT_FALSE(hostcpu::SchedstatRunNs("126142351"));  // a lone number is not the three-field line
    EXPECT_FALSE(hostcpu::SchedstatRunNs("run wait 1"));
}

TEST(HostCpu, ImagesMatchByTheFirstArgumentsFileNameOnly) {
    const std::string monitor = "C:\\Program Files\\PGW\\Pagewarden.exe\0/nologo\0"s;
    EXPECT_TRUE(hostcpu::RunsImage(monitor, "Pagewarden.exe"));
    EXPECT_TRUE(hostcpu::RunsImage(monitor, "PAGEWARDEN.EXE"));
    EXPECT_TRUE(hostcpu::RunsImage("/build/monitor/Pagewarden.exe\0"s, "pagewarden.exe"));
    // The runner that names the program in a later argument is not the program.
    EXPECT_FALSE(hostcpu::RunsImage("/bin/bash\0/work/tools/wine-run\0Pagewarden.exe\0"s, "Pagewarden.exe"));
    EXPECT_FALSE(hostcpu::RunsImage("C:\\x\\MyPagewarden.exe\0"s, "Pagewarden.exe"));
    EXPECT_FALSE(hostcpu::RunsImage(monitor, ""));

    EXPECT_TRUE(hostcpu::ImageStartsWith("/usr/lib/wine/wineserver32\0-p5\0"s, "wineserver"));
    EXPECT_TRUE(hostcpu::ImageStartsWith("wineserver\0"s, "wineserver"));
    EXPECT_FALSE(hostcpu::ImageStartsWith("/usr/bin/wine\0wineserver\0"s, "wineserver"));
    EXPECT_FALSE(hostcpu::ImageStartsWith("/usr/lib/wine/wineserver32\0"s, ""));
}

TEST(HostCpu, PrefixVariableMustMatchWhole) {
    const std::string env = "HOME=/root\0WINEPREFIX=/work/build/scenarios/a.1/p\0DISPLAY=:5\0"s;
    EXPECT_TRUE(hostcpu::HasVariable(env, "WINEPREFIX", "/work/build/scenarios/a.1/p"));
    // Another run's prefix that merely starts the same way is not ours.
    EXPECT_FALSE(hostcpu::HasVariable(env, "WINEPREFIX", "/work/build/scenarios/a.1"));
    EXPECT_FALSE(hostcpu::HasVariable("WINEPREFIX=/p/q\0"s, "WINEPREFIX", "/p/q/r"));
    EXPECT_FALSE(hostcpu::HasVariable("XWINEPREFIX=/p\0"s, "WINEPREFIX", "/p"));
    EXPECT_TRUE(hostcpu::HasVariable("A=1\0WINEPREFIX=/p"s, "WINEPREFIX", "/p"));  // last entry unterminated
}

}  // namespace
