// The console commands that read plans and move profiles between the store and
// the plans: /status, /profiles, /saveprofile, /applyprofile, /exportprofile
// and /importprofile. The console frame checks their arguments first.
#pragma once

#include <string_view>

namespace quellora {

int StatusCommand(std::u16string_view plan);
int ProfilesCommand();
int SaveProfileCommand(std::u16string_view name, std::u16string_view plan, bool replace);
int ApplyProfileCommand(std::u16string_view name, std::u16string_view plan);
int ExportProfileCommand(std::u16string_view name, std::u16string_view file);
int ImportProfileCommand(std::u16string_view file, bool replace);

}  // namespace quellora
