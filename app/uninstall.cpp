// `/uninstall`: what the program leaves on the machine goes, except what the
// companion product still needs: while Taskwarden is installed the power plans
// stay as they are.
#include <string>
#include <vector>

#include "app/switches.h"
#include "model/maker_plan.h"
#include "platform/guid.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"
#include "tray/logon_task.h"

namespace quellora {

namespace {

constexpr std::u16string_view kCompanionKey = u"Software\\Taskwarden";
constexpr std::u16string_view kOstrimaKey = u"Software\\Ostrima";
constexpr std::u16string_view kOstrimaLanguageKey = u"Software\\Ostrima\\Language";

// Deletes a key of the maker's that holds nothing any more: another product's
// values or subkeys keep it.
void DeleteIfEmpty(Registry& registry, std::u16string_view key) {
    std::vector<std::u16string> subkeys;
    std::vector<RegEntry> values;
    if (registry.EnumKeys(Hive::LocalMachine, key, subkeys) != 0 || !subkeys.empty()) return;
    if (registry.EnumValues(Hive::LocalMachine, key, values) != 0 || !values.empty()) return;
    registry.DeleteKey(Hive::LocalMachine, key);
}

// The companion product counts as installed when its key holds any of these values.
bool CompanionNeedsThePlans() {
    Registry* registry = Sys().registry;
    if (!registry) return false;
    for (std::u16string_view name : {u"GUIStart", u"CoreStart", u"Language"}) {
        RegValue value;
        if (registry->QueryValue(Hive::LocalMachine, kCompanionKey, name, value) == 0) return true;
    }
    return false;
}

}  // namespace

int UninstallCleanup() {
    PowerSchemeAccess power;
    RemoveDuplicateMakerPlans(power);
    if (!CompanionNeedsThePlans()) {
        // A built-in plan becomes active before the maker's plan goes.
        const Guid builtIn = power.OverlaysInUse(true) ? guids::kOverlay1 : guids::kBalanced;
        if (!power.ActivatePlan(builtIn)) power.ActivatePlan(guids::kHighPerformance);
        RemoveMakerPlan(power, false);
    }
    DeleteLogonTask(kLogonTaskName);
    DeleteValueIfPresent(Hive::LocalMachine, kAppKey, u"Installed");
    DeleteValueIfPresent(Hive::LocalMachine, kOstrimaLanguageKey, u"Quellora");
    DeleteGuardedKeyTree(Hive::CurrentUser, kAppKey);
    DeleteGuardedKeyTree(Hive::LocalMachine, kAppKey);
    // The maker's shared keys go only when nothing else is left in them.
    if (Registry* registry = Sys().registry) {
        DeleteIfEmpty(*registry, kOstrimaLanguageKey);
        DeleteIfEmpty(*registry, kOstrimaKey);
    }
    return 0;
}

}  // namespace quellora
