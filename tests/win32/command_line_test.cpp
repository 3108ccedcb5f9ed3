// The portable command-line splitter against Windows' own CommandLineToArgvW.
#include "tests/win32/support.h"
//
#include <gtest/gtest.h>
#include <shellapi.h>

#include "platform/command_line.h"
#include "platform/text.h"

namespace quellora {
namespace {

std::vector<std::u16string> WindowsSplit(std::u16string_view commandLine) {
    std::wstring line = win32::Wide(commandLine);
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::u16string> out;
    if (!argv) return out;
    for (int i = 0; i < count; ++i) out.push_back(win32::FromWide(argv[i]));
    LocalFree(argv);
    return out;
}

std::string Show(const std::vector<std::u16string>& args) {
    std::string s;
    for (const auto& a : args) {
        s.push_back('[');
        s.append(Utf16ToUtf8(a));
        s.push_back(']');
    }
    return s;
}

TEST(CommandLineSplitting, AgreesWithCommandLineToArgvW) {
    const std::u16string_view cases[] = {
        u"prog",
        u"prog a b c",
        uR"("C:\Program Files\Quellora\Quellora.exe" /applyprofile "My Gaming" Balanced /replace)",
        uR"(prog "a b" c)",
        uR"(prog a"b c"d)",
        // Backslashes: literal unless they precede a quote.
        uR"(prog a\b c\\d e\\\f)",
        uR"(prog a\"b)",
        uR"(prog a\\"b c")",
        uR"(prog a\\\"b)",
        uR"(prog a\\\\"b c")",
        uR"(prog "a\\" b)",
        uR"(prog "C:\Temp\\" next)",
        uR"(prog "a\"b")",
        // Doubled quotes, inside and outside a quoted part.
        uR"(prog "a""b")",
        uR"(prog "a""b" c)",
        uR"(prog a""b)",
        uR"(prog """a""")",
        uR"(prog """")",
        uR"(prog """""")",
        // Empty arguments and blanks.
        uR"(prog "" a "")",
        uR"(prog "")",
        u"prog\ta\t\tb",
        u"prog   a   ",
        u"prog \t ",
        uR"(prog "unterminated arg)",
        uR"(prog "ends with quote")",
        // The executable: taken up to the next quote or blank, without the argument rules.
        uR"("C:\dir\prog.exe"rest a)",
        uR"(C:\dir\prog.exe a)",
        uR"(C:\dir\"odd"\prog.exe a)",
        uR"("C:\dir with blank\prog.exe")",
        u"prog.exe\t/status",
        // Text beyond ASCII.
        u"prog Gr\u00fc\u00dfe \"\u65e5\u672c \u8a9e\" \U0001F600",
        uR"(prog /saveprofile "Profile \"quoted\"" /replace)",
    };
    for (std::u16string_view line : cases) {
        SCOPED_TRACE(Utf16ToUtf8(line));
        std::vector<std::u16string> ours = SplitCommandLine(line);
        std::vector<std::u16string> windows = WindowsSplit(line);
        EXPECT_EQ(ours, windows) << "ours " << Show(ours) << "\nWindows " << Show(windows);
    }
}

TEST(CommandLineSplitting, QuotedArgumentsComeBackThroughWindows) {
    const std::u16string_view arguments[] = {
        u"plain", u"with blank", u"", uR"(trailing\)", uR"(trailing\\)", uR"(in"side)", uR"(\"both\")",
        u"tab\there", uR"(C:\Program Files\x\)", u"\u00fcber",
    };
    std::vector<std::u16string> all = {u"C:\\dir with blank\\prog.exe"};
    for (auto a : arguments) all.emplace_back(a);
    std::u16string line = JoinCommandLine(all);
    EXPECT_EQ(WindowsSplit(line), all) << Utf16ToUtf8(line);
}

}  // namespace
}  // namespace quellora
