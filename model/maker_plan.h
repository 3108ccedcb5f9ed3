// The maker's own highest-performance plan, "Ostrima Highest Performance": a
// copy of Windows' fastest built-in plan on which every core stays unparked.
// It is shared by the maker's products and always found by its name.
#pragma once

#include "platform/guid.h"
#include "power/maker_plan_scan.h"

namespace quellora {

class PowerSchemeAccess;

bool FindMakerPlan(PowerSchemeAccess& power, Guid& plan);
bool MakerPlanExists(PowerSchemeAccess& power);
// Creates the plan (answers the existing one when there is one).
bool CreateMakerPlan(PowerSchemeAccess& power, Guid& plan);
// Creates the plan unless the user removed it in one of the maker's products
// (`force` overrides that) or power-mode overlays are in use.
bool EnsureMakerPlan(PowerSchemeAccess& power, bool force);
bool FindOrCreateMakerPlan(PowerSchemeAccess& power, Guid& plan);
// Finds or creates the plan and writes its settings again.
bool RefreshMakerPlan(PowerSchemeAccess& power);
// Every core unparked, full minimum and maximum state, and the "Responsive"
// preset's values where the plan has them.
bool WriteMakerPlanSettings(PowerSchemeAccess& power, const Guid& plan);
// Deletes the plan (activating Balanced first when it is active).
bool RemoveMakerPlan(PowerSchemeAccess& power, bool markUninstalled);
// Deletes every copy when there are several; answers how many were found.
int RemoveDuplicateMakerPlans(PowerSchemeAccess& power);
// Refreshes the plan once on 12th-generation Intel processors before Windows 11.
void ReinitMakerPlanOnce(PowerSchemeAccess& power);
bool IsMakerPlan(const Guid& plan);
// "OHPUninstalled" is set under HKLM\Software of any of the maker's products.
bool MakerPlanUninstalledByUser();

}  // namespace quellora
