// Named profiles: snapshots of one plan's processor settings with where and
// when they were taken, kept as JSON files in %LOCALAPPDATA%\Quellora\Profiles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/plan_settings.h"
#include "platform/guid.h"
#include "platform/platform.h"

namespace quellora {

class PowerSchemeAccess;
struct WriteFailure;

struct ProfileInfo {
    std::u16string name;
    std::u16string path;  // the file it was loaded from; never written to the file
    std::u16string capturedFromPlan;
    Guid capturedFromPlanGuid;
    std::u16string cpu;
    std::u16string osBuild;   // "10.0.26100"
    std::u16string captured;  // "2025-03-01T09:30:00Z", UTC
};

inline constexpr size_t kMaxProfileNameLength = 100;
inline constexpr uint64_t kMaxProfileFileBytes = 4u << 20;

// The folder, created when missing; empty when the local application data folder is unknown.
std::u16string ProfileFolder();
std::u16string ProfilePath(std::u16string_view name);
// 1 to 100 code units; none of \ / : * ? " < > | nor a control character; no
// blank first; no blank or full stop last; not a name Windows keeps for a
// device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension).
bool IsValidProfileName(std::u16string_view name);
// A valid-looking name made from any text (a plan or power mode name).
std::u16string SuggestProfileName(std::u16string_view text);
bool ProfileExists(std::u16string_view name);
// Every profile that loads, newest capture first.
std::vector<ProfileInfo> ListProfiles();
bool LoadProfileFile(std::u16string_view path, PlanSettings& settings, ProfileInfo& info);
bool LoadProfile(std::u16string_view name, PlanSettings& settings, ProfileInfo& info);
// The file is replaced in one step: a save that fails leaves the old file as it was.
bool SaveProfile(const ProfileInfo& info, const PlanSettings& settings);
// Saves a profile under a name no profile has: the file is created only when
// none of that name exists, in one step, so that of two saves of one new name
// at once exactly one succeeds. `existed` tells that a profile of that name was
// there (or came first); it is never overwritten.
bool SaveNewProfile(const ProfileInfo& info, const PlanSettings& settings, bool& existed);
bool DeleteProfile(std::u16string_view name);
// The profile under a new name. A profile of the new name is kept unless
// `replace`; with it, it is replaced in the same step that writes the renamed
// profile, so a rename that fails loses neither. Names that differ only in
// letter case are the same file to Windows: such a rename is refused.
bool RenameProfile(std::u16string_view oldName, std::u16string_view newName, bool replace = false);
bool ExportProfile(std::u16string_view name, std::u16string_view targetPath);
// `name` is set once the file loaded with a valid name; `existed` tells that a
// profile of that name was there already.
bool ImportProfile(std::u16string_view sourcePath, bool replace, std::u16string& name, bool& existed);
// The text of a profile file.
std::string ProfileText(const ProfileInfo& info, const PlanSettings& settings);

bool CaptureProfile(PowerSchemeAccess& power, const Guid& plan, std::u16string_view profileName, PlanSettings& settings,
                    ProfileInfo& info);
// Writes the settings to the target plan, reduced to what that plan has; the
// plan's remembered copy follows when it has one, in the same step under the
// plan-write guard. When a write fails, the plan gets its earlier values back,
// the copy stays as it was, and `failure` (when given) tells the first refusal.
bool ApplyProfile(PowerSchemeAccess& power, const PlanSettings& settings, const Guid& target, bool activate,
                  WriteFailure* failure = nullptr);

// "major.minor.build" of the running Windows; empty when unknown.
std::u16string OsBuildText();

}  // namespace quellora
