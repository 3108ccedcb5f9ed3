#include <gtest/gtest.h>

#include "app/console_frame.h"
#include "platform/command_line.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

class ConsoleFrameTest : public ::testing::Test {
protected:
    SimEnv env;
    int Run(std::u16string_view line) { return RunConsoleCommand(CommandArguments(line)); }
};

TEST_F(ConsoleFrameTest, PlansPrintsTheListAsJson) {
    EXPECT_EQ(Run(u"quellora.exe /plans"), 0);
    EXPECT_EQ(env.console().out, testing::ReadBytes(testing::SourceDir() + "/tests/data/plans-default.txt"));
}

TEST_F(ConsoleFrameTest, PlansFollowsTheActivePlanAndNonAsciiNames) {
    PowerSchemeAccess power;
    ASSERT_TRUE(power.WritePlanName(guids::kPowerSaver, u"Énergie – économie"));
    ASSERT_TRUE(power.ActivatePlan(guids::kPowerSaver));
    EXPECT_EQ(Run(u"quellora.exe /PLANS"), 0);
    const std::string& out = env.console().out;
    EXPECT_NE(out.find("\"active\": true,\r\n    \"guid\": \"{A1841308-3541-4FAB-BC81-F71556F20B4A}\",\r\n    "
                       "\"name\": \"\xC3\x89nergie \xE2\x80\x93 \xC3\xA9\x63onomie\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("\\u"), std::string::npos);
}

TEST_F(ConsoleFrameTest, UsageErrorsExitWithOne) {
    struct Case {
        std::u16string line;
        std::string message;
    };
    const Case cases[] = {
        {u"q.exe /plans x", "Wrong arguments for /plans."},
        {u"q.exe /Plans x y", "Wrong arguments for /Plans."},
        {u"q.exe /exportprofile onlyone", "Wrong arguments for /exportprofile."},
        {u"q.exe /status a b", "Wrong arguments for /status."},
        {u"q.exe /importprofile", "Wrong arguments for /importprofile."},
        {u"q.exe /saveprofile /replace", "Wrong arguments for /saveprofile."},
    };
    for (const auto& c : cases) {
        env.console().out.clear();
        EXPECT_EQ(Run(c.line), 1) << Utf16ToUtf8(c.line);
        EXPECT_EQ(env.console().out.rfind(c.message, 0), 0u) << env.console().out;
    }
}

TEST_F(ConsoleFrameTest, HelpListsEveryCommand) {
    EXPECT_EQ(Run(u"q.exe /?"), 0);
    std::string help = env.console().out;
    env.console().out.clear();
    EXPECT_EQ(Run(u"q.exe /HELP"), 0);
    EXPECT_EQ(env.console().out, help);
    auto lines = Split(Utf8ToUtf16(help), u'\n');
    ASSERT_EQ(lines.size(), 19u);  // header, blank, 7 x 2, blank, footer, and the end of the last line
    EXPECT_EQ(lines[1], u"\r");
    EXPECT_EQ(lines[2], u"quellora.exe /status [<plan>]\r");
    EXPECT_EQ(lines[3].substr(0, 4), u"    ");
    EXPECT_EQ(lines[14], u"quellora.exe /importprofile <file> [/replace]\r");
    EXPECT_EQ(lines[16], u"\r");
    EXPECT_EQ(lines[18], u"");
}

TEST_F(ConsoleFrameTest, ResolvesPlansByNameOrGuid) {
    PowerSchemeAccess power;
    struct Case {
        std::u16string argument;
        bool found;
        Guid plan;
        bool active;
    };
    const Case cases[] = {
        {u"", true, guids::kBalanced, true},
        {u"balanced", true, guids::kBalanced, true},
        {u"HIGH PERFORMANCE", true, guids::kHighPerformance, false},
        {u"{a1841308-3541-4fab-bc81-f71556f20b4a}", true, guids::kPowerSaver, false},
        {u"A1841308-3541-4FAB-BC81-F71556F20B4A", true, guids::kPowerSaver, false},
        {u"e9a42b02-d5df-448d-aa00-03f14749eb61", false, {}, false},  // not listed by Windows
        {u"Balanced ", false, {}, false},
        {u"nope", false, {}, false},
    };
    for (const auto& c : cases) {
        ResolvedPlan plan;
        ASSERT_EQ(ResolvePlan(power, c.argument, plan), c.found) << Utf16ToUtf8(c.argument);
        if (!c.found) continue;
        EXPECT_EQ(plan.guid, c.plan);
        EXPECT_EQ(plan.active, c.active);
    }
}

TEST_F(ConsoleFrameTest, AMissingStringPrintsAnEmptyLine) {
    EXPECT_EQ(ReportMessage(1, 2), 2);
    EXPECT_EQ(env.console().out, "");  // nothing is written outside a command
    env.console().AttachForCommand();
    WriteConsoleLine(u"x");
    EXPECT_EQ(env.console().out, "");  // the frame has not attached its output
}

}  // namespace
}  // namespace quellora
