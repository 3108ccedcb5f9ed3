#include "ui/main_window_presenter.h"

#include <algorithm>

#include "boost/boost_settings.h"
#include "model/persisted_store.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "power/maker_plan_scan.h"
#include "power/power_scheme_access.h"
#include "tray/update_check.h"
#include "ui/theme.h"

namespace quellora {

using namespace main_window;

namespace {

constexpr std::array<PageRow, kPageCount> kPages{{
    {Page::Dashboard, u"dashboard", 0x143f, 9360, false},
    {Page::Hybrid, u"hybrid", 0x1441, 9362, true},
    {Page::Profiles, u"profiles", 0x1445, 9373, false},
    {Page::Boost, u"dynboost", 0x1442, 9363, false},
    {Page::Events, u"events", 0x1443, 9364, false},
    {Page::Settings, u"settings", 0x1444, 9365, false},
}};

constexpr uint32_t kSpiSetNonClientMetrics = 42;
constexpr uint32_t kScSize = 0xF000;
constexpr uint32_t kScMaximize = 0xF030;
constexpr uint32_t kIdOk = 1;
constexpr uint32_t kIdCancel = 2;

std::u16string ReadAppText(std::u16string_view name) {
    std::u16string text;
    if (!ReadString(Hive::CurrentUser, kAppKey, name, text, (kStoredTextMax + 1) * sizeof(char16_t))) return {};
    return text.substr(0, kStoredTextMax);
}

// "UpdateChecks" (HKLM) and "BetaUpdates" as the update check reads them.
void ToggleUpdateChecks() {
    WriteDword(Hive::LocalMachine, kAppKey, updatevalues::kChecks, UpdateChecksEnabled() ? 0 : 1);
}
void ToggleBetaUpdates() { SetBetaUpdates(!GetBetaUpdates()); }

}  // namespace

const std::array<PageRow, kPageCount>& PageTable() { return kPages; }

std::optional<int> PageForKey(std::u16string_view key) {
    if (key == u"overview" || key == u"plan") return 0;
    for (const PageRow& row : kPages) {
        if (row.key == key) return static_cast<int>(row.page);
    }
    return std::nullopt;
}

MainWindowPresenter::MainWindowPresenter(MainWindowSurface& surface, bool heterogeneous, std::u16string version)
    : surface_(surface), heterogeneous_(heterogeneous), version_(std::move(version)) {}

bool MainWindowPresenter::pageExists(int index) const {
    return index >= 0 && index < kPageCount && exists_[static_cast<size_t>(index)];
}

void MainWindowPresenter::Initialise() {
    surface_.Publish(true);
    surface_.ClearPendingEdits();
    surface_.PostPendingEditsChanged();
    surface_.ResetDashboardStatus();
    {
        // The remembered settings of every plan are written back into it.
        PowerSchemeAccess power;
        ReapplyStored(power);
    }
    CreatePages();
    FillNavigation();
    Place(StoredCorner());
    LayOut();
    ShowPage(StartPage());
    surface_.StartTimer(kPlanNameTimer, kPlanNameMs);
    surface_.StartTimer(kMakerLinkTimer, kMakerLinkMs);
    surface_.StartTimer(kStatusTimer, kStatusMs);
    // Every handler runs once at once.
    surface_.PostTimer(kMakerLinkTimer);
    surface_.PostTimer(kPlanNameTimer);
    surface_.PostTimer(kStatusTimer);
    surface_.StartUpdateCheck();
    surface_.ApplyTheme();
    surface_.BringToForeground();
}

void MainWindowPresenter::CreatePages() {
    exists_.fill(false);
    largest_ = Size{};
    for (const PageRow& row : kPages) {
        if (row.hybridOnly && !heterogeneous_) continue;
        const int index = static_cast<int>(row.page);
        Size size;
        if (!surface_.CreatePage(index, size)) continue;  // a page that cannot be made is simply absent
        exists_[static_cast<size_t>(index)] = true;
        largest_.width = std::max(largest_.width, size.width);
        largest_.height = std::max(largest_.height, size.height);
        surface_.ShowPage(index, false);
    }
    measured_ = true;
    if (pageExists(0)) surface_.DashboardCreated();
}

void MainWindowPresenter::FillNavigation() {
    selecting_ = true;
    rows_.clear();
    std::vector<std::u16string> labels;
    for (const PageRow& row : kPages) {
        const int index = static_cast<int>(row.page);
        if (!pageExists(index)) continue;
        labels.push_back(LoadText(row.label));
        rows_.push_back(index);
    }
    surface_.SetNavigationRows(labels);
    selecting_ = false;
}

std::optional<Point> MainWindowPresenter::StoredCorner() {
    std::vector<uint8_t> bytes;
    if (!ReadBinary(Hive::CurrentUser, kAppKey, kPlacementValue, bytes)) return std::nullopt;
    const std::optional<Rect> normal = ParsePlacement(bytes);
    // A placement on a monitor that is gone, or not a placement at all, is ignored.
    if (!normal || !surface_.OnAMonitor(*normal)) return std::nullopt;
    return Point{normal->left, normal->top};
}

void MainWindowPresenter::Place(const std::optional<Point>& corner) {
    const std::optional<Size> size = FixedWindowSize();
    if (!size) return;
    const Rect work = corner ? surface_.WorkAreaNear(*corner) : surface_.WorkAreaOfWindow();
    surface_.MoveWindow(PlaceWindow(*size, corner, work));
}

int MainWindowPresenter::StartPage() {
    if (ReadAppText(kPageVersionValue) != version_) return 0;
    const std::optional<int> page = PageForKey(ReadAppText(kPageValue));
    return page && pageExists(*page) ? *page : 0;
}

std::optional<Size> MainWindowPresenter::FixedWindowSize() {
    if (!measured_) return std::nullopt;
    return surface_.WindowSizeForClient(MainClientSize(largest_, surface_.Dpi()));
}

bool MainWindowPresenter::SwallowsSysCommand(uint32_t command) {
    const uint32_t c = command & 0xFFF0;
    return c == kScSize || c == kScMaximize;
}

std::vector<MainWindowPresenter::MenuCheck> MainWindowPresenter::MenuChecks() {
    auto user = [](std::u16string_view name, uint32_t fallback) {
        return ReadDwordOr(Hive::CurrentUser, kAppKey, name, fallback) != 0;
    };
    std::vector<MenuCheck> checks{
        {kBoostOnOff, IsBoostEnabled()},
        {kPlanNotifications, user(u"ShowPowerPlanNotifications", 1)},
        {kEfficiencyClassSelection, user(u"AlwaysShowEfficiencyClassSelection", 0)},
        {kMakerPlan, UserListsMakerPlan()},
        {kUpdateChecks, UpdateChecksEnabled()},
        {kBetaUpdates, GetBetaUpdates()},
    };
    // The idle time: each preset within its first second, else the custom item.
    const int64_t t = GetIdleTimeoutMs();
    constexpr int64_t kPresetsMs[] = {10000, 30000, 60000, 300000, 900000, 1800000};
    uint32_t idleItem = kIdleCustom;
    for (uint32_t i = 0; i < std::size(kPresetsMs); ++i) {
        if (t >= kPresetsMs[i] && t < kPresetsMs[i] + 1000) idleItem = kIdle10s + i;
    }
    for (uint32_t item = kIdle10s; item <= kIdle30min; ++item) checks.push_back({item, item == idleItem});
    checks.push_back({kIdleCustom, idleItem == kIdleCustom});
    return checks;
}

void MainWindowPresenter::LayOut() {
    if (!measured_) return;
    surface_.PlaceChildren(LayOutMainWindow(surface_.ClientSize(), largest_, surface_.Dpi()));
}

void MainWindowPresenter::ShowPage(int index) {
    if (index < 0 || index >= kPageCount || !pageExists(index)) return;
    current_ = index;
    for (int i = 0; i < kPageCount; ++i) {
        if (pageExists(i) && i != index) surface_.ShowPage(i, false);
    }
    surface_.ShowPage(index, true);
    if (index == static_cast<int>(Page::Events) || index == static_cast<int>(Page::Boost) ||
        index == static_cast<int>(Page::Profiles)) {
        surface_.RefreshPage(index);
    }
    selecting_ = true;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row] == index && !surface_.NavigationRowSelected(static_cast<int>(row))) {
            surface_.SelectNavigationRow(static_cast<int>(row));
        }
    }
    selecting_ = false;
    // Every page change is remembered at once, with the version that wrote it.
    WriteString(Hive::CurrentUser, kAppKey, kPageValue, kPages[static_cast<size_t>(index)].key);
    WriteString(Hive::CurrentUser, kAppKey, kPageVersionValue, version_);
}

