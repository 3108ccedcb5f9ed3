// The profiles page of the main window: the profiles of the store, newest
// first, and saving, applying, renaming, deleting, importing and exporting
// them. Every action ends in at most one message and leaves the store as it
// was when it fails. The page's dialog procedure hands it the list's
// notifications and the commands; the name question, the file dialogs and
// the context menu are the window's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "profiles/profile_store.h"
#include "ui/control_surface.h"

namespace quellora {

class PowerSchemeAccess;

namespace profiles_page {
inline constexpr int kDialog = 0x1445;
inline constexpr int kMenu = 0x1447;          // its first submenu is the list's context menu
inline constexpr int kNameDialog = 0x141e;    // the text input dialog
inline constexpr size_t kMaxNameInput = 1023;  // characters the name field takes
// Controls and commands.
inline constexpr int kList = 9424;
inline constexpr int kDetails = 9426;
inline constexpr int kPlanCaption = 9427;
inline constexpr int kPlanBox = 9428;
inline constexpr int kSave = 9429;
inline constexpr int kApply = 9430;
inline constexpr int kRename = 9431;
inline constexpr int kDelete = 9432;
inline constexpr int kImport = 9433;
inline constexpr int kExport = 9434;
// Columns: heading text and width at 96 dpi.
inline constexpr std::array<uint32_t, 3> kColumnTexts{9386, 9387, 9388};
inline constexpr std::array<int, 3> kColumnWidths{220, 220, 130};
// Texts.
inline constexpr uint32_t kSavePrompt = 9374;
inline constexpr uint32_t kRenamePrompt = 9375;
inline constexpr uint32_t kReplaceQuestion = 9376;  // (name)
inline constexpr uint32_t kDeleteQuestion = 9377;   // (name)
inline constexpr uint32_t kApplyQuestion = 9378;    // (profile, plan)
inline constexpr uint32_t kApplied = 9379;          // (profile, plan)
inline constexpr uint32_t kApplyFailed = 9380;
inline constexpr uint32_t kSaved = 9381;  // (plan, profile)
inline constexpr uint32_t kImported = 9382;  // (name)
inline constexpr uint32_t kFailed = 9383;
inline constexpr uint32_t kInvalidName = 9384;
inline constexpr uint32_t kDetailsText = 9385;  // (plan, time, processor)
inline constexpr uint32_t kFileFilter = 9389;
inline constexpr std::u16string_view kFilePattern = u"*.json";
inline constexpr std::u16string_view kFileExtension = u"json";
}  // namespace profiles_page

// One row of the list: name, captured-from plan, capture time in local time.
using ProfileRow = std::array<std::u16string, 3>;

// UTC to local time; false when the time cannot be converted.
using LocalTimeConverter = std::function<bool(const CalendarTime& utc, CalendarTime& local)>;

// A capture time stored as "%hu-%hu-%huT%hu:%hu:%hu" (UTC) in local time as
// "%04u-%02u-%02u %02u:%02u"; as stored when it does not read or convert.
std::u16string CaptureTimeText(std::u16string_view stored, const LocalTimeConverter& toLocal);

// What the page's window does for the presenter.
class ProfilesPageHost {
public:
    virtual ~ProfilesPageHost() = default;
    virtual ControlSurface& Controls() = 0;
    // The list view: the rows replace the old ones, nothing selected; a row
    // selected (and focused, in view), or none with -1; the selected row.
    virtual void SetRows(const std::vector<ProfileRow>& rows) = 0;
    virtual void SelectRow(int row) = 0;
    virtual int SelectedRow() = 0;
    // A message box owned by the top-level window; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // The text input dialog with a prompt and a proposed text; false when cancelled.
    virtual bool AskText(std::u16string_view prompt, std::u16string& text) = 0;
    // The open and save file dialogs for profile files; false when cancelled.
    virtual bool ChooseFileToOpen(std::u16string& path) = 0;
    virtual bool ChooseFileToSave(std::u16string_view proposedName, std::u16string& path) = 0;
    // The list's context menu at a row.
    virtual void ShowContextMenu(int row) = 0;
    // The plan editor reads the plans again (a profile was applied).
    virtual void ReloadPlanEditor() = 0;
    virtual bool ToLocalTime(const CalendarTime& utc, CalendarTime& local) = 0;
};

class ProfilesPagePresenter {
public:
    ProfilesPagePresenter(ProfilesPageHost& host, PowerSchemeAccess& power);

    // WM_INITDIALOG: the plan box and the list, nothing selected.
    void Initialise();
    // The main window shows the page: the list again keeping the selected
    // profile, the plan box again.
    void Shown();
    // Reads the store and fills the list; selects the profile named `select`
    // (without regard to case) when there is one.
    void FillList(std::u16string_view select = {});
    // The plans by display name, the active one chosen (or the one chosen before, when it still exists).
    void FillPlanBox();
    // LVN_ITEMCHANGED: the details and the buttons that need a selection.
    void OnSelectionChanged();
    // WM_COMMAND: the buttons and the context menu's commands.
    void OnCommand(int command);
    void OnDoubleClick();
    void OnDeleteKey();
    // A right-click or the context menu key in the list: the menu opens only at a selected profile.
    void OnContextMenu();

    void Save();
    void Apply();
    void Rename();
    void Delete();
    void Import();
    void Export();

    const std::vector<ProfileInfo>& profiles() const { return profiles_; }

private:
    ControlSurface& c() { return host_.Controls(); }
    const ProfileInfo* Selected();
    // Asks until the name is valid; none when cancelled. `text` is the proposal.
    std::optional<std::u16string> AskName(uint32_t prompt, std::u16string text);
    bool ChosenPlan(Guid& plan, std::u16string& name);
    bool AskYes(std::u16string_view text);
    void Tell(std::u16string_view text, uint32_t icon);

    ProfilesPageHost& host_;
    PowerSchemeAccess& power_;
    std::vector<ProfileInfo> profiles_;
};

}  // namespace quellora
