// Text and JSON for the console commands: to the console of the process that
// started the program, or to the file or pipe its output is redirected to.
// Output is dropped unless a command has attached it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace quellora {

// Attaches the output for the length of a command (false: it is dropped);
// DetachConsoleOutput undoes it.
bool AttachConsoleOutput();
void DetachConsoleOutput();

// One line, ended by CR LF: to a console as UTF-16, to a file or pipe as UTF-8.
void WriteConsoleLine(std::u16string_view text);
// A JSON value pretty-printed with two spaces, keys in ascending order,
// non-ASCII characters as they are, every line ended by CR LF.
void WriteConsoleJson(const nlohmann::json& value);
// The JSON text WriteConsoleJson writes, before line ends are added.
std::string JsonText(const nlohmann::json& value);
// Writes string `id` (with `argument` in place of its %s) and answers `exitCode`.
int ReportMessage(uint32_t id, std::u16string_view argument, int exitCode);
int ReportMessage(uint32_t id, int exitCode);
int ReportMessage(uint32_t id, std::u16string_view first, std::u16string_view second, int exitCode);
// The same on standard error.
int ReportError(uint32_t id, std::u16string_view argument, int exitCode);

}  // namespace quellora
