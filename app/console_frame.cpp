#include "app/console_frame.h"

#include <exception>

#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/string_ids.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/console_commands.h"

namespace quellora {

namespace {

struct CommandRow {
    std::u16string_view name;
    std::u16string_view usage;
    uint32_t description;
};

constexpr CommandRow kCommands[] = {
    {u"/status", u"/status [<plan>]", ids::kHelpStatus},
    {u"/plans", u"/plans", ids::kHelpPlans},
    {u"/profiles", u"/profiles", ids::kHelpProfiles},
    {u"/saveprofile", u"/saveprofile <name> [<plan>] [/replace]", ids::kHelpSaveProfile},
    {u"/applyprofile", u"/applyprofile <name> [<plan>]", ids::kHelpApplyProfile},
    {u"/exportprofile", u"/exportprofile <name> <file>", ids::kHelpExportProfile},
    {u"/importprofile", u"/importprofile <file> [/replace]", ids::kHelpImportProfile},
};

bool IsHelp(std::u16string_view first) { return EqualsIgnoreAsciiCase(first, u"/help") || first == u"/?"; }

void WriteHelp() {
    WriteConsoleLine(LoadText(ids::kHelpHeader));
    WriteConsoleLine(u"");
    for (const auto& row : kCommands) {
        WriteConsoleLine(u"quellora.exe " + std::u16string(row.usage));
        WriteConsoleLine(u"    " + LoadText(row.description));
    }
    WriteConsoleLine(u"");
    WriteConsoleLine(LoadText(ids::kHelpFooter));
}

int Dispatch(const Arguments& arguments) {
    const std::u16string& command = arguments.front();
    if (IsHelp(command)) {
        WriteHelp();
        return 0;
    }
    bool replace = false;
    std::vector<std::u16string> positional;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (EqualsIgnoreAsciiCase(arguments[i], u"/replace")) {
            replace = true;
        } else {
            positional.push_back(arguments[i]);
        }
    }
    const size_t count = positional.size();
    const std::u16string name = count > 0 ? positional[0] : std::u16string();
    const std::u16string second = count > 1 ? positional[1] : std::u16string();
    auto is = [&](std::u16string_view candidate) { return EqualsIgnoreAsciiCase(command, candidate); };

    if (is(u"/status") && count <= 1) return StatusCommand(name);
    if (is(u"/plans") && count == 0) return ListPlansCommand();
    if (is(u"/profiles") && count == 0) return ProfilesCommand();
    if (is(u"/saveprofile") && (count == 1 || count == 2)) return SaveProfileCommand(name, second, replace);
    if (is(u"/applyprofile") && (count == 1 || count == 2)) return ApplyProfileCommand(name, second);
    if (is(u"/exportprofile") && count == 2) return ExportProfileCommand(name, second);
    if (is(u"/importprofile") && count == 1) return ImportProfileCommand(name, replace);
    return ReportMessage(ids::kUsageError, command, 1);
}

}  // namespace

bool IsConsoleCommand(const Arguments& arguments) {
    if (arguments.empty()) return false;
    const std::u16string& first = arguments.front();
    if (IsHelp(first)) return true;
    for (const auto& row : kCommands) {
        if (EqualsIgnoreAsciiCase(first, row.name)) return true;
    }
    return false;
}

int RunConsoleCommand(const Arguments& arguments) {
    if (arguments.empty()) return 1;
    AttachConsoleOutput();
    int code = 2;
    try {
        code = Dispatch(arguments);
    } catch (const std::exception&) {
        code = ReportMessage(ids::kOperationFailed, 2);
    }
    DetachConsoleOutput();
    return code;
}

int ListPlansCommand() {
    PowerSchemeAccess power;
    if (ReportMissingPowerApi(power)) return 2;
    Guid active;
    const bool haveActive = power.QueryActivePlan(active);
    nlohmann::json list = nlohmann::json::array();
    for (const auto& entry : power.ListedNamedPlans()) {
        list.push_back({{"active", haveActive && entry.plan == active},
                        {"guid", Utf16ToUtf8(GuidToText(entry.plan))},
                        {"name", Utf16ToUtf8(entry.name)}});
    }
    WriteConsoleJson(list);
    return 0;
}

}  // namespace quellora
