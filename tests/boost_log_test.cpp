#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boost/boost_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

class BoostLogTest : public ::testing::Test {
protected:
    SimEnv env;
    ManualClock clock;

    void SetUp() override {
        env.UseClock(&clock);
        testing::ForgetLastBoostLogCall();
    }
    void TearDown() override {
        quellora::testing::FailWritesAfter(-1);
        testing::ForgetLastBoostLogCall();
        env.UseClock(nullptr);
    }

    std::u16string Path() { return BoostLogPath(); }
    std::string Bytes() {
        std::string bytes;
        ReadWholeFile(Path(), 1 << 24, bytes);
        return bytes;
    }
    void WriteLog(const std::string& bytes) { ASSERT_TRUE(WriteFileAtomic(Path(), bytes)); }
    std::vector<FileInfo> FolderEntries() {
        std::vector<FileInfo> entries;
        ListDirectory(FolderPart(Path()), entries);
        return entries;
    }
};

TEST_F(BoostLogTest, TheLogLiesInTheProgramsFolderOfLocalAppData) {
    const std::u16string path = Path();
    EXPECT_EQ(path, JoinPath(JoinPath(env.platform().folders->LocalAppData(), u"Quellora"), u"dynboost.log"));
    EXPECT_TRUE(DirectoryExists(FolderPart(path)));
}

TEST_F(BoostLogTest, ALineHoldsTheUtcTimeTheReasonAndThePlansName) {
    AppendBoostLog(1, guids::kHighPerformance);
    clock.utc = CalendarTime{2027, 1, 5, 3, 4, 5, 6, 7};
    AppendBoostLog(2, guids::kPowerSaver);
    const std::string expected = "\xFF\xFE" + Utf16Le(u"2026-12-10T09:30:00Z\t1\tHigh performance\r\n"
                                                      u"2027-01-03T04:05:06Z\t2\tPower saver\r\n");
    EXPECT_EQ(Bytes(), expected);
}

TEST_F(BoostLogTest, APlanWithoutANameIsLoggedByItsGuidAndTabsInNamesBecomeBlanks) {
    env.machine().SetPlanNameUnreadable(guids::kPowerSaver, true);
    AppendBoostLog(2, guids::kPowerSaver);
    env.machine().registry().SetValue(Hive::LocalMachine,
                                      std::u16string(u"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes\\") +
                                          GuidToBareText(guids::kBalanced),
                                      u"FriendlyName", RegValue::String(u"My\tPlan"));
    AppendBoostLog(1, guids::kBalanced);
    const auto entries = ReadBoostLog(10);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].planName, u"{A1841308-3541-4FAB-BC81-F71556F20B4A}");
    EXPECT_EQ(entries[0].planName, u"My Plan");
}

TEST_F(BoostLogTest, TheSameReasonAndPlanWithinAMinuteGiveOneLine) {
    AppendBoostLog(2, guids::kPowerSaver);
    clock.tick += 59999;
    AppendBoostLog(2, guids::kPowerSaver);
    EXPECT_EQ(ReadBoostLog(10).size(), 1u);
    clock.tick += 1;  // a minute after the last line
    AppendBoostLog(2, guids::kPowerSaver);
    EXPECT_EQ(ReadBoostLog(10).size(), 2u);
    // Another reason or plan in between is logged, and so is the switch back.
    AppendBoostLog(5, guids::kPowerSaver);
    AppendBoostLog(2, guids::kPowerSaver);
    AppendBoostLog(2, guids::kHighPerformance);
    const auto entries = ReadBoostLog(10);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].reason, 2);
    EXPECT_EQ(entries[0].planName, u"High performance");
    EXPECT_EQ(entries[1].reason, 2);
    EXPECT_EQ(entries[2].reason, 5);
}

TEST_F(BoostLogTest, TheFirstCallOfAProcessIsNeverSkipped) {
    AppendBoostLog(1, guids::kHighPerformance);
    testing::ForgetLastBoostLogCall();
    AppendBoostLog(1, guids::kHighPerformance);
    EXPECT_EQ(ReadBoostLog(10).size(), 2u);
}

// A log of exactly 300000 bytes: 2999 lines of 100 bytes and one of 98 after the byte order mark.
std::string LargeLog(std::vector<std::u16string>& names) {
    std::string bytes = "\xFF\xFE";
    for (int i = 0; i < 3000; ++i) {
        std::u16string name = Format(u"Plan %05d", i);
        std::u16string line = u"2026-01-01T00:00:00Z\t2\t" + name;
        const size_t chars = i == 2999 ? 49 : 50;
        while (line.size() + 2 < chars) line += u'.';
        name = line.substr(line.find(u'\t', 21) + 1);
        names.push_back(name);
        bytes += Utf16Le(line + u"\r\n");
    }
    return bytes;
}