void MainWindowPresenter::OnNavigationChanged(int row, bool nowSelected, bool wasSelected) {
    if (selecting_ || !nowSelected || wasSelected) return;
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
    ShowPage(rows_[static_cast<size_t>(row)]);
}

bool MainWindowPresenter::Forward(uint32_t command, intptr_t lParam) {
    const bool sent = surface_.ForwardToTray(command, lParam);
    // The tray may have changed Dynamic Boost's settings.
    if (sent && pageExists(static_cast<int>(Page::Boost))) surface_.RefreshPage(static_cast<int>(Page::Boost));
    return sent;
}

void MainWindowPresenter::OnCommand(uint32_t command, intptr_t lParam) {
    if (command == kIdOk || command == kIdCancel) {
        AskToApplyAndClose();
        return;
    }
    if (command == kExit || command == kStartAtLogon || (command >= kIdle10s && command <= kIdle30min) ||
        command == kIdleCustom || command == kEfficiencyClassSelection || command == kMakerPlan) {
        Forward(command, lParam);
        return;
    }
    switch (command) {
        case kUpdateChecks:
            ToggleUpdateChecks();
            break;
        case kBoostOnOff:
            if (pageExists(static_cast<int>(Page::Boost))) {
                surface_.SendPageCommand(static_cast<int>(Page::Boost), kBoostOnOffControl);
            }
            break;
        case kBoostPage:
            ShowPage(static_cast<int>(Page::Boost));
            break;
        case kPlanNotifications: {
            const bool on = !(ReadDwordOr(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 1) != 0);
            WriteDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", on ? 1 : 0);
            if (pageExists(static_cast<int>(Page::Settings))) {
                surface_.SetPageCheck(static_cast<int>(Page::Settings), kNotificationsControl, on);
            }
            break;
        }
        case kBetaUpdates:
            ToggleBetaUpdates();
            break;
        case kCheckForUpdates:
            surface_.ManualUpdateCheck();
            break;
        case kEventsPage:
            ShowPage(static_cast<int>(Page::Events));
            break;
        case kAbout:
            surface_.OpenAbout();
            break;
        case kClose:
            surface_.SendClose();
            break;
        case kProfilesPage:
            ShowPage(static_cast<int>(Page::Profiles));
            break;
        default:
            break;
    }
}

