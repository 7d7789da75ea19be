// The records handed to the spooler, field by field: Wine keeps only part of
// the driver record, so what it drops is checked here before it is sent.
#include "setup/engine/SpoolerRecords.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(SpoolerRecords, DriverRecordAsTabled) {
    setup::engine::DriverRecord record;
    const DRIVER_INFO_6A& info = *record.get();
    EXPECT_EQ(info.cVersion, 3u);
    EXPECT_STREQ(info.pName, catalogue::ModelName);
    EXPECT_EQ(info.pEnvironment, nullptr);
    EXPECT_STREQ(info.pDriverPath, "unidrv.dll");
    EXPECT_STREQ(info.pDataFile, catalogue::ModelGpdFile);
    EXPECT_STREQ(info.pConfigFile, "unidrvui.dll");
    EXPECT_STREQ(info.pHelpFile, "unidrv.hlp");
    std::vector<std::string> dependents;
    for (const char* p = info.pDependentFiles; *p; p += std::strlen(p) + 1) dependents.emplace_back(p);
    EXPECT_EQ(dependents, (std::vector<std::string>{"ZYKE9pin.dll", "unidrvui.dll", "unidrv.dll", "unidrv.hlp",
                                                    "unires.dll", "stdnames.gpd"}));
    EXPECT_EQ(info.pMonitorName, nullptr);
    EXPECT_EQ(info.pDefaultDataType, nullptr);
    EXPECT_EQ(info.pszzPreviousNames, nullptr);

    // 15 June 2009, 00:00 UTC, as the platform converts the calendar date.
    SYSTEMTIME date = {2009, 6, 1, 15, 0, 0, 0, 0};
    FILETIME expected = {};
    ASSERT_TRUE(SystemTimeToFileTime(&date, &expected));
    EXPECT_EQ(info.ftDriverDate.dwLowDateTime, expected.dwLowDateTime);
    EXPECT_EQ(info.ftDriverDate.dwHighDateTime, expected.dwHighDateTime);
    EXPECT_EQ(info.dwlDriverVersion, (5ull << 48) | 6ull);
    EXPECT_STREQ(info.pszMfgName, "ZYK Electronics");
    EXPECT_STREQ(info.pszProvider, "ZYK Electronics");
    EXPECT_STREQ(info.pszHardwareID, catalogue::ModelHardwareId);
    ASSERT_NE(info.pszOEMUrl, nullptr);
    EXPECT_EQ(std::string(info.pszOEMUrl).rfind("http://", 0), 0u);
}

TEST(SpoolerRecords, PrinterRecordZeroFilledThenSet) {
    setup::engine::PrinterRecord record("USB001");
    const PRINTER_INFO_2A& info = *record.get();
    EXPECT_EQ(info.pServerName, nullptr);
    EXPECT_STREQ(info.pPrinterName, catalogue::ModelName);
    EXPECT_STREQ(info.pShareName, catalogue::ModelShareName);
    EXPECT_STREQ(info.pPortName, "USB001");
    EXPECT_STREQ(info.pDriverName, catalogue::ModelName);
    EXPECT_STREQ(info.pPrintProcessor, "winprint");
    EXPECT_EQ(info.Attributes, 0x204u);
    EXPECT_EQ(info.Attributes & PRINTER_ATTRIBUTE_SHARED, 0u);
    EXPECT_EQ(info.Priority, 1u);
    for (const void* field : {static_cast<const void*>(info.pComment), static_cast<const void*>(info.pLocation),
                              static_cast<const void*>(info.pDevMode), static_cast<const void*>(info.pSepFile),
                              static_cast<const void*>(info.pDatatype), static_cast<const void*>(info.pParameters),
                              static_cast<const void*>(info.pSecurityDescriptor)})
        EXPECT_EQ(field, nullptr);
    EXPECT_EQ(info.DefaultPriority + info.StartTime + info.UntilTime + info.Status + info.cJobs + info.AveragePPM, 0u);

    const std::string copy = std::string(catalogue::ModelName) + " (Copy 2)";
    record.SetName(copy);
    EXPECT_STREQ(record.get()->pPrinterName, copy.c_str());
    EXPECT_STREQ(record.get()->pPortName, "USB001");
}

}  // namespace
