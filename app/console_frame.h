// The frame around the console commands: which argument is a command, how
// text and JSON reach the console or a redirected output, the help text, the
// plan listing and plan resolution.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;

using Arguments = std::vector<std::u16string>;

// True when the first argument is "/help" (any case), exactly "/?", or one of
// the seven command names (any case).
bool IsConsoleCommand(const Arguments& arguments);
// Attaches the output, runs the command, detaches; answers the exit code.
int RunConsoleCommand(const Arguments& arguments);

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

struct ResolvedPlan {
    Guid guid;
    std::u16string name;
    bool active = false;
};
// Empty argument: the active plan. Otherwise a GUID (braces optional, any case)
// or a friendly name compared without regard to the case of A to Z.
bool ResolvePlan(PowerSchemeAccess& power, std::u16string_view argument, ResolvedPlan& plan);

// The `/plans` command.
int ListPlansCommand();

}  // namespace quellora
