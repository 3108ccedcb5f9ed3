// quellora-profiles-page-bench: the profiles page with 1,000 profiles in the
// store: the time to fill its list (read the store, make the rows with their
// local times, hand them to the list), on the host presenter against the
// simulated machine kept in memory.
//
//   quellora-profiles-page-bench [runs]      (default 20 runs)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "ui/profiles_page.h"

using namespace quellora;

namespace {

class BenchHost : public ProfilesPageHost {
public:
    testing::FakeControls controls{{profiles_page::kDetails, profiles_page::kPlanBox, profiles_page::kApply,
                                        profiles_page::kExport}};
    size_t rows = 0;
    int selected = -1;

    ControlSurface& Controls() override { return controls; }
    void SetRows(const std::vector<ProfileRow>& r) override {
        rows = r.size();
        selected = -1;
    }
    void SelectRow(int row) override { selected = row; }
    int SelectedRow() override { return selected; }
    int Message(std::u16string_view, uint32_t) override { return 0; }
    bool AskText(std::u16string_view, std::u16string&) override { return false; }
    bool ChooseFileToOpen(std::u16string&) override { return false; }
    bool ChooseFileToSave(std::u16string_view, std::u16string&) override { return false; }
    void ShowContextMenu(int) override {}
    void ReloadPlanEditor() override {}
    bool ToLocalTime(const CalendarTime& utc, CalendarTime& local) override {
        local = utc;
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    testing::SimEnv env;
    PowerSchemeAccess power;
    // 1,000 profiles: one captured profile saved under other names and times.
    PlanSettings settings;
    ProfileInfo info;
    if (!CaptureProfile(power, guids::kBalanced, u"Bench", settings, info)) return 1;
    for (int i = 0; i < 1000; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2025-%02d-%02dT%02d:%02d:00Z", 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        info.name = u"Profile " + ToDecimal(static_cast<uint32_t>(i));
        info.captured = Utf8ToUtf16(stamp);
        if (!SaveProfile(info, settings)) return 1;
    }
    BenchHost host;
    ProfilesPagePresenter page(host, power);
    page.Initialise();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        page.FillList(u"Profile 500");
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("profiles page: fill the list, %zu profiles, %d runs: ms min %.2f median %.2f max %.2f\n", host.rows,
                runs, ms.front(), ms[ms.size() / 2], ms.back());
    return host.rows == 1000 && host.selected >= 0 ? 0 : 1;
}
