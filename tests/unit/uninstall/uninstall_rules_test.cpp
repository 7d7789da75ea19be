// The uninstaller's rules: what is ours, where a service image lies, which
// INF is ours, which files wait for a restart, and reading system bytes.
#include "uninstall/core/UninstallRules.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kD = "C:\\Windows\\system32\\spool\\drivers\\w32x86";
const std::string kWin = "C:\\Windows";

TEST(UninstallRules, OwnershipNeedsOurCompanyAndTheExpectedFileName) {
    EXPECT_TRUE(uninstall::IsOurs({"ZYK Electronics", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_TRUE(uninstall::IsOurs({"ZYK Electronics", "Setup.exe"}, "setup.exe"));   // file names ignore case
    EXPECT_FALSE(uninstall::IsOurs({"Other Maker", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({"zyk electronics", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({"ZYK Electronics", "ZYKE9pin.dll"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({}, "hwinterface.sys"));        // no version resource at all
    EXPECT_FALSE(uninstall::IsOurs({"ZYK Electronics", ""}, ""));
}

TEST(UninstallRules, ServiceImagePathsResolveAsTheServiceManagerDoes) {
    const std::string expected = kWin + "\\System32\\Drivers\\hwinterface.sys";
    EXPECT_EQ(uninstall::ResolveServiceImagePath("System32\\Drivers\\hwinterface.sys", kWin), expected);
    EXPECT_EQ(uninstall::ResolveServiceImagePath("system32\\drivers\\hwinterface.sys", kWin),
              kWin + "\\system32\\drivers\\hwinterface.sys");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("\\SystemRoot\\System32\\Drivers\\hwinterface.sys", kWin), expected);
    EXPECT_EQ(uninstall::ResolveServiceImagePath("%SystemRoot%\\System32\\Drivers\\hwinterface.sys", kWin), expected);
    EXPECT_EQ(uninstall::ResolveServiceImagePath("\\??\\D:\\drv\\hwinterface.sys", kWin), "D:\\drv\\hwinterface.sys");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("C:\\test\\hwinterface_test.sys", kWin),
              "C:\\test\\hwinterface_test.sys");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("\"C:\\a b\\hw.sys\"", kWin), "C:\\a b\\hw.sys");
    // Forms that name no file we could check are not ours to touch.
    EXPECT_EQ(uninstall::ResolveServiceImagePath("", kWin), "");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("Drivers\\hwinterface.sys", kWin), "");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("\\Device\\Harddisk0\\hw.sys", kWin), "");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("System32\\..\\..\\boot.sys", kWin), "");
    EXPECT_EQ(uninstall::ResolveServiceImagePath("System32\\Drivers\\hwinterface.sys", ""), "");
}

TEST(UninstallRules, PackageFilesNeverIncludeTheUniversalDriverOrTheUninstaller) {
    for (bool shared : {false, true}) {
        for (const uninstall::PackageFile& f : uninstall::PackageFiles(kD, shared)) {
            EXPECT_FALSE(uninstall::IsUniversalDriverFile(f.path)) << f.path;
            EXPECT_EQ(f.path.find("Uninstall.exe"), std::string::npos) << f.path;
            EXPECT_EQ(f.path.rfind(kD + "\\", 0), 0u) << f.path;
        }
    }
    for (const char* name : {"unidrv.dll", "UNIDRVUI.DLL", "unidrv.hlp", "unires.dll", "stdnames.gpd",
                             "C:\\x\\3\\Unires.dll"})
        EXPECT_TRUE(uninstall::IsUniversalDriverFile(name)) << name;
    EXPECT_FALSE(uninstall::IsUniversalDriverFile("unidrv.dll.bak"));
    EXPECT_FALSE(uninstall::IsUniversalDriverFile("myunidrv.dll"));
}

TEST(UninstallRules, PackageFilesKeepTheSharedOnesWhileAnotherModelUsesThem) {
    auto paths = [](bool shared) {
        std::string all;
        for (const uninstall::PackageFile& f : uninstall::PackageFiles(kD, shared)) all += f.path + "|";
        return all;
    };
    const std::string alone = paths(false);
    EXPECT_NE(alone.find(kD + "\\" + catalogue::ModelGpdFile + "|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\" + catalogue::ModelInfFile + "|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\3\\" + catalogue::ModelGpdFile + "|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\ZYKE9pin.dll|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\3\\ZYKE9pin.dll|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\ZYKE9pin.cat|"), std::string::npos);
    EXPECT_NE(alone.find(kD + "\\setup.exe|"), std::string::npos);

    const std::string shared = paths(true);
    EXPECT_NE(shared.find(kD + "\\" + catalogue::ModelGpdFile + "|"), std::string::npos);
    EXPECT_EQ(shared.find("ZYKE9pin"), std::string::npos);
    EXPECT_EQ(shared.find("setup.exe"), std::string::npos);

    // A generic program name is removed only after its version resource is checked.
    for (const uninstall::PackageFile& f : uninstall::PackageFiles(kD, false))
        EXPECT_EQ(f.needsVersionCheck, f.path == kD + "\\setup.exe") << f.path;
}

TEST(UninstallRules, SharedDllIsFoundInADependentFileList) {
    const char list[] = "unidrv.dll\0zyke9pin.DLL\0unires.dll\0";
    EXPECT_TRUE(uninstall::NamesSharedDll(list, sizeof list));
    const char other[] = "unidrv.dll\0ZYKE9pin.dll.old\0\0ZYKE9pin.dll\0";
    EXPECT_FALSE(uninstall::NamesSharedDll(other, sizeof other));   // the list ends at its empty string
    const char cut[] = {'Z', 'Y', 'K', 'E', '9', 'p', 'i', 'n', '.', 'd', 'l', 'l'};
    EXPECT_FALSE(uninstall::NamesSharedDll(cut, sizeof cut));       // unterminated: not read as a name
    EXPECT_FALSE(uninstall::NamesSharedDll(nullptr, 10));
}

TEST(UninstallRules, InfCandidatesAreOemNamesAndTheModelInf) {
    EXPECT_TRUE(uninstall::IsInfCandidate("oem0.inf"));
    EXPECT_TRUE(uninstall::IsInfCandidate("OEM17.INF"));
    EXPECT_TRUE(uninstall::IsInfCandidate(catalogue::ModelInfFile));
    EXPECT_FALSE(uninstall::IsInfCandidate("oem.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("oemx.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("oem12.pnf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("ntprint.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("boem1.inf"));
}

TEST(UninstallRules, InfMatchesByBytesOrByOurMarkersWhenOurCopyIsGone) {
    const std::string ours = "[Version]\r\nCatalogFile=ZYKE9pin.cat\r\n[ZYK.NTx86]\r\n\"M\" = S,USBPRINT\\ZYK" +
                             std::string(catalogue::ModelKey) + ",ZYK" + catalogue::ModelKey + "\r\n";
    EXPECT_TRUE(uninstall::InfMatches(ours, ours));
    EXPECT_FALSE(uninstall::InfMatches(ours + " ", ours));   // another revision is not ours to remove
    EXPECT_FALSE(uninstall::InfMatches("[Version]\r\nProvider=Other\r\n", ours));
    // Without our copy: the catalogue line and the model's own hardware id, in any case.
    EXPECT_TRUE(uninstall::InfMatches(ours, ""));
    std::string lower = ours;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    EXPECT_TRUE(uninstall::InfMatches(lower, ""));
    const std::string otherModel = "CatalogFile=ZYKE9pin.cat\r\nUSBPRINT\\ZYK" + std::string(catalogue::ModelKey) +
                                   "X,ZYK\r\n";
    EXPECT_FALSE(uninstall::InfMatches(otherModel, ""));
    EXPECT_FALSE(uninstall::InfMatches("USBPRINT\\ZYK" + std::string(catalogue::ModelKey) + ",", ""));
}

std::string Multi(std::initializer_list<std::string> strings) {
    std::string bytes;
    for (const std::string& s : strings) bytes += s + '\0';
    return bytes + '\0';
}

std::vector<std::string> Pending(const std::string& bytes) {
    return uninstall::PendingDeletions(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(UninstallRules, PendingDeletionsAreTheSourcesWithAnEmptyTarget) {
    const auto pending = Pending(Multi({"\\??\\C:\\D\\Uninstall.exe", "", "\\??\\C:\\old.txt", "!\\??\\C:\\new.txt",
                                        "\\??\\C:\\D\\PGW", ""}));
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_TRUE(uninstall::IsPendingDeletion(pending, "c:\\d\\uninstall.exe"));
    EXPECT_TRUE(uninstall::IsPendingDeletion(pending, "C:\\D\\PGW"));
    EXPECT_FALSE(uninstall::IsPendingDeletion(pending, "C:\\old.txt"));   // renamed, not deleted
    EXPECT_FALSE(uninstall::IsPendingDeletion(pending, "C:\\D"));
}

TEST(UninstallRules, PendingDeletionsStopAtTheEndOfTheValue) {
    // A last pair cut off by the value's end, and a value without its final null.
    std::string cut = Multi({"\\??\\C:\\a", ""});
    cut += "\\??\\C:\\b";
    const auto pending = Pending(cut);
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0], "c:\\a");
    EXPECT_TRUE(Pending("").empty());
    EXPECT_TRUE(uninstall::PendingDeletions(nullptr, 12).empty());
    EXPECT_TRUE(Pending(std::string("\0\0\\??\\C:\\x\0\0", 12)).empty());   // the empty string ends the list
}

TEST(UninstallRules, BoundedStringReadsOnlyInsideTheRecord) {
    char buffer[16] = "abc\0defghijklmn";
    buffer[15] = 'o';   // the last string has no terminator inside the buffer
    std::string out = "x";
    EXPECT_TRUE(uninstall::BoundedString(buffer, sizeof buffer, buffer, out));
    EXPECT_EQ(out, "abc");
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, buffer + 4, out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, buffer + 16, out));
    EXPECT_FALSE(uninstall::BoundedString(buffer + 4, 12, buffer, out));   // before the record
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, nullptr, out));
    EXPECT_TRUE(uninstall::BoundedString(buffer, 4, buffer, out));
    EXPECT_FALSE(uninstall::BoundedString(buffer, 3, buffer, out));
}

}  // namespace
