// The dashboard's status area on a page window (the dashboard, or the classic
// dialog, which carries the same control identifiers): what the status
// presenter decides, applied to the page's controls, the core utilisation
// graph in the placeholder's place, the plan name's tooltip and the fonts.
#pragma once

#include <windows.h>

#include <map>

#include "monitor/core_graph.h"
#include "power/power_scheme_access.h"
#include "ui/dashboard_status.h"

namespace quellora {

class DashboardStatusWindow final : public DashboardStatusSurface {
public:
    // `graphInPlace`: the graph keeps within the placeholder's rectangle
    // (the classic dialog, whose options lie below it) instead of reaching
    // to the page's right and bottom edges.
    DashboardStatusWindow(HWND page, DashboardHost& host, bool graphInPlace = false);
    // Stops the graph's monitoring and destroys the graph, the fonts and the tooltip.
    ~DashboardStatusWindow() override;
    DashboardStatusWindow(const DashboardStatusWindow&) = delete;
    DashboardStatusWindow& operator=(const DashboardStatusWindow&) = delete;

    DashboardStatus& status() { return status_; }

    // WM_INITDIALOG, after the plan editor's controls: the links' distance
    // from the bottom edge is remembered and the status area is filled.
    void Init();
    // WM_SIZE: the links keep their distance from the bottom, the graph fills the page.
    void OnSize();
    // WM_NOTIFY: a click or Enter on one of the status area's links; true when handled.
    bool OnNotify(const NMHDR& header);
    // kActivePlanNameMessage (lParam: the name).
    void OnActivePlanName(LPARAM name);
    // WM_THEMECHANGED: the graph's colours and emblem.
    void OnThemeChanged();

    // ---- DashboardStatusSurface
    bool HasControl(int id) override;
    void SetText(int id, std::u16string_view text) override;
    std::u16string Text(int id) override;
    void Show(int id, bool show) override;
    void SetCheck(int id, bool checked) override;
    TextExtent ClientSize(int id) override;
    TextExtent Measure(std::u16string_view text, double scale, int wrapWidth) override;
    void SetBoldFont(int id, double scale) override;
    void SetPlanNameTip(std::u16string_view whole, bool active) override;
    void CreateGraph() override;
    void SendActivePlanName(std::u16string_view name) override;
    int Message(std::u16string_view text, uint32_t style, int rememberOnly) override;

private:
    HFONT BoldFont(double scale);
    RECT ControlRect(int id);
    // Where the graph goes: the room the page (or the placeholder) leaves it.
    GraphRect GraphPlace();
    int Dpi();

    HWND page_;
    PowerSchemeAccess power_;
    DashboardStatus status_;
    std::map<int, HFONT> bold_;        // by scale in hundredths
    std::map<int, int> fromBottom_;    // the links' distance from the bottom edge
    RECT placeholder_{};
    bool graphInPlace_ = false;
    HWND planTip_ = nullptr;
    bool graphCreated_ = false;
};

}  // namespace quellora
