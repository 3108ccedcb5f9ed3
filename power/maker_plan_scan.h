// Finding the maker's highest-performance plan in the registry, where it is
// kept even when Windows' enumeration does not list it.
#pragma once

#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace quellora {

inline constexpr std::u16string_view kMakerPlanName = u"Ostrima Highest Performance";
inline constexpr std::u16string_view kMakerPlanDescription = u"Provides Ostrima optimized CPU performance.";

// Every plan key under PowerSchemes whose name is a GUID and whose FriendlyName
// equals the maker plan's name (exactly or without regard to case), in key order.
std::vector<Guid> ScanMakerPlans();
// The first of them.
bool ScanMakerPlan(Guid& plan);

// The user chose to list the maker's plan even when Windows does not
// (AlwaysShowOstrimaHighestPerformance under HKLM\Software\Quellora).
inline constexpr std::u16string_view kMakerPlanListedValue = u"AlwaysShowOstrimaHighestPerformance";
bool UserListsMakerPlan();
void SetUserListsMakerPlan(bool listed);

}  // namespace quellora
