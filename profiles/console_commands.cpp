#include "profiles/console_commands.h"

#include "boost/boost_settings.h"
#include "model/plan_json.h"
#include "platform/console_output.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/string_ids.h"
#include "platform/text.h"
#include "power/plan_resolution.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"

namespace quellora {

namespace {

constexpr size_t kFullPathBuffer = 1040;

// The argument as a full path (GetFullPathNameW with a 1040-character buffer);
// as typed when that fails or does not fit.
std::u16string FullPathOf(std::u16string_view file) {
    std::u16string full;
    if (Sys().folders && Sys().folders->FullPath(file, full) && full.size() < kFullPathBuffer) return full;
    return std::u16string(file);
}

bool DynamicBoostEnabled() { return IsBoostEnabled(); }

}  // namespace

int StatusCommand(std::u16string_view planArgument) {
    PowerSchemeAccess power;
    if (ReportMissingPowerApi(power)) return 2;
    ResolvedPlan plan;
    if (!ResolvePlan(power, planArgument, plan)) return ReportMessage(ids::kNoSuchPlan, planArgument, 2);
    PlanSettings settings;
    ProfileInfo info;
    if (!CaptureProfile(power, plan.guid, u"", settings, info)) return ReportMessage(ids::kPlanUnreadable, plan.name, 2);
    nlohmann::json status = {
        {"active", plan.active},
        {"cpu", Utf16ToUtf8(info.cpu)},
        {"dynamicBoost", DynamicBoostEnabled()},
        {"osBuild", Utf16ToUtf8(info.osBuild)},
        {"quellora", Utf16ToUtf8(kProgramVersion)},
        {"settings", ToJsonValue(settings)},
    };
    WriteConsoleJson(status);
    return 0;
}

int ProfilesCommand() {
    nlohmann::json list = nlohmann::json::array();
    for (const ProfileInfo& info : ListProfiles()) {
        list.push_back({
            {"captured", Utf16ToUtf8(info.captured)},
            {"capturedFromPlan", Utf16ToUtf8(info.capturedFromPlan)},
            {"capturedFromPlanGuid", Utf16ToUtf8(GuidToText(info.capturedFromPlanGuid))},
            {"cpu", Utf16ToUtf8(info.cpu)},
            {"name", Utf16ToUtf8(info.name)},
            {"osBuild", Utf16ToUtf8(info.osBuild)},
            {"path", Utf16ToUtf8(info.path)},
        });
    }
    WriteConsoleJson(list);
    return 0;
}

int SaveProfileCommand(std::u16string_view name, std::u16string_view planArgument, bool replace) {
    if (!IsValidProfileName(name)) return ReportMessage(ids::kProfileNameInvalid, 1);
    if (ProfileExists(name) && !replace) return ReportMessage(ids::kProfileExists, name, 2);
    PowerSchemeAccess power;
    if (ReportMissingPowerApi(power)) return 2;
    ResolvedPlan plan;
    if (!ResolvePlan(power, planArgument, plan)) return ReportMessage(ids::kNoSuchPlan, planArgument, 2);
    PlanSettings settings;
    ProfileInfo info;
    if (!CaptureProfile(power, plan.guid, name, settings, info)) return ReportMessage(ids::kOperationFailed, 2);
    if (replace) {
        if (!SaveProfile(info, settings)) return ReportMessage(ids::kOperationFailed, 2);
    } else {
        // Another save of the same name may have come first since the check above.
        bool existed = false;
        if (!SaveNewProfile(info, settings, existed))
            return existed ? ReportMessage(ids::kProfileExists, name, 2) : ReportMessage(ids::kOperationFailed, 2);
    }
    return ReportMessage(ids::kProfileSaved, plan.name, name, 0);
}

int ApplyProfileCommand(std::u16string_view name, std::u16string_view planArgument) {
    if (!ProfileExists(name)) return ReportMessage(ids::kNoSuchProfile, name, 2);
    PlanSettings settings;
    ProfileInfo info;
    if (!LoadProfile(name, settings, info)) return ReportMessage(ids::kOperationFailed, 2);
    PowerSchemeAccess power;
    if (ReportMissingPowerApi(power)) return 2;
    ResolvedPlan plan;
    if (!ResolvePlan(power, planArgument, plan)) return ReportMessage(ids::kNoSuchPlan, planArgument, 2);
    if (!ApplyProfile(power, settings, plan.guid, true)) return ReportMessage(ids::kProfileApplyFailed, 2);
    return ReportMessage(ids::kProfileApplied, name, plan.name, 0);
}

int ExportProfileCommand(std::u16string_view name, std::u16string_view file) {
    if (!ProfileExists(name)) return ReportMessage(ids::kNoSuchProfile, name, 2);
    std::u16string target = FullPathOf(file);
    if (!ExportProfile(name, target)) return ReportMessage(ids::kOperationFailed, 2);
    return ReportMessage(ids::kProfileExported, name, target, 0);
}

int ImportProfileCommand(std::u16string_view file, bool replace) {
    std::u16string source = FullPathOf(file);
    std::u16string name;
    bool existed = false;
    if (ImportProfile(source, replace, name, existed)) return ReportMessage(ids::kProfileImported, name, 0);
    // With /replace an existing profile is no reason to fail: the write failed.
    if (existed && !replace) return ReportMessage(ids::kProfileExists, name, 2);
    return ReportMessage(ids::kOperationFailed, 2);
}

}  // namespace quellora
