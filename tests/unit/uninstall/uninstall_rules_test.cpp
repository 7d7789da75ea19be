// The uninstaller's rules: what is ours, where a service image lies, which
// INF is ours, which files wait for a restart, and reading system bytes.
#include "uninstall/core/UninstallRules.h"

#include "catalogue/Catalogue.h"
#include "setup/core/InstallLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kD = "C:\\Windows\\system32\\spool\\drivers\\w32x86";
const std::string kWin = "C:\\Windows";

TEST(UninstallRules, OwnershipNeedsOurCompanyAndTheExpectedFileName) {
    EXPECT_TRUE(uninstall::IsOurs({"ZYK Electronics", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_TRUE(uninstall::IsOurs({"ZYK Electronics", "Setup.exe"}, "setup.exe"));  // file names ignore case
    EXPECT_FALSE(uninstall::IsOurs({"Other Maker", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({"zyk electronics", "hwinterface.sys"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({"ZYK Electronics", "ZYKE9pin.dll"}, "hwinterface.sys"));
    EXPECT_FALSE(uninstall::IsOurs({}, "hwinterface.sys"));  // no version resource at all
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
    std::vector<uninstall::PackageFile> all = uninstall::SharedFiles(kD);
    for (int model = 0; model < catalogue::kModelCount; ++model)
        for (const uninstall::PackageFile& f : uninstall::ModelFiles(kD, model)) all.push_back(f);
    for (const uninstall::PackageFile& f : all) {
        EXPECT_FALSE(uninstall::IsUniversalDriverFile(f.path)) << f.path;
        EXPECT_EQ(f.path.find("Uninstall.exe"), std::string::npos) << f.path;
        EXPECT_EQ(f.path.rfind(kD + "\\", 0), 0u) << f.path;
    }
    for (const char* name :
         {"unidrv.dll", "UNIDRVUI.DLL", "unidrv.hlp", "unires.dll", "stdnames.gpd", "C:\\x\\3\\Unires.dll"})
        EXPECT_TRUE(uninstall::IsUniversalDriverFile(name)) << name;
    EXPECT_FALSE(uninstall::IsUniversalDriverFile("unidrv.dll.bak"));
    EXPECT_FALSE(uninstall::IsUniversalDriverFile("myunidrv.dll"));
    EXPECT_TRUE(uninstall::ModelFiles(kD, 14).empty());
    EXPECT_TRUE(uninstall::ModelFiles(kD, -1).empty());
}

TEST(UninstallRules, AModelsFilesAreItsOwnAndTheSharedOnesApart) {
    auto paths = [](const std::vector<uninstall::PackageFile>& files) {
        std::string all;
        for (const uninstall::PackageFile& f : files) all += f.path + "|";
        return all;
    };
    EXPECT_EQ(paths(uninstall::ModelFiles(kD, 0)), kD + "\\LXD410NOVA.GPD|" + kD + "\\ZYKELXD410NOVA.INF|" + kD +
                                                       "\\3\\LXD410NOVA.GPD|" + kD + "\\3\\LXD410NOVA.BUD|");
    EXPECT_EQ(paths(uninstall::SharedFiles(kD)),
              kD + "\\ZYKE9pin.dll|" + kD + "\\ZYKE9pin.cat|" + kD + "\\3\\ZYKE9pin.dll|" + kD + "\\setup.exe|");
    // A generic program name is removed only after its version resource is checked.
    for (const uninstall::PackageFile& f : uninstall::SharedFiles(kD))
        EXPECT_EQ(f.needsVersionCheck, f.path == kD + "\\setup.exe") << f.path;
}

// Each model's names as its installer wrote them; the installer itself knows only its own model.
TEST(UninstallRules, EveryModelsNamesAreThoseItsInstallerWrites) {
    const int own = MODEL_INDEX;
    EXPECT_EQ(uninstall::AutoRunValueName(own), setup::core::AutoRunValueName());
    EXPECT_EQ(uninstall::MonitorExecutable(kD, own), setup::core::MonitorExecutable(kD));
    EXPECT_EQ(setup::core::ShortcutFile("F"), "F\\" + uninstall::ShortcutFileName(own));
    EXPECT_EQ(uninstall::InfPath(kD, own), setup::core::InfPath(kD));
    EXPECT_EQ(uninstall::MonitorCaption(0), "ZYK LXD 410 Nova - Status Monitor");
    EXPECT_EQ(uninstall::AutoRunValueName(0), "ZYKELXD410NOVA");
    EXPECT_EQ(uninstall::MonitorExecutable(kD, 0), kD + "\\PGW\\LXD410NOVA.exe");
    EXPECT_EQ(uninstall::ShortcutFileName(0), "PagewardenLXD410NOVA.LNK");
    for (int model = 0; model < catalogue::kModelCount; ++model)
        EXPECT_EQ(uninstall::ModelOfDriver(catalogue::kModelName[model]), model);
    EXPECT_EQ(uninstall::ModelOfDriver("ZYK LXD 455 sentinel"), -1);  // the spooler's names are exact
    EXPECT_EQ(uninstall::ModelOfDriver("Generic / Text Only"), -1);
    EXPECT_EQ(uninstall::AutoRunValueName(14), "");
}

TEST(UninstallRules, SharedDllIsFoundInADependentFileList) {
    const char list[] = "unidrv.dll\0zyke9pin.DLL\0unires.dll\0";
    EXPECT_TRUE(uninstall::NamesSharedDll(list, sizeof list));
    const char other[] = "unidrv.dll\0ZYKE9pin.dll.old\0\0ZYKE9pin.dll\0";
    EXPECT_FALSE(uninstall::NamesSharedDll(other, sizeof other));  // the list ends at its empty string
    const char cut[] = {'Z', 'Y', 'K', 'E', '9', 'p', 'i', 'n', '.', 'd', 'l', 'l'};
    EXPECT_FALSE(uninstall::NamesSharedDll(cut, sizeof cut));  // unterminated: not read as a name
    EXPECT_FALSE(uninstall::NamesSharedDll(nullptr, 10));
    // The spooler lists a driver's files with their full paths.
    const char full[] = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\ZYKE9pin.dll\0\0";
    EXPECT_TRUE(uninstall::NamesSharedDll(full, sizeof full));
    const char lookalike[] = "C:\\x\\myZYKE9pin.dll\0\0";
    EXPECT_FALSE(uninstall::NamesSharedDll(lookalike, sizeof lookalike));
}

TEST(UninstallRules, InfCandidatesAreOemNamesAndTheModelInf) {
    EXPECT_TRUE(uninstall::IsInfCandidate("oem0.inf"));
    EXPECT_TRUE(uninstall::IsInfCandidate("OEM17.INF"));
    EXPECT_TRUE(uninstall::IsInfCandidate(catalogue::ModelInfFile));
    EXPECT_TRUE(uninstall::IsInfCandidate("zykelxd410nova.inf"));  // another model's, as Wine keeps it
    EXPECT_FALSE(uninstall::IsInfCandidate("oem.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("oemx.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("oem12.pnf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("ntprint.inf"));
    EXPECT_FALSE(uninstall::IsInfCandidate("boem1.inf"));
}

// Any release's INF for the model is ours: by our catalogue and the model's
// hardware id, never by its bytes.
TEST(UninstallRules, InfMatchesByOurCatalogueAndTheModelsHardwareId) {
    const std::string key = catalogue::ModelKey;
    const std::string ours =
        "[Version]\r\nDriverVer=06/15/2009,5.0.0.6\r\nCatalogFile=ZYKE9pin.cat\r\n[ZYK.NTx86]\r\n"
        "\"M\" = S,USBPRINT\\ZYK" +
        key + ",ZYK" + key + "\r\n";
    // Another release's layout: other case, a platform's catalogue key, quotes, no compatible id, no last line end.
    const std::string older =
        "; an older release\n[version]\nCatalogFile.NTx86 = \"zyke9pin.CAT\"\n[ZYK]\n"
        "\"M\" = S, usbprint\\zyk" +
        key;
    EXPECT_TRUE(uninstall::InfMatches(ours, MODEL_INDEX));
    EXPECT_TRUE(uninstall::InfMatches(older, MODEL_INDEX)) << older;
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = ours;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    for (const std::string& other : {replaced("CatalogFile=ZYKE9pin.cat", "CatalogFile=other.cat"),
                                     replaced("CatalogFile=ZYKE9pin.cat", "; CatalogFile=ZYKE9pin.cat"),
                                     replaced("[Version]", "[Strings]"),  // the catalogue named outside [Version]
                                     replaced("USBPRINT\\ZYK" + key + ",", "; USBPRINT\\ZYK" + key + ",")})
        EXPECT_FALSE(uninstall::InfMatches(other, MODEL_INDEX)) << other;
    // Another model's INF is not this model's, even where one key begins another's.
    EXPECT_FALSE(uninstall::InfMatches(ours, 0));
    EXPECT_FALSE(uninstall::InfMatches(replaced(key + ",", key + "SENT,"), MODEL_INDEX));
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
    const auto pending = Pending(
        Multi({"\\??\\C:\\D\\Uninstall.exe", "", "\\??\\C:\\old.txt", "!\\??\\C:\\new.txt", "\\??\\C:\\D\\PGW", ""}));
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_TRUE(uninstall::IsPendingDeletion(pending, "c:\\d\\uninstall.exe"));
    EXPECT_TRUE(uninstall::IsPendingDeletion(pending, "C:\\D\\PGW"));
    EXPECT_FALSE(uninstall::IsPendingDeletion(pending, "C:\\old.txt"));  // renamed, not deleted
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
    EXPECT_TRUE(Pending(std::string("\0\0\\??\\C:\\x\0\0", 12)).empty());  // the empty string ends the list
}

TEST(UninstallRules, BoundedStringReadsOnlyInsideTheRecord) {
    char buffer[16] = "abc\0defghijklmn";
    buffer[15] = 'o';  // the last string has no terminator inside the buffer
    std::string out = "x";
    EXPECT_TRUE(uninstall::BoundedString(buffer, sizeof buffer, buffer, out));
    EXPECT_EQ(out, "abc");
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, buffer + 4, out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, buffer + 16, out));
    EXPECT_FALSE(uninstall::BoundedString(buffer + 4, 12, buffer, out));  // before the record
    EXPECT_FALSE(uninstall::BoundedString(buffer, sizeof buffer, nullptr, out));
    EXPECT_TRUE(uninstall::BoundedString(buffer, 4, buffer, out));
    EXPECT_FALSE(uninstall::BoundedString(buffer, 3, buffer, out));
}

}  // namespace
