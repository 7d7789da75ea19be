#include "setup/core/DriverRecord.h"
#include "setup/core/InstallLayout.h"
#include "setup/core/Staging.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kD = "C:\\windows\\system32\\spool\\drivers\\w32x86";
const std::string kKey = catalogue::ModelKey;

// Splits a double-null-terminated list as the platform reads it.
std::vector<std::string> SplitList(const char* list) {
    std::vector<std::string> items;
    for (const char* p = list; *p != '\0'; p += std::strlen(p) + 1) items.emplace_back(p);
    return items;
}

TEST(InstallLayout, MonitorCopyListsAreDoubleNullTerminated) {
    const std::string target = setup::core::MonitorTargetDir(kD);
    EXPECT_EQ(SplitList(target.c_str()), std::vector<std::string>{kD + "\\PGW\\"});
    ASSERT_EQ(target.size(), kD.size() + 6);
    EXPECT_EQ(target[target.size() - 1], '\0');
    EXPECT_EQ(target.c_str()[target.size()], '\0');

    const auto source = setup::core::MonitorSource();
    EXPECT_EQ(source.size(), 150u);
    EXPECT_EQ(SplitList(source.data()), std::vector<std::string>{"PGW\\" + kKey + ".exe"});
    for (std::size_t i = 4 + kKey.size() + 4; i < source.size(); ++i) ASSERT_EQ(source[i], '\0') << i;

    // Where every pattern matches, the shell gets the six; one that matches nothing is left out.
    EXPECT_EQ(SplitList(setup::core::PackageCopyList({true, true, true, true, true, true}).c_str()),
              (std::vector<std::string>{"*.GPD", "*.DLL", "*.INF", "*.HLP", "*.CAT", "*.EXE"}));
    EXPECT_EQ(SplitList(setup::core::PackageCopyList({true, true, true, false, true, true}).c_str()),
              (std::vector<std::string>{"*.GPD", "*.DLL", "*.INF", "*.CAT", "*.EXE"}));
}

// A reinstallation before the restart that completes an uninstallation: the
// deletions of what it writes again are taken out, everything else stays.
TEST(InstallLayout, PendingDeletionsOfWhatTheInstallationWritesAreTakenOut) {
    const std::string programs = "E:\\Start\\Programs";
    const std::vector<std::string> written = setup::core::WrittenPaths(kD, {"Uninstall.exe", "extra.HLP"}, programs);

    const auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
    const auto pairs = [&](std::initializer_list<std::string> strings) {
        std::u16string value;
        for (const std::string& string : strings) value += u16(string) + u'\0';
        return value;
    };
    std::vector<std::u16string> ours;
    for (const std::string& path : written) ours.push_back(u16(path));
    const std::string d = "\\??\\C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";  // as the system writes it
    const std::u16string others = pairs({"\\??\\C:\\other.dll", "", d + "\\PGW", "!\\??\\C:\\x"});
    const std::u16string value = pairs({d + "\\Uninstall.exe", ""}) + others + pairs({d + "\\PGW", "", ""});
    EXPECT_EQ(setup::core::WithoutDeletionsOf(value, ours), others + u'\0');
    // Nothing of ours pending: the value stays; only ours: nothing is left of it.
    EXPECT_EQ(setup::core::WithoutDeletionsOf(others + u'\0', ours), std::nullopt);
    EXPECT_EQ(setup::core::WithoutDeletionsOf(pairs({d + "\\PGW", "", ""}), ours), std::u16string());
}

