#include "common/InstanceMutex.h"

#include <gtest/gtest.h>

namespace {
const char kName[] = "Global\\{7E1B03CA-0000-4f97-8D37-PWTESTMUTEX0}";
}

TEST(InstanceMutex, SecondHolderIsRefusedUntilTheFirstCloses) {
    CInstanceMutex first(kName);
    EXPECT_TRUE(first.IsOpen());
    EXPECT_FALSE(first.IsAlreadyRunning());
    {
        CInstanceMutex second(kName);
        EXPECT_TRUE(second.IsAlreadyRunning());
        EXPECT_EQ(second.LastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    }
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    first.Close();  // closing twice is harmless
    CInstanceMutex third(kName);
    EXPECT_FALSE(third.IsAlreadyRunning());
}

TEST(InstanceMutex, NamesAreIndependent) {
    CInstanceMutex a("Global\\{AD615511-D215-4ff1-9305-PWTEST000001}");
    CInstanceMutex b("Global\\{360E9EDD-2DD1-49f1-9E6A-PWTEST000002}");
    EXPECT_FALSE(a.IsAlreadyRunning());
    EXPECT_FALSE(b.IsAlreadyRunning());
}