TEST_F(BoostLogTest, ALogPast256KiBKeepsTheNewestHalfOfItsLastThousandLines) {
    std::vector<std::u16string> names;
    const std::string old = LargeLog(names);
    ASSERT_EQ(old.size(), 300000u);
    WriteLog(old);
    AppendBoostLog(1, guids::kHighPerformance);

    const auto entries = ReadBoostLog(5000);
    ASSERT_EQ(entries.size(), 501u);
    EXPECT_EQ(entries[0].planName, u"High performance");
    EXPECT_EQ(entries[1].planName, names[2999]);
    EXPECT_EQ(entries[500].planName, names[2500]);
    EXPECT_EQ(entries[500].time, u"2026-01-01T00:00:00Z");
    EXPECT_EQ(entries[500].reason, 2);
    const std::string bytes = Bytes();
    EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE"), 0);
    EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos);
    EXPECT_LT(bytes.size(), 60000u);
    EXPECT_EQ(FolderEntries().size(), 1u);  // no temporary file left behind
}

TEST_F(BoostLogTest, AnInterruptedRotationKeepsTheOldLog) {
    std::vector<std::u16string> names;
    const std::string old = LargeLog(names);
    WriteLog(old);
    quellora::testing::FailWritesAfter(100);
    AppendBoostLog(1, guids::kHighPerformance);
    quellora::testing::FailWritesAfter(-1);

    const std::string bytes = Bytes();
    ASSERT_GT(bytes.size(), old.size());
    EXPECT_EQ(bytes.compare(0, old.size(), old), 0);  // the whole history is still there
    const auto entries = ReadBoostLog(5000);
    ASSERT_EQ(entries.size(), 3001u);
    EXPECT_EQ(entries[0].planName, u"High performance");
    EXPECT_EQ(FolderEntries().size(), 1u);
}

TEST_F(BoostLogTest, ReadingSkipsLinesWithoutTwoTabsAndParsesTheReasonLeniently) {
    WriteLog("\xFF\xFE" + Utf16Le(u"no tabs at all\r\n"
                                  u"one\ttab\r\n"
                                  u"t1\t3\tDisplay plan\r\n"
                                  u"t2\t  -4x\tName\twith tab\n"
                                  u"t3\t\tNo reason\r\n"
                                  u"\r\n"
                                  u"t4\t+7\t") +
             "A");  // an odd last byte
    const auto entries = ReadBoostLog(10);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (BoostLogEntry{u"t4", 7, u""}));
    EXPECT_EQ(entries[1], (BoostLogEntry{u"t3", 0, u"No reason"}));
    EXPECT_EQ(entries[2], (BoostLogEntry{u"t2", -4, u"Name\twith tab"}));
    EXPECT_EQ(entries[3], (BoostLogEntry{u"t1", 3, u"Display plan"}));
    EXPECT_EQ(ReadBoostLog(2).size(), 2u);
    EXPECT_EQ(ReadBoostLog(2)[0].time, u"t4");
    EXPECT_TRUE(ReadBoostLog(0).empty());
}

TEST_F(BoostLogTest, AMissingTinyOrHugeLogReadsAsEmpty) {
    EXPECT_TRUE(ReadBoostLog(10).empty());
    WriteLog("\xFF\xFE");
    EXPECT_TRUE(ReadBoostLog(10).empty());
    // Without a byte order mark the text is still read.
    WriteLog(Utf16Le(u"t\t1\tplan\r\n"));
    EXPECT_EQ(ReadBoostLog(10).size(), 1u);
    std::string huge = "\xFF\xFE" + Utf16Le(u"t\t1\tplan\r\n");
    huge.resize(kBoostLogReadLimit, ' ');
    WriteLog(huge);
    EXPECT_TRUE(ReadBoostLog(10).empty());
    huge.resize(kBoostLogReadLimit - 2);
    WriteLog(huge);
    EXPECT_EQ(ReadBoostLog(10).size(), 1u);
}

TEST_F(BoostLogTest, AnEmptyLogFileGetsItsByteOrderMarkFirst) {
    WriteLog("");
    AppendBoostLog(8, guids::kBalanced);
    const std::string bytes = Bytes();
    EXPECT_EQ(bytes, "\xFF\xFE" + Utf16Le(u"2026-12-10T09:30:00Z\t8\tBalanced\r\n"));
}

}  // namespace
}  // namespace quellora
