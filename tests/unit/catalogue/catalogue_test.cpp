#include "catalogue/MonitorCatalogue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

using namespace catalogue;

namespace {

bool IsUpper(const std::string& s) {
    for (char c : s)
        if (std::islower(static_cast<unsigned char>(c))) return false;
    return true;
}
bool IsLower(const std::string& s) {
    for (char c : s)
        if (std::isupper(static_cast<unsigned char>(c))) return false;
    return true;
}
bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

}  // namespace

TEST(Catalogue, IrregularRowsKeepTheirSerialPrefixes) {
    EXPECT_STREQ(kModelUsbSerial[0], "zyke-410nova");
    EXPECT_STREQ(kModelUsbSerial[7], "lxd-425opal");
    EXPECT_STREQ(kModelUsbSerial[10], "lxd-450opal");
    for (int i = 0; i < kModelCount; ++i) {
        if (i == 0 || i == 7 || i == 10) continue;
        EXPECT_TRUE(StartsWith(kModelUsbSerial[i], "zyk-")) << i;
    }
    // Rows 4 and 12 have no suffix word.
    EXPECT_STREQ(kModelName[4], "ZYK LXD 425");
    EXPECT_STREQ(kModelName[12], "ZYK LXD 455");
}

TEST(Catalogue, DerivedColumnsFollowTheKeyInEveryRow) {
    for (int i = 0; i < kModelCount; ++i) {
        const std::string key = kModelKey[i];
        EXPECT_EQ(kModelShareName[i], "ZYK" + key) << i;
        EXPECT_EQ(kModelInfFile[i], "ZYKE" + key + ".INF") << i;
        EXPECT_EQ(kModelGpdFile[i], key + ".GPD") << i;
        EXPECT_TRUE(IsUpper(kModelInfFile[i]) && IsUpper(kModelGpdFile[i]) && IsUpper(key)) << i;
        EXPECT_TRUE(IsLower(kModelUsbSerial[i])) << i;
        EXPECT_TRUE(StartsWith(kModelName[i], "ZYK LXD ")) << i;
        // The hardware id is the two letters, never empty.
        EXPECT_STREQ(kModelHardwareId[i], "NA") << i;
    }
}

TEST(Catalogue, MutexNamesAreGlobalAndDistinct) {
    std::set<std::string> names;
    for (int i = 0; i < kModelCount; ++i) {
        EXPECT_TRUE(StartsWith(kModelMutexName[i], "Global\\{")) << i;
        names.insert(kModelMutexName[i]);
    }
    EXPECT_EQ(names.size(), 14u);
    std::set<std::string> serials(std::begin(kModelUsbSerial), std::end(kModelUsbSerial));
    EXPECT_EQ(serials.size(), 14u);
}

TEST(Catalogue, CurrentModelIsTheConfiguredRow) {
    EXPECT_STREQ(ModelName, kModelName[MODEL_INDEX]);
    EXPECT_STREQ(ModelMutexName, kModelMutexName[MODEL_INDEX]);
#if MODEL_INDEX == 13
    EXPECT_STREQ(ModelName, "ZYK LXD 455 Sentinel");
    EXPECT_STREQ(ModelUsbSerial, "zyk-455sent");
    EXPECT_STREQ(ModelShareName, "ZYKLXD455SENT");
    EXPECT_STREQ(ModelKey, "LXD455SENT");
    EXPECT_STREQ(ModelInfFile, "ZYKELXD455SENT.INF");
    EXPECT_STREQ(ModelGpdFile, "LXD455SENT.GPD");
    EXPECT_STREQ(ModelMutexName, "Global\\{360E9EDD-2DD1-49f1-9E6A-71C4941CCD0B}");
#endif
    EXPECT_STREQ(VersionText, "Ver 2.01 (9W)");
}
