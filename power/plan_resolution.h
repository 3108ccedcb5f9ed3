// Finding the plan a user names on the command line.
#pragma once

#include <string>
#include <string_view>

#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;

struct ResolvedPlan {
    Guid guid;
    std::u16string name;
    bool active = false;
};

// Empty argument: the active plan. Otherwise a GUID (braces optional, any case)
// or a friendly name compared without regard to the case of A to Z, among the
// plans the plan list shows.
bool ResolvePlan(PowerSchemeAccess& power, std::u16string_view argument, ResolvedPlan& plan);

// For the console commands that need the power API: when it is missing, one
// line on standard error names what is missing, and the answer is true.
bool ReportMissingPowerApi(const PowerSchemeAccess& power);

}  // namespace quellora
