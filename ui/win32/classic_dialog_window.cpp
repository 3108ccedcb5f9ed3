// The classic dialog on Windows: one modal dialog of the language module that
// carries the plan editor (its classic variant), the status area with the
// core utilisation graph, and the dialog's own options and menu. Every
// decision is a presenter's: the editor's, the status area's or the
// ClassicDialogPresenter's; this window hands them its messages.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "model/persisted_store.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tray/boost_dialog_window.h"
#include "tray/update_check.h"
#include "ui/advanced_editor.h"
#include "ui/classic_dialog.h"
#include "ui/dashboard_status.h"
#include "ui/events_page.h"
#include "ui/main_window.h"
#include "ui/main_window_presenter.h"
#include "ui/message_box.h"
#include "ui/plan_editor_presenter.h"
#include "ui/theme.h"
#include "ui/win32/dashboard_status_window.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/editor_pages.h"
#include "ui/win32/event_list.h"
#include "ui/win32/main_window.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

namespace {

using namespace classic_dialog;

constexpr std::wstring_view kTrayClass = L"WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}";
constexpr std::wstring_view kTrayName = L"WndName-{7298c6b8-835f-4234-8054-49925ccd4038}";
constexpr int kPlanSubmenu = 2;
constexpr UINT kLinkIdealSize = WM_USER + 0x301;  // LM_GETIDEALSIZE (commctrl.h hides it from this target)  // the plan submenu's place in the menu's first popup

// The plan change history (0x141c): the events page's columns, the plan switches only.
INT_PTR CALLBACK HistoryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* power = DialogOwner<PowerSchemeAccess>(dialog, message, lParam);
    auto fill = [dialog, power] {
        FillEventList(GetDlgItem(dialog, events_page::kList), PlanSwitchRows(PlanHistoryRows(*power)));
    };
    switch (message) {
        case WM_INITDIALOG:
            SetUpEventColumns(GetDlgItem(dialog, events_page::kList));
            SubclassDialogColours(dialog, {IDOK, IDCANCEL, events_page::kRefresh});
            ThemeTitleBar(dialog);
            ThemeChildren(dialog);
            ThemeListView(GetDlgItem(dialog, events_page::kList));
            fill();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == events_page::kRefresh) fill();
            if (LOWORD(wParam) == IDOK) EndDialog(dialog, 0);
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
            return TRUE;
        default:
            return FALSE;
    }
}

class ClassicDialog final : public ClassicDialogHost, public EditorHost, public DashboardHost {
public:
    ClassicDialog() : classic_(*this, IsHeterogeneousProcessor()), editor_(*this, power_, EditorVariant::Classic) {}

    ~ClassicDialog() override {
        if (smallIcon_) DestroyIcon(smallIcon_);
        if (largeIcon_) DestroyIcon(largeIcon_);
    }

    int Run() {
        module_ = reinterpret_cast<HMODULE>(State().resourceModule);
        if (!module_) module_ = GetModuleHandleW(nullptr);
        const INT_PTR result =
            DialogBoxParamW(module_, MAKEINTRESOURCEW(kDialog), nullptr, Proc, reinterpret_cast<LPARAM>(this));
        return result < 0 ? 1 : static_cast<int>(result);
    }

