// Old versions of the maker's core-assignment utility Threadmark conflict with
// this program: once per interactive start an old installation is closed,
// uninstalled silently, and the user is offered the new version's web page.
#pragma once

#include <string_view>

#include "platform/file_version.h"

namespace quellora {

// The newest version that still counts as old.
inline constexpr FileVersion kLastOldThreadmark{1, 2, 0, 4};
inline constexpr std::u16string_view kThreadmarkPage = u"https://www.ostrima.com/threadmark/";

// Whether an installation of this uninstaller version is old (compared part by part).
bool IsOldThreadmark(const FileVersion& version);

// Looks for "<Program Files>\Threadmark\uninstall.exe" and its version; for an
// old installation starts "Threadmark.exe -close" (waiting up to 5 s) and
// "uninstall.exe /S" (not waiting) in the installation folder, then asks.
// Answers whether an old installation was found.
bool RunThreadmarkMaintenance();

}  // namespace quellora
