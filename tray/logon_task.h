// The scheduled task that starts the program at every logon, elevated and in
// the notification area. Failures are never shown: the operations answer
// false (or below 1) and the caller goes on.
#pragma once

#include <string_view>

#include "platform/task_scheduler.h"

namespace quellora {

inline constexpr std::u16string_view kLogonTaskName = u"Quellora";
inline constexpr std::u16string_view kLogonTaskArguments = u"/systray";
// Written into the task's registration information.
inline constexpr std::u16string_view kLogonTaskAuthor = u"Ostrima";

// The definition CreateLogonTask registers: no time limit, runs on battery
// and goes on when the computer goes on battery, instances in parallel,
// enabled; the highest run level when `elevated`; one logon trigger
// "Trigger1" for any user; the executable (in double quotes unless it begins
// with one) with the arguments; registered for the built-in Users group
// (S-1-5-32-545) as a group logon without a password, created or updated.
TaskDefinition LogonTaskDefinition(std::u16string_view name, std::u16string_view executable,
                                   std::u16string_view arguments, bool elevated);

bool CreateLogonTask(std::u16string_view name, std::u16string_view executable, std::u16string_view arguments,
                     bool elevated);
// Below 1 when the task does not exist or the scheduler cannot be asked.
int LogonTaskExists(std::u16string_view name);
bool DeleteLogonTask(std::u16string_view name);

}  // namespace quellora
