// The maker's companion process manager, Taskwarden, can switch power plans by
// itself (its idle power saver Restwell, per-application plan rules, its
// gaming Performance Mode, a load-based plan switcher, a plan applied at its
// start), and each of these works against Dynamic Boost. This finds the
// companion's configuration, reads the settings that matter and lists every
// conflicting one, so that enabling Dynamic Boost can ask the user first.
// The companion is another program: its registry values, its configuration
// file and its two named events are only read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_handle.h"

namespace quellora {

struct CompanionSettings {
    bool restwellOn = false;
    uint32_t appRuleCount = 0;
    std::u16string firstAppRule;  // the process pattern of the first rule
    bool performanceModeAuto = false;
    bool performanceModeChangesPlan = false;
    bool loadSwitcherOn = false;
    std::u16string startWithPlan;  // empty for none

    bool operator==(const CompanionSettings&) const = default;
};

// The companion's key (HKLM 64-bit view, HKLM 32-bit view, then HKCU) and its service.
inline constexpr std::u16string_view kCompanionKey = u"Software\\Taskwarden";
inline constexpr std::u16string_view kCompanionServiceKey = u"SYSTEM\\CurrentControlSet\\Services\\TaskSteward";
// Signalled while Restwell is active / while Performance Mode is engaged.
inline constexpr std::u16string_view kRestwellEvent = u"Global\\4becabdf-7b32-482f-ad9e-ef92af1a88c5";
inline constexpr std::u16string_view kPerformanceModeEvent = u"Global\\4f90aefd-30ca-4121-afec-106c3903fc0f";

using FlatIni = std::map<std::u16string, std::u16string>;

// A REG_SZ / REG_EXPAND_SZ value of the companion's key, non-empty and at most
// 2047 characters; false when none of the three places has one.
bool ReadCompanionValue(std::u16string_view name, std::u16string& text);
// The companion is installed (its Install_Dir value exists).
bool CompanionInstalled();

// The companion's configuration file: its ConfigFolderEx folder (else its
// default folder), in the subfolder of its active profile when it names one,
// "twarden.ini". Empty when no folder can be formed.
std::u16string FindCompanionConfigFile();

// Key (lower case) to value of every "key=value" line, sections ignored; the
// first occurrence of a key wins. UTF-16LE with a byte order mark, or else text
// in the system's ANSI code page. A missing, empty or oversized (16 MiB) file
// gives an empty map.
FlatIni ReadFlatIni(std::u16string_view path);

// Text in the system's ANSI code page as UTF-16 (on the host: Windows-1252,
// the Western code page).
std::u16string AnsiToUtf16(std::string_view bytes);

// Splits at `separator`; a backslash before "," or ";" makes that character
// part of the text. Empty parts are kept; the last part is always there.
std::vector<std::u16string> SplitEscaped(std::u16string_view text, char16_t separator);

CompanionSettings EvaluateCompanionSettings(const FlatIni& ini);

// The conflicts as texts of the language module, in a fixed order; `live`
// adds what the companion's events say it is doing now.
std::vector<std::u16string> ConflictTexts(const CompanionSettings& settings, bool live);

// The live conflicts of the installed companion; its settings are read again
// at most every 5 seconds (and when its configuration file changed). Empty
// when the companion is not installed.
std::vector<std::u16string> GetCompanionConflicts();

// The conflicts a configuration file holds (no live checks).
std::vector<std::u16string> ConflictsForFile(std::u16string_view path);

// Restwell is active now (its event exists and is signalled).
bool RestwellActive();

// Asks, in the program's message box, whether to enable Dynamic Boost despite
// the conflicts: true at once when there are none, else true when the user
// answers Yes. `owner` is the asking window (null: the active window's last
// active pop-up).
bool PromptCompanionConflicts(WindowHandle owner = nullptr);
// Tells the user about the conflicts, when there are any.
void ShowCompanionConflicts(WindowHandle owner = nullptr);

namespace testing {
// Empties the cache of GetCompanionConflicts, as a new process would.
void ForgetCompanionCache();
}  // namespace testing

}  // namespace quellora
