#include "setup/core/DriverRecord.h"
#include "setup/core/InstallLayout.h"

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

    EXPECT_EQ(SplitList(setup::core::kPackagePatterns.c_str()),
              (std::vector<std::string>{"*.GPD", "*.DLL", "*.INF", "*.HLP", "*.CAT", "*.EXE"}));
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
    const std::string folder = setup::core::ShortcutFolder('C');
    EXPECT_EQ(folder, "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\ZYK Electronics");
    EXPECT_EQ(setup::core::ShortcutFile(folder), folder + "\\Pagewarden" + kKey + ".LNK");
    EXPECT_EQ(setup::core::ShortcutDescription(), std::string("Shortcut to Status Monitor - ") + catalogue::ModelName);
}

TEST(InstallLayout, ProgramsValueGivesTheDriveLetterOnlyWhenItHasOne) {
    const auto letter = [](const std::string& bytes) {
        return setup::core::ProgramsDriveLetter(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    };
    EXPECT_EQ(letter(std::string("E:\\Users\\u\\Programs\0", 21)), 'E');
    EXPECT_EQ(letter("d:"), 'd');  // unterminated, as the registry may hand it back
    EXPECT_EQ(letter(""), 0);
    EXPECT_EQ(letter(std::string("\0\0", 2)), 0);
    EXPECT_EQ(letter("\\\\server\\share"), 0);
    EXPECT_EQ(letter("Programs"), 0);
    EXPECT_EQ(letter("1:\\x"), 0);
    EXPECT_EQ(letter(std::string(92, 'C')), 0);  // longer than the buffer: never read
    EXPECT_EQ(setup::core::ProgramsDriveLetter(nullptr, 10), 0);

    // Fallback to the system drive, or no shortcut at all.
    EXPECT_EQ(setup::core::ShortcutDrive('E', "C:\\windows"), 'E');
    EXPECT_EQ(setup::core::ShortcutDrive(0, "C:\\windows"), 'C');
    EXPECT_EQ(setup::core::ShortcutDrive(0, ""), 0);
    EXPECT_EQ(setup::core::ShortcutDrive(0, "\\\\?\\x"), 0);
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
    for (const auto& [bytes, kb] : {std::pair<unsigned long long, unsigned>{0, 0}, {1, 1}, {2048, 2}, {2049, 3},
                                    {0xFFFFFFFFull * 4096, 0xFFFFFFFFu}})
        EXPECT_EQ(setup::core::EstimatedSize(bytes).data, kb) << bytes;
    EXPECT_EQ(setup::core::EstimatedSize(1).name, "EstimatedSize");
    const std::vector<std::string> files = setup::core::InstalledFiles(kD);
    for (const std::string& f : {kD + "\\Uninstall.exe", kD + "\\ZYKE9pin.dll", setup::core::MonitorExecutable(kD),
                                 setup::core::InfPath(kD)})
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
