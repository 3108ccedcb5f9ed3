#include "power/plan_resolution.h"

#include "platform/console_output.h"
#include "platform/string_ids.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

bool ReportMissingPowerApi(const PowerSchemeAccess& power) {
    if (power.available()) return false;
    ReportError(ids::kPowerApiMissing, power.MissingFunctions(), 2);
    return true;
}

bool ResolvePlan(PowerSchemeAccess& power, std::u16string_view argument, ResolvedPlan& plan) {
    if (argument.empty()) {
        Guid active;
        std::u16string name;
        if (!power.QueryActivePlan(active) || !power.ReadPlanName(active, name)) return false;
        plan = ResolvedPlan{active, name, true};
        return true;
    }
    Guid wanted;
    const bool isGuid = StringToGuid(argument, wanted);
    for (const auto& candidate : power.ListedNamedPlans()) {
        bool match = isGuid ? candidate.plan == wanted
                            : candidate.named && EqualsIgnoreAsciiCase(candidate.name, argument);
        if (!match) continue;
        plan = ResolvedPlan{candidate.plan, candidate.name, power.IsActivePlan(candidate.plan)};
        return true;
    }
    return false;
}

}  // namespace quellora
