// The queue scan over spooler snapshots, the bounded read of job records, and
// the small rules of the window's face.
#include "monitor/core/Display.h"
#include "monitor/core/QueueScan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace monitor;

namespace {

struct Scan {
    int result;
    std::int32_t printer;
    std::int32_t job;
};

Scan ScanOf(std::int32_t printerStatus, std::vector<std::int32_t> jobs, std::int32_t previousPrinter = 0) {
    QueueSnapshot snap;
    snap.printerStatus = printerStatus;
    snap.jobStatuses = std::move(jobs);
    Scan s{0, previousPrinter, 12345};
    s.result = ScanQueue(&snap, s.printer, s.job);
    return s;
}

TEST(QueueScan, PrintingJobFoundAmongOthers) {
    Scan s = ScanOf(0, {0x8, 0x2010, 0x1});
    EXPECT_EQ(s.job, 0x2010);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(ScanOf(0, {}).job, -1);
    EXPECT_EQ(ScanOf(0, {0x1, 0x8}).job, -1);  // paused and spooling jobs do not print
}

TEST(QueueScan, LaterPrintingJobWinsUnlessAnEarlierOneIsInError) {
    EXPECT_EQ(ScanOf(0, {0x10, 0x2010}).job, 0x2010);
    EXPECT_EQ(ScanOf(0, {0x2010, 0x10}).job, 0x10);
    Scan stop = ScanOf(0, {0x12, 0x2010});
    EXPECT_EQ(stop.job, 0x12);
    EXPECT_EQ(stop.result, 1);
    EXPECT_EQ(ScanOf(0, {0x50, 0x2010}).job, 0x50);
    EXPECT_EQ(ScanOf(0, {0x210, 0x2010}).job, 0x210);
    EXPECT_EQ(ScanOf(0, {0x30, 0x2010}).job, 0x2010);  // offline is not a stop bit
    EXPECT_EQ(ScanOf(0, {0x2, 0x2010}).job, 0x2010);   // error without printing is skipped
}

TEST(QueueScan, PrinterErrorBitsHideTheJobs) {
    for (std::int32_t bit : {0x1, 0x2, 0x8, 0x10, 0x40, 0x80, 0x800, 0x1000, 0x40000, 0x200000, 0x400000}) {
        Scan s = ScanOf(bit, {0x2010});
        EXPECT_EQ(s.job, -1) << std::hex << bit;
        EXPECT_EQ(s.printer, bit);
        EXPECT_EQ(s.result, 1);
    }
    // Bits outside the mask (busy, printing, warming up) leave the jobs in view.
    for (std::int32_t bit : {0x200, 0x400, 0x10000, 0x4}) EXPECT_EQ(ScanOf(bit, {0x2010}).job, 0x2010);
}

TEST(QueueScan, FailedQueryKeepsThePreviousPrinterStatus) {
    std::int32_t printer = 1, job = 0x2010;
    EXPECT_EQ(ScanQueue(nullptr, printer, job), 0);
    EXPECT_EQ(printer, 1);
    EXPECT_EQ(job, -1);
}

std::vector<unsigned char> Records(const std::vector<std::int32_t>& statuses, std::size_t recordSize,
                                   std::size_t offset) {
    std::vector<unsigned char> buf(statuses.size() * recordSize, 0xEE);
    for (std::size_t i = 0; i < statuses.size(); ++i)
        std::memcpy(buf.data() + i * recordSize + offset, &statuses[i], 4);
    return buf;
}

TEST(JobRecords, StatusesReadFromEachRecord) {
    auto buf = Records({0x10, 0x2010, 0x12}, 64, 36);
    EXPECT_EQ(ReadJobStatuses(buf.data(), buf.size(), 3, 64, 36), (std::vector<std::int32_t>{0x10, 0x2010, 0x12}));
}

TEST(JobRecords, CountBeyondTheBufferReadsOnlyWholeRecords) {
    auto buf = Records({0x10, 0x2010}, 64, 36);
    EXPECT_EQ(ReadJobStatuses(buf.data(), buf.size(), 50, 64, 36).size(), 2u);
    EXPECT_EQ(ReadJobStatuses(buf.data(), buf.size() - 1, 2, 64, 36).size(), 1u);
    EXPECT_TRUE(ReadJobStatuses(nullptr, 0, 3, 64, 36).empty());
    EXPECT_TRUE(ReadJobStatuses(buf.data(), buf.size(), 2, 64, 62).empty());  // field past the record
}

TEST(TitleColour, BlueOnlyForReadyAndPrinting) {
    EXPECT_EQ(TitleColour("Ready"), 0x00FF0000u);
    EXPECT_EQ(TitleColour("Printing"), 0x00FF0000u);
    for (const char* t : {"Searching", "Searching...", "No Printer Found", "Paper-Out Error", "Communicaton Error",
                          "Printer OFFLINE Error", "Ready ", "ready", ""})
        EXPECT_EQ(TitleColour(t), 0x0099A8ACu) << t;
}

TEST(Tips, RotationThroughAllElevenInOrder) {
    std::int32_t index = 0;
    EXPECT_EQ(NextTip(index), PrintingTips[0]);  // start-up
    std::vector<std::string> openings;
    for (int i = 0; i < 12; ++i) openings.push_back(NextTip(index));
    EXPECT_EQ(openings[0], PrintingTips[1]);   // first opening
    EXPECT_EQ(openings[9], PrintingTips[10]);  // tenth
    EXPECT_EQ(openings[10], PrintingTips[0]);  // eleventh starts again
    EXPECT_EQ(openings[11], PrintingTips[1]);
    std::int32_t bad = -4;
    EXPECT_EQ(NextTip(bad), PrintingTips[0]);
    EXPECT_EQ(bad, 1);
}

TEST(Tips, CautionTipsCarryTheAnsiEnDash) {
    EXPECT_EQ(std::string(PrintingTips[5]).substr(0, 10), "Caution \x96 ");
    EXPECT_EQ(static_cast<unsigned char>(PrintingTips[6][8]), 0x96);
    EXPECT_EQ(std::string(PrintingTips[0]),
              "In case of \"Printer Fonts\" set font size as 10 for better throughput and speed.");
    EXPECT_EQ(std::string(PrintingTips[10]), "Use ZYK Ink bank to recharge your ribbon cassette.");
    for (int i = 0; i < kTipCount; ++i) {
        for (const char* p = PrintingTips[i]; *p; ++p)
            if (static_cast<unsigned char>(*p) >= 0x80) EXPECT_TRUE((i == 5 || i == 6) && *p == '\x96') << i;
    }
}

TEST(TraySweep, ColumnByColumnInFivePixelSteps) {
    auto pts = SweepPoints(23, 12);
    ASSERT_EQ(pts.size(), 15u);
    EXPECT_EQ(pts[0], 0u);
    EXPECT_EQ(pts[1], 5u << 16);
    EXPECT_EQ(pts[2], 10u << 16);
    EXPECT_EQ(pts[3], 5u);
    EXPECT_EQ(pts[14], (10u << 16) | 20u);
    EXPECT_EQ(SweepPoints(1, 1).size(), 1u);
    EXPECT_TRUE(SweepPoints(0, 12).empty());
    EXPECT_TRUE(SweepPoints(23, -3).empty());
}

}  // namespace
