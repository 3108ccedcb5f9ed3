#include <gtest/gtest.h>

#include "app/console_frame.h"
#include "app/entry.h"
#include "platform/command_line.h"
#include "platform/text.h"

namespace quellora {
namespace {

using Args = std::vector<std::u16string>;

TEST(CommandLine, SplitsLikeWindows) {
    struct Case {
        std::u16string line;
        Args expected;  // after the executable
    };
    const Case cases[] = {
        {u"\"C:\\Program Files\\Quellora\\Quellora.exe\" /applyprofile \"My Gaming\" Balanced /replace",
         {u"/applyprofile", u"My Gaming", u"Balanced", u"/replace"}},
        {u"q.exe", {}},
        {u"q.exe   ", {}},
        {u"q.exe a\tb  c", {u"a", u"b", u"c"}},
        {u"q.exe \"\"", {u""}},
        {u"q.exe \"a b\"c", {u"a bc"}},
        {u"q.exe a\\\\b", {u"a\\\\b"}},                 // backslashes not before a quote stay
        {u"q.exe a\\\"b", {u"a\"b"}},                   // \" is a literal quote
        {u"q.exe a\\\\\"b c\"", {u"a\\b c"}},           // \\" is one backslash and a quote that groups
        {u"q.exe a\\\\\\\"b", {u"a\\\"b"}},             // \\\" is a backslash and a literal quote
        {u"q.exe \"C:\\dir\\\\\" next", {u"C:\\dir\\", u"next"}},
        {u"q.exe \"a\"\"b\"", {u"a\"b"}},               // a doubled quote inside quotes
        {u"q.exe \"\"\"a\"\"\"", {u"\"a\""}},
        {u"q.exe \"unterminated arg", {u"unterminated arg"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandArguments(c.line), c.expected) << Utf16ToUtf8(c.line);
    }
    EXPECT_EQ(SplitCommandLine(u"\"C:\\a b\\q.exe\"x y").front(), u"C:\\a b\\q.exe");
}

TEST(CommandLine, QuotingRoundTrips) {
    const Args args = {u"C:\\Program Files\\q.exe", u"/saveprofile", u"My \"Gaming\"", u"C:\\dir\\", u"", u"a\\\\b",
                       u"tab\there"};
    EXPECT_EQ(SplitCommandLine(JoinCommandLine(args)), args);
}

TEST(ConsoleCommands, OnlyTheFirstArgumentCounts) {
    struct Case {
        std::u16string line;
        bool command;
    };
    const Case cases[] = {
        {u"quellora.exe /STATUS", true},   {u"quellora.exe /status x", true}, {u"quellora.exe /?", true},
        {u"quellora.exe /HELP", true},     {u"quellora.exe /plans", true},    {u"quellora.exe /ImportProfile f", true},
        {u"quellora.exe /systray", false}, {u"quellora.exe /backupplans", false}, {u"quellora.exe", false},
        {u"quellora.exe /nosystray /status", false}, {u"quellora.exe My Gaming", false},
        {u"quellora.exe /?x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsConsoleCommand(CommandArguments(c.line)), c.command) << Utf16ToUtf8(c.line);
}

TEST(Switches, FirstInTheTableDecides) {
    struct Case {
        std::u16string line;
        std::u16string decides;
    };
    const Case cases[] = {
        {u"quellora.exe /terminate /selftest", u"/selftest"},
        {u"quellora.exe /classic /selftest", u"/selftest"},
        {u"quellora.exe /DriftCheck", u"/driftcheck"},
        {u"quellora.exe /armprobe /write", u"/armprobe"},
        {u"quellora.exe /nosystray", u""},
        {u"quellora.exe /classic", u""},
        {u"quellora.exe", u""},
        {u"quellora.exe /askdeleteplanbackups /backupplans", u"/backupplans"},
        // The whole command line counts, the executable's path included.
        {u"\"C:\\tools /update\\quellora.exe\"", u"/update"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecidingSwitch(c.line), c.decides) << Utf16ToUtf8(c.line);
}

}  // namespace
}  // namespace quellora