void MainWindowPresenter::AskToApplyAndClose() {
    if (surface_.PendingEdits() && pageExists(static_cast<int>(Page::Dashboard))) {
        const int answer = surface_.Ask(LoadText(kApplyQuestion), mb::kYesNo | mb::kIconQuestion);
        if ((answer & 0xFFFF) == mb::kIdYes) surface_.ApplyDashboard();
    }
    surface_.ClearPendingEdits();
    surface_.PostPendingEditsChanged();
    surface_.SendClose();
}

void MainWindowPresenter::OnClose() {
    const std::vector<uint8_t> placement = surface_.Placement();
    if (placement.size() == kPlacementBytes) {
        WriteBinary(Hive::CurrentUser, kAppKey, kPlacementValue, placement.data(), placement.size());
    }
    surface_.Publish(false);
    surface_.EndDialog();
}

void MainWindowPresenter::OnDestroy() {
    surface_.KillTimer(kPlanNameTimer);
    surface_.KillTimer(kMakerLinkTimer);
    surface_.KillTimer(kStatusTimer);
    surface_.StopUpdateCheck();
    surface_.DestroyPages();
    exists_.fill(false);
    rows_.clear();
    surface_.Publish(false);
}

void MainWindowPresenter::OnTimer(uint32_t id) {
    if (surface_.ShutdownSignalled()) {
        surface_.PostQuit();
        return;
    }
    const bool dashboard = pageExists(static_cast<int>(Page::Dashboard));
    switch (id) {
        case kPlanNameTimer:
        case kMakerLinkTimer:
            if (dashboard) surface_.DashboardTimer(id);
            break;
        case kStatusTimer:
            if (dashboard) surface_.DashboardTimer(id);
            if (current_ == static_cast<int>(Page::Boost)) surface_.RefreshPage(current_);
            if (current_ == static_cast<int>(Page::Dashboard) && dashboard) surface_.UpdateDashboardBoostLink();
            break;
        default:
            break;
    }
}

void MainWindowPresenter::OnPendingEditsChanged() {
    for (Page page : {Page::Dashboard, Page::Hybrid}) {
        if (pageExists(static_cast<int>(page))) surface_.SendPendingEditsChanged(static_cast<int>(page));
    }
}

void MainWindowPresenter::OnDpiChanged(const Rect& suggested) {
    surface_.MoveWindow(suggested);
    Rebuild();
}

bool MainWindowPresenter::OnSettingChange(uint32_t wParam, std::u16string_view area) {
    const bool retheme = ThemeSettingChanged(area);
    if (wParam == kSpiSetNonClientMetrics) Rebuild();
    return retheme;
}

void MainWindowPresenter::OnThemeChanged() { surface_.ApplyTheme(); }

void MainWindowPresenter::OnSize(bool minimised) {
    if (!minimised) LayOut();
}

void MainWindowPresenter::Rebuild() {
    const int page = current_;
    surface_.DestroyPages();
    exists_.fill(false);
    surface_.ResetDashboardStatus();
    CreatePages();
    FillNavigation();
    const Rect now = surface_.WindowRect();
    Place(Point{now.left, now.top});
    ShowPage(page);
    LayOut();
    surface_.ApplyTheme();
}

}  // namespace quellora
