#include "profiles/console_commands.h"

#include "app/console_frame.h"
#include "app/string_ids.h"

namespace quellora {

// The profile store arrives with its own change; until then these commands
// answer that the operation failed.
int StatusCommand(std::u16string_view) { return ReportMessage(ids::kOperationFailed, 2); }
int ProfilesCommand() { return ReportMessage(ids::kOperationFailed, 2); }
int SaveProfileCommand(std::u16string_view, std::u16string_view, bool) { return ReportMessage(ids::kOperationFailed, 2); }
int ApplyProfileCommand(std::u16string_view, std::u16string_view) { return ReportMessage(ids::kOperationFailed, 2); }
int ExportProfileCommand(std::u16string_view, std::u16string_view) { return ReportMessage(ids::kOperationFailed, 2); }
int ImportProfileCommand(std::u16string_view, bool) { return ReportMessage(ids::kOperationFailed, 2); }

}  // namespace quellora
