#include "power/maker_plan_scan.h"

#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {
// UuidFromStringW takes the bare form only.
bool ParseBareGuid(std::u16string_view text, Guid& out) {
    return !text.empty() && text.front() != u'{' && StringToGuid(text, out);
}
}  // namespace

std::vector<Guid> ScanMakerPlans() {
    std::vector<Guid> found;
    Registry* reg = Sys().registry;
    if (!reg) return found;
    std::vector<std::u16string> keys;
    if (reg->EnumKeys(Hive::LocalMachine, kPowerSchemesKey, keys) != 0) return found;
    for (const auto& key : keys) {
        Guid plan;
        if (!ParseBareGuid(key, plan)) continue;
        std::u16string name;
        if (!ReadString(Hive::LocalMachine, std::u16string(kPowerSchemesKey) + u"\\" + key, u"FriendlyName", name))
            continue;
        if (name == kMakerPlanName || EqualsIgnoreCase(name, kMakerPlanName)) found.push_back(plan);
    }
    return found;
}

bool UserListsMakerPlan() {
    return ReadDwordOr(Hive::LocalMachine, kAppKey, kMakerPlanListedValue, 0) != 0;
}

void SetUserListsMakerPlan(bool listed) { WriteDword(Hive::LocalMachine, kAppKey, kMakerPlanListedValue, listed ? 1 : 0); }

bool ScanMakerPlan(Guid& plan) {
    auto all = ScanMakerPlans();
    if (all.empty()) return false;
    plan = all.front();
    return true;
}

}  // namespace quellora
