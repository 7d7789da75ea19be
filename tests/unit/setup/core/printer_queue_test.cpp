#include "setup/core/PrinterQueue.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const std::string kModel = "ZYK LXD 455 Sentinel";

// A spooler that answers each AddQueue with the next scripted error (0 creates
// the queue) and records everything it was asked.
class ScriptedSpooler : public setup::core::QueueSpooler {
public:
    explicit ScriptedSpooler(std::deque<unsigned long> answers, unsigned long whenExhausted = 0)
        : m_answers(std::move(answers)), m_whenExhausted(whenExhausted) {}

    bool AddQueue(const std::string& printerName) override {
        attempts.push_back(printerName);
        if (m_answers.empty()) {
            m_lastError = m_whenExhausted;
        } else {
            m_lastError = m_answers.front();
            m_answers.pop_front();
        }
        return m_lastError == 0;
    }
    unsigned long LastError() const override { return m_lastError; }
    void SetDefaultPrinter(const std::string& printerName) override { defaults.push_back(printerName); }
    void Sleep(unsigned milliseconds) override { sleeps.push_back(milliseconds); }
    void ReportDriverUnknown() override { ++driverUnknownReports; }

    std::vector<std::string> attempts;
    std::vector<std::string> defaults;
    std::vector<unsigned> sleeps;
    int driverUnknownReports = 0;

private:
    std::deque<unsigned long> m_answers;
    unsigned long m_whenExhausted;
    unsigned long m_lastError = 0;
};

using Names = std::vector<std::string>;

TEST(PrinterQueue, FreeNameIsCreatedOnceAndMadeDefault) {
    ScriptedSpooler spooler({0});
    std::string name;
    EXPECT_TRUE(setup::core::AddPrinterQueue(spooler, kModel, name));
    EXPECT_EQ(name, kModel);
    EXPECT_EQ(spooler.attempts, Names{kModel});
    EXPECT_EQ(spooler.defaults, Names{kModel});
    EXPECT_TRUE(spooler.sleeps.empty());
    EXPECT_EQ(spooler.driverUnknownReports, 0);
}

TEST(PrinterQueue, TakenNamesCountCopiesFromOne) {
    ScriptedSpooler once({1802, 0});
    std::string name;
    EXPECT_TRUE(setup::core::AddPrinterQueue(once, kModel, name));
    EXPECT_EQ(name, "ZYK LXD 455 Sentinel (Copy 1)");
    EXPECT_EQ(once.defaults, Names{"ZYK LXD 455 Sentinel (Copy 1)"});

    ScriptedSpooler twice({1802, 1802, 0});
    EXPECT_TRUE(setup::core::AddPrinterQueue(twice, kModel, name));
    EXPECT_EQ(name, "ZYK LXD 455 Sentinel (Copy 2)");
    EXPECT_EQ(twice.attempts, (Names{kModel, kModel + " (Copy 1)", kModel + " (Copy 2)"}));
    EXPECT_EQ(twice.defaults, Names{"ZYK LXD 455 Sentinel (Copy 2)"});
    EXPECT_TRUE(twice.sleeps.empty());
}

TEST(PrinterQueue, UnknownPortIsRetriedEveryTwoSecondsWithTheSameName) {
    ScriptedSpooler spooler({1796, 1796, 1796, 0});
    std::string name;
    EXPECT_TRUE(setup::core::AddPrinterQueue(spooler, kModel, name));
    EXPECT_EQ(spooler.attempts, (Names(4, kModel)));
    EXPECT_EQ(spooler.sleeps, (std::vector<unsigned>(3, 2000)));
    EXPECT_EQ(spooler.defaults, Names{kModel});
}

TEST(PrinterQueue, PortThatAppearsWithTheNameTakenGoesOnToCopies) {
    ScriptedSpooler spooler({1796, 1802, 0});
    std::string name;
    EXPECT_TRUE(setup::core::AddPrinterQueue(spooler, kModel, name));
    EXPECT_EQ(name, kModel + " (Copy 1)");
    EXPECT_EQ(spooler.sleeps.size(), 1u);
}

TEST(PrinterQueue, UnknownPortGivesUpAfterAboutAMinute) {
    ScriptedSpooler spooler({}, 1796);
    std::string name;
    EXPECT_FALSE(setup::core::AddPrinterQueue(spooler, kModel, name));
    unsigned waited = 0;
    for (unsigned ms : spooler.sleeps) waited += ms;
    EXPECT_GE(waited, 50000u);
    EXPECT_LE(waited, 70000u);
    EXPECT_EQ(spooler.attempts.size(), spooler.sleeps.size() + 1);
    EXPECT_TRUE(spooler.defaults.empty());
    EXPECT_EQ(spooler.driverUnknownReports, 0);
}

TEST(PrinterQueue, UnknownDriverIsReportedAndFails) {
    // At the first call, and in the middle of the copy loop.
    for (const std::deque<unsigned long>& script :
         {std::deque<unsigned long>{1797}, std::deque<unsigned long>{1802, 1802, 1797}}) {
        ScriptedSpooler spooler(script);
        std::string name;
        EXPECT_FALSE(setup::core::AddPrinterQueue(spooler, kModel, name));
        EXPECT_EQ(spooler.driverUnknownReports, 1);
        EXPECT_TRUE(spooler.defaults.empty());
        EXPECT_EQ(spooler.attempts.size(), script.size());
    }
}

TEST(PrinterQueue, OtherErrorsEndWithoutReport) {
    for (const std::deque<unsigned long>& script :
         {std::deque<unsigned long>{5}, std::deque<unsigned long>{1802, 87}, std::deque<unsigned long>{1802, 1796}}) {
        ScriptedSpooler spooler(script);
        std::string name;
        EXPECT_FALSE(setup::core::AddPrinterQueue(spooler, kModel, name));
        EXPECT_EQ(spooler.attempts.size(), script.size());
        EXPECT_TRUE(spooler.defaults.empty());
        EXPECT_TRUE(spooler.sleeps.empty());
        EXPECT_EQ(spooler.driverUnknownReports, 0);
    }
}

TEST(PrinterQueue, SpoolerRefusingEveryNameDoesNotLoopForever) {
    ScriptedSpooler spooler({}, 1802);
    std::string name;
    setup::core::QueueRetryPolicy policy;
    policy.maxCopies = 12;
    EXPECT_FALSE(setup::core::AddPrinterQueue(spooler, kModel, name, policy));
    EXPECT_EQ(spooler.attempts.size(), 13u);
    EXPECT_EQ(spooler.attempts.back(), kModel + " (Copy 12)");
}

}  // namespace
