// Backups of every power plan, exported with powercfg into a dated folder of
// %ProgramData%\Quellora\PowerPlanBackups with a README that tells how to
// restore each; at most ten backups are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/guid.h"

namespace quellora {

inline constexpr size_t kBackupsKept = 10;

// %ProgramData%\Quellora\PowerPlanBackups; empty when the folder is unknown.
std::u16string BackupRoot();
// "<name> {GUID}.pow" with the characters a file name cannot hold made "_".
std::u16string BackupFileName(std::u16string_view planName, const Guid& plan);
// powercfg /export of one plan, waited for at most 30 seconds.
bool ExportPlan(const Guid& plan, std::u16string_view filePath);

// Asks the user a question (text, the message box's style bits) and answers
// the button pressed (mb::kIdYes, ...). The program asks with its own message
// box, which lives above this layer.
using AskUser = std::function<int(std::u16string_view text, uint32_t style)>;

// /backupplans and /askdeleteplanbackups; each answers the exit code.
int BackupPlans();
int AskDeletePlanBackups(const AskUser& ask);

}  // namespace quellora
