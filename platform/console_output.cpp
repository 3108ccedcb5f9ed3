#include "platform/console_output.h"

#include "platform/language.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quellora {

namespace {
// Set while a command runs; output is dropped otherwise.
bool g_outputAttached = false;
}  // namespace

bool AttachConsoleOutput() {
    Console* console = Sys().console;
    g_outputAttached = console && console->AttachForCommand();
    return g_outputAttached;
}

void DetachConsoleOutput() {
    if (Console* console = Sys().console) console->Detach();
    g_outputAttached = false;
}

void WriteConsoleLine(std::u16string_view text) {
    Console* console = Sys().console;
    if (!g_outputAttached || !console) return;
    std::u16string line(text);
    line += u"\r\n";
    if (console->WriteConsoleText(line)) return;
    console->WriteBytes(Utf16ToUtf8(line));
}

std::string JsonText(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void WriteConsoleJson(const nlohmann::json& value) {
    // One write, every line of the document ended the same way as the last.
    std::u16string text;
    for (char16_t c : Utf8ToUtf16(JsonText(value))) {
        if (c == u'\n') text.push_back(u'\r');
        text.push_back(c);
    }
    WriteConsoleLine(text);
}

int ReportMessage(uint32_t id, std::u16string_view argument, int exitCode) {
    WriteConsoleLine(Format(LoadText(id), argument));
    return exitCode;
}

int ReportMessage(uint32_t id, std::u16string_view first, std::u16string_view second, int exitCode) {
    WriteConsoleLine(Format(LoadText(id), first, second));
    return exitCode;
}

int ReportError(uint32_t id, std::u16string_view argument, int exitCode) {
    if (Console* console = Sys().console) console->WriteError(Format(LoadText(id), argument));
    return exitCode;
}

int ReportMessage(uint32_t id, int exitCode) {
    WriteConsoleLine(Format(LoadText(id)));
    return exitCode;
}

}  // namespace quellora