    // ---- ClassicDialogHost and EditorHost
    ControlSurface& Controls() override { return controls_; }
    PowerSchemeAccess& Power() override { return power_; }
    int Message(std::u16string_view text, uint32_t style) override { return ShowMessage(hwnd_, text, style); }
    bool PendingEdits() override { return editor_.pendingEdits(); }
    void Apply() override { SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), 0); }
    void End() override {
        if (ended_) return;
        ended_ = true;
        PublishMainWindow(nullptr);
        EndDialog(hwnd_, 0);
    }
    void ForwardToTray(uint32_t command, intptr_t lParam) override { SendToTray(command, lParam); }
    void RunBoostDialog() override { RunBoostDialogWindow(hwnd_); }
    void SignalSettingsChanged() override {
        if (Sys().kernel && State().settingsChangedEvent) Sys().kernel->Signal(State().settingsChangedEvent);
    }
    void OpenHistory() override {
        DialogBoxParamW(module_, MAKEINTRESOURCEW(kHistoryDialog), hwnd_, HistoryProc,
                        reinterpret_cast<LPARAM>(&power_));
    }
    void OpenAbout() override {
        RunAboutDialog(hwnd_, module_, [this] { ManualUpdateCheck(); });
    }
    void ManualUpdateCheck() override {
        // The installer was started: it replaces the program, which ends now.
        if (!quellora::ManualUpdateCheck(hwnd_)) return;
        if (!SendToTray(main_window::kExit, 0)) SendClose();
    }
    bool BetaUpdates() override { return GetBetaUpdates(); }
    void SetBetaUpdates(bool beta) override { quellora::SetBetaUpdates(beta); }
    void SendClose() override { SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

    void PostPendingEditsChanged() override {}  // the dialog shows no pending state
    void SetGlow(bool) override {}             // and has no glow
    void SetApplyAccessibleName(std::u16string_view) override {}
    void OpenAdvancedEditor(const Guid& plan) override { RunAdvancedEditor(hwnd_, plan); }
    void BoostTurnedOff() override { classic_.LoadOptions(); }

    // ---- DashboardHost
    bool UpdateCheckFinished() override { return updateCheck_.Finished(); }
    std::u16string LatestVersion() override { return LatestVersionText(); }
    FrequencyReading ReadClock() override { return ReadProcessClock(); }
    bool SettingsChangedSignalled() override { return SettingsChangedEventSignalled(); }
    bool StartedWithRestart() override { return State().restarted; }
    void RebuildCountersAndRestart() override { RunCounterRebuild(); }
    bool InstallUpdate() override { return quellora::InstallUpdate(hwnd_); }
    void Quit(int code) override {
        // Without a tray this dialog is the whole program.
        if (!SendToTray(main_window::kExit, 0)) PostQuitMessage(code);
    }
    void ShowBoostPage() override { classic_.OnCommand(kBoostDialogCommand, 0); }
    void ReloadPlanList() override { editor_.ReloadPlanList(); }
    void ReloadProfilesPage() override {}
    void SetMakerPlanListedBox(bool) override {}

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = DialogOwner<ClassicDialog>(dialog, message, lParam);
        if (message == WM_INITDIALOG) {
            self->hwnd_ = dialog;
            self->Initialise();
            return TRUE;
        }
        return self ? self->Handle(message, wParam, lParam) : FALSE;
    }

    // The tray window of this process; false when there is none (no-tray mode).
    bool SendToTray(uint32_t command, intptr_t lParam) {
        HWND tray = FindWindowW(kTrayClass.data(), kTrayName.data());
        DWORD process = 0;
        if (!tray || !GetWindowThreadProcessId(tray, &process) || process != GetCurrentProcessId()) return false;
        SendMessageW(tray, WM_COMMAND, command, lParam);
        return true;
    }

    void Initialise() {
        PublishMainWindow(hwnd_);
        controls_.SetDialogs({hwnd_});
        if (HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(kMenu))) SetMenu(hwnd_, menu);
        RefreshTheme();
        {
            // The remembered settings of every plan are written back into it.
            PowerSchemeAccess power;
            ReapplyStored(power);
        }
        SetDlgItemTextW(hwnd_, editor::kAdvanced, Wide(LoadText(editor::kAdvancedButton)).c_str());
        classic_.LoadOptions();
        const int dpi = WindowDpi(hwnd_);
        smallIcon_ = static_cast<HICON>(
            LoadImageW(module_, MAKEINTRESOURCEW(kIcon), IMAGE_ICON, ScaleForDpi(16, dpi), ScaleForDpi(16, dpi), 0));
        largeIcon_ = static_cast<HICON>(
            LoadImageW(module_, MAKEINTRESOURCEW(kIcon), IMAGE_ICON, ScaleForDpi(32, dpi), ScaleForDpi(32, dpi), 0));
        if (smallIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
        if (largeIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
        SetWindowTextW(hwnd_, Wide(LoadText(kTitleText)).c_str());
        AttachEditorTooltips(hwnd_, CreateBalloonTooltips(hwnd_));
        // The status area: the processor, the graph, the fonts, the plan name.
        status_ = std::make_unique<DashboardStatusWindow>(hwnd_, static_cast<DashboardHost&>(*this), true);
        status_->Init();
        status_->status().AfterPlanListReload();
        PlaceHomePageLink();
        // The editor fills the class list, the preset lists, the policy lists, the plan list and the fields.
        editor_.Initialise();
        // The details start hidden; the command below shows them.
        for (int control : kDetails) controls_.Show(control, false);
        for (int control : kPolicyLists) controls_.Show(control, false);
        for (uint32_t timer : {main_window::kStatusTimer, main_window::kPlanNameTimer, main_window::kMakerLinkTimer}) {
            SetTimer(hwnd_, timer, TimerMs(timer), nullptr);
        }
        for (uint32_t timer : {main_window::kMakerLinkTimer, main_window::kPlanNameTimer, main_window::kStatusTimer}) {
            PostMessageW(hwnd_, WM_TIMER, timer, 0);
        }
        SetForegroundWindow(hwnd_);
        updateCheck_.Start();
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kDetailsButton, BN_CLICKED), 0);
        SendMessageW(hwnd_, WM_THEMECHANGED, 0, 0);
    }

    // The maker's link in bold, at its ideal size, right-aligned where the template places it.
    void PlaceHomePageLink() {
        HWND link = GetDlgItem(hwnd_, kHomePageLink);
        if (!link || !status_) return;
        status_->SetBoldFont(kHomePageLink, 1.0);
        RECT r{};
        GetWindowRect(link, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        SIZE ideal{};
        SendMessageW(link, kLinkIdealSize, static_cast<WPARAM>(r.right - r.left), reinterpret_cast<LPARAM>(&ideal));
        if (ideal.cx <= 0) return;
        const LONG height = std::max<LONG>(ideal.cy, r.bottom - r.top);
        SetWindowPos(link, nullptr, r.right - ideal.cx, r.top, ideal.cx, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static UINT TimerMs(uint32_t timer) {
        switch (timer) {
            case main_window::kPlanNameTimer: return main_window::kPlanNameMs;
            case main_window::kMakerLinkTimer: return main_window::kMakerLinkMs;
            default: return main_window::kStatusMs;
        }
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        if (INT_PTR answer; AnswerMenuDialogTheme(hwnd_, message, wParam, lParam, answer)) return answer;
        switch (message) {
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                const UINT code = HIWORD(wParam);
                // Buttons, the menu and accelerators; the lists' notifications are the editor's.
                if ((code == BN_CLICKED || lParam == 0) && classic_.OnCommand(static_cast<uint32_t>(id), lParam)) {
                    return TRUE;
                }
                HWND control = reinterpret_cast<HWND>(lParam);
                const bool focused = control && GetFocus() == control && !controls_.settingText();
                editor_.OnCommand(id, code, focused);
                return TRUE;
            }
            case WM_NOTIFY: {
                const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
                if (header.code == NM_CLICK || header.code == NM_RETURN) {
                    const int id = static_cast<int>(header.idFrom);
                    if (!classic_.OnLink(id) && !(status_ && status_->OnNotify(header))) editor_.OnLink(id);
                }
                return TRUE;
            }
            case WM_TIMER:
                if (Sys().events && Sys().events->IsSignalled(kShutdownEventName)) {
                    PostQuitMessage(0);
                    return TRUE;
                }
                if (status_) status_->status().OnTimer(static_cast<uint32_t>(wParam));
                return TRUE;
            case dashboard::kActivePlanNameMessage: {
                // Only the name: the plan list stays as the user left it.
                const auto* name = reinterpret_cast<const wchar_t*>(lParam);
                if (status_) status_->status().ShowPlanName(name ? FromWide(name) : std::u16string());
                return TRUE;
            }
            case WM_INITMENU:
                RebuildMenu();
                return FALSE;
            case WM_CLOSE:
                classic_.OnClose();
                return TRUE;
            case WM_SETTINGCHANGE: {
                const auto* area = reinterpret_cast<const wchar_t*>(lParam);
                if (ThemeSettingChanged(area ? FromWide(area) : std::u16string())) {
                    SendMessageW(hwnd_, WM_THEMECHANGED, 0, 0);
                }
                return FALSE;
            }
            case WM_THEMECHANGED:
                RefreshTheme();
                ThemeTitleBar(hwnd_);
                ThemeChildren(hwnd_);
                if (status_) status_->OnThemeChanged();
                DrawMenuBar(hwnd_);
                return FALSE;
            case WM_DESTROY:
                for (uint32_t timer : {main_window::kStatusTimer, main_window::kPlanNameTimer, main_window::kMakerLinkTimer}) {
                    KillTimer(hwnd_, timer);
                }
                updateCheck_.Stop();
                status_.reset();
                PublishMainWindow(nullptr);
                return FALSE;
            default:
                return FALSE;
        }
    }

    // Entering the menu: the plan submenu as the tray builds its own, and the check marks.
    void RebuildMenu() {
        HMENU menu = GetMenu(hwnd_);
        if (!menu) return;
        if (HMENU plans = GetSubMenu(GetSubMenu(menu, 0), kPlanSubmenu)) {
            while (GetMenuItemCount(plans) > 0) DeleteMenu(plans, 0, MF_BYPOSITION);
            for (const TrayMenuPlan& plan : classic_.PlanMenu()) {
                AppendMenuW(plans, MF_STRING | (plan.checked ? MF_CHECKED : MF_UNCHECKED), plan.command,
                            Wide(plan.text).c_str());
            }
        }
        for (auto [command, checked] : classic_.MenuChecks()) {
            CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }

    HWND hwnd_ = nullptr;
    HMODULE module_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON largeIcon_ = nullptr;
    bool ended_ = false;
    PowerSchemeAccess power_;
    DialogControls controls_;
    ClassicDialogPresenter classic_;
    PlanEditorPresenter editor_;
    std::unique_ptr<DashboardStatusWindow> status_;
    WindowUpdateCheck updateCheck_;
};

}  // namespace

int RunClassicDialog() {
    ClassicDialog dialog;
    return dialog.Run();
}

}  // namespace quellora::win32