TEST(InstallLayout, AutoRunPointsAtTheMonitorWithoutExtension) {
    EXPECT_EQ(setup::core::AutoRunValueName(), "ZYKE" + kKey);
    EXPECT_EQ(setup::core::AutoRunValueData(kD), kD + "\\PGW\\" + kKey);
    EXPECT_EQ(setup::core::MonitorExecutable(kD), setup::core::AutoRunValueData(kD) + ".exe");
    EXPECT_STREQ(setup::core::kRunKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
#if MODEL_INDEX == 13
    EXPECT_EQ(setup::core::AutoRunValueName(), "ZYKELXD455SENT");
    EXPECT_EQ(setup::core::MonitorExecutable("D:"), "D:\\PGW\\LXD455SENT.exe");
    EXPECT_EQ(setup::core::InfPath("D:"), "D:\\ZYKELXD455SENT.INF");
#endif
}

TEST(InstallLayout, ShortcutFolderFileAndDescription) {
    const std::string folder = setup::core::ShortcutFolder("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(folder, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\ZYK Electronics");
    EXPECT_EQ(setup::core::ShortcutFile(folder), folder + "\\Pagewarden" + kKey + ".LNK");
    EXPECT_EQ(setup::core::ShortcutDescription(), std::string("Shortcut to Status Monitor - ") + catalogue::ModelName);
}

TEST(InstallLayout, UninstallValuesCountTheirTerminator) {
    const setup::core::UninstallValues values = setup::core::MakeUninstallValues(kD);
    EXPECT_EQ(values.displayName.name, "DisplayName");
    EXPECT_EQ(values.displayName.data, "ZYK Electronics Printer Software");
    EXPECT_EQ(values.displayName.size(), 33u);
    EXPECT_EQ(values.uninstallString.name, "UninstallString");
    EXPECT_EQ(values.uninstallString.data, kD + "\\Uninstall.exe");
    EXPECT_EQ(values.uninstallString.size(), kD.size() + 15);
    EXPECT_EQ(values.displayIcon.name, "DisplayIcon");
    EXPECT_EQ(values.displayIcon.data, values.uninstallString.data);
    EXPECT_STREQ(setup::core::kUninstallKey,
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZYK Electronics");
}

// The columns Programs and Features fills from the entry, and no Change or Repair.
TEST(InstallLayout, UninstallEntryNamesPublisherVersionAndSize) {
    const setup::core::UninstallValues values = setup::core::MakeUninstallValues(kD);
    EXPECT_EQ(values.publisher.name, "Publisher");
    EXPECT_EQ(values.publisher.data, "ZYK Electronics");
    EXPECT_EQ(values.displayVersion.name, "DisplayVersion");
    EXPECT_EQ(values.displayVersion.data, "2.01");
    EXPECT_EQ(values.noModify.name, "NoModify");
    EXPECT_EQ(values.noModify.data, 1u);
    EXPECT_EQ(values.noRepair.name, "NoRepair");
    EXPECT_EQ(values.noRepair.data, 1u);
    // Kilobytes, rounded up, held in a DWORD.
    for (const auto& [bytes, kb] : {std::pair<unsigned long long, unsigned>{0, 0},
                                    {1, 1},
                                    {2048, 2},
                                    {2049, 3},
                                    {0xFFFFFFFFull * 4096, 0xFFFFFFFFu}})
        EXPECT_EQ(setup::core::EstimatedSize(bytes).data, kb) << bytes;
    EXPECT_EQ(setup::core::EstimatedSize(1).name, "EstimatedSize");
    const std::vector<std::string> files = setup::core::InstalledFiles(kD);
    for (const std::string& f :
         {kD + "\\Uninstall.exe", kD + "\\ZYKE9pin.dll", setup::core::MonitorExecutable(kD), setup::core::InfPath(kD)})
        EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << f;
}

TEST(InstallLayout, BoundedCopyRefusesWhatDoesNotFit) {
    char buffer[8];
    EXPECT_TRUE(setup::core::CopyBounded(buffer, sizeof buffer, "1234567"));
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_FALSE(setup::core::CopyBounded(buffer, sizeof buffer, "12345678"));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(setup::core::CopyBounded(buffer, 0, "x"));
    EXPECT_FALSE(setup::core::CopyBounded(buffer, sizeof buffer, std::string("a\0b", 3)));
}

TEST(DriverRecord, DependentFilesInOrderAndDoubleNullTerminated) {
    const std::string& list = setup::core::driver_record::kDependentFiles;
    EXPECT_EQ(SplitList(list.c_str()), (std::vector<std::string>{"ZYKE9pin.dll", "unidrvui.dll", "unidrv.dll",
                                                                 "unidrv.hlp", "unires.dll", "stdnames.gpd"}));
    EXPECT_EQ(list.back(), '\0');
}

}  // namespace
