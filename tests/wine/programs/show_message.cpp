// show_message.exe: shows one message box of the program on demand, for the
// window tests (the product has no switch for it). It prepares what the
// interactive start prepares for a box — the platform, the language module,
// the theme — prints the answer ("answer 16777223": the "again" bits do not
// fit an exit code) and ends with the button as its exit code.
//
//   show_message.exe <style> <text> [<button>]   style in decimal or 0x...; "\n" in the text is a line end;
//                                                with a button, "don't ask again" keeps only that answer
#include "platform/win32/wide.h"
//
#include <cwchar>
#include <string>

#include "tests/wine/programs/window_program.h"
#include "ui/message_box.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 255;
    if (!quellora::testing::PrepareWindowProgram()) return 254;

    const auto style = static_cast<uint32_t>(std::wcstoul(argv[1], nullptr, 0));
    std::u16string text;
    for (const wchar_t* p = argv[2]; *p; ++p) {
        if (p[0] == L'\\' && p[1] == L'n') {
            text.push_back(u'\n');
            ++p;
        } else {
            text.push_back(static_cast<char16_t>(*p));
        }
    }
    const int answer = argc > 3 ? quellora::ShowMessageRememberingOnly(nullptr, text, style, std::wcstol(argv[3], nullptr, 0))
                                : quellora::ShowMessage(nullptr, text, style);
    const std::string line = "answer " + std::to_string(answer) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return quellora::AnswerOf(answer);
}
