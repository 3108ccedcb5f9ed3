// The steps of the interactive start as the program runs them: over the
// platform, the power plans, the registry and the windows of the shell.
#include <memory>
#include <string>

#include "app/counter_rebuild.h"
#include "app/installer_leftovers.h"
#include "app/interactive_shell.h"
#include "app/interactive_start.h"
#include "app/single_instance.h"
#include "app/switches.h"
#include "boost/boost_runtime.h"
#include "monitor/plan_change.h"
#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "platform/instance_events.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/string_ids.h"
#include "power/power_scheme_access.h"
#include "tray/logon_task.h"
#include "tray/threadmark.h"
#include "ui/dashboard_status.h"
#include "ui/message_box.h"
#include "ui/theme.h"

namespace quellora {

namespace {

InteractiveShell* g_shell = nullptr;

bool ValueExists(Hive hive, std::u16string_view name, RegValue* value = nullptr) {
    RegValue ignored;
    return Sys().registry && Sys().registry->QueryValue(hive, kAppKey, name, value ? *value : ignored) == 0;
}

class LiveStartSteps : public StartSteps {
public:
    explicit LiveStartSteps(InteractiveShell& shell) : shell_(shell) {}

    void RemoveDuplicateMakerPlans() override { quellora::RemoveDuplicateMakerPlans(power_); }

    void CreateShutdownEvent() override { ShutdownEvent(); }

    bool LoadLanguage() override {
        SelectLanguage();
        return LoadResourceModule();
    }

    bool WindowsSupported() override {
        OsVersion version;
        // A version that cannot be read is taken as new enough.
        return !Sys().system || !Sys().system->GetOsVersion(version) || version.major >= 6;
    }

    void ReportWindowsTooOld() override { ShowMessage(nullptr, LoadText(ids::kWindowsTooOld), mb::kIconError); }

    void EnsurePlanNotificationsValue() override {
        if (!ValueExists(Hive::CurrentUser, u"ShowPowerPlanNotifications")) {
            WriteDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 1);
        }
    }

    void SetTrayMode(bool noTray, bool showMainWindowAtStart) override {
        State().noTray = noTray;
        State().showMainWindowAtStart = showMainWindowAtStart;
    }

    void EnsureLogonTask() override {
        uint32_t installed = 0;
        if (ReadDword(Hive::LocalMachine, kAppKey, u"Installed", installed) && installed != 0) return;
        DeleteLogonTask(kLogonTaskName);
        if (CreateLogonTask(kLogonTaskName, State().executablePath, kLogonTaskArguments, true)) {
            WriteDword(Hive::LocalMachine, kAppKey, u"Installed", 1);
        }
    }

    bool HandOverToRunningInstance(bool restart) override { return quellora::HandOverToRunningInstance(restart); }

    void CreatePresenceEvent() override {
        if (Sys().kernel) State().presenceEvent = Sys().kernel->OpenOrCreateEvent(kPresenceEventName, true, false);
    }

    void ReinitMakerPlanOnce() override { quellora::ReinitMakerPlanOnce(power_); }

    void MaintainThreadmark() override { RunThreadmarkMaintenance(); }

    void InitCommonControls() override { shell_.InitCommonControls(); }

    void InitTheme() override { InitialiseTheme(); }

    void ReapplyStoredSettings() override { ReapplyStored(power_); }

    void NoticeSwitcherMoved() override {
        uint32_t shown = 0;
        if (ReadDword(Hive::CurrentUser, kAppKey, u"PowerProfileSwitcherMovedNoticeShown", shown) && shown != 0) return;
        // Settings the former power profile switcher left behind: the user used it.
        uint32_t enabled = 0;
        RegValue lowPowerPlan;
        if (ReadDword(Hive::CurrentUser, kAppKey, u"Enabled", enabled) &&
            ValueExists(Hive::CurrentUser, u"LowPowerPlan", &lowPowerPlan) && !lowPowerPlan.data.empty()) {
            ShowMessage(nullptr, LoadText(ids::kSwitcherMoved), mb::kIconInformation);
        }
        WriteDword(Hive::CurrentUser, kAppKey, u"PowerProfileSwitcherMovedNoticeShown", 1);
    }

    int RunMainWindowAlone(bool classic) override { return shell_.RunMainWindowAlone(classic); }

    void CleanInstallerLeftovers() override { StartInstallerLeftoverCleanup(); }

    bool BoostEnabled() override { return IsBoostEnabled(); }

    void StartBoost() override { quellora::StartBoost(); }

    void CreateMainWindowMutex() override {
        if (Sys().kernel) State().mainWindowMutex = Sys().kernel->NewMutex();
    }

    bool CreateTrayWindow() override { return shell_.CreateTrayWindow(); }

    void AddTrayIcon() override { shell_.SendIconNormal(); }

    void AnnounceFinishedUpdate() override {
        uint32_t finished = 0;
        if (!ReadDword(Hive::CurrentUser, kAppKey, u"UpdateFinished", finished) || finished != 1) return;
        DeleteValueIfPresent(Hive::CurrentUser, kAppKey, u"UpdateFinished");
        shell_.PostUpdatedBalloon();
        uint32_t iconSet = 1;
        if (!ReadDword(Hive::LocalMachine, kAppKey, u"IconSetNumber", iconSet) || iconSet != 0) {
            WriteDword(Hive::LocalMachine, kAppKey, u"IconSetNumber", 0);
            if (Sys().windows) Sys().windows->AssociationsChanged();
        }
    }

    void StartPlanWatcher() override { shell_.StartPlanWatcher(); }

    void CreateSettingsChangedEvent() override {
        if (Sys().kernel) State().settingsChangedEvent = Sys().kernel->OpenOrCreateEvent(u"", false, false);
    }

    void RunMessageLoop() override { shell_.RunMessageLoop(); }

    void Shutdown() override {
        StopBoost();
        StopPlanWatcher();
        shell_.RemoveTrayIcon();
        if (KernelObjects* kernel = Sys().kernel) {
            kernel->Close(State().settingsChangedEvent);
            kernel->Close(State().mainWindowMutex);
        }
        State().settingsChangedEvent = 0;
        State().mainWindowMutex = 0;
    }

private:
    InteractiveShell& shell_;
    PowerSchemeAccess power_;
};

}  // namespace

void SetInteractiveShell(InteractiveShell* shell) { g_shell = shell; }

InteractiveShell* GetInteractiveShell() { return g_shell; }

int RunInteractiveStart(std::u16string_view loweredCommandLine) {
    if (!g_shell) {
        if (Sys().console) {
            Sys().console->WriteError(
                u"The notification-area program and its windows run on Windows only; here, use the console "
                u"commands (/help lists them).");
        }
        return 1;
    }
    LiveStartSteps steps(*g_shell);
    const StartMode mode = StartModeFor(loweredCommandLine);
    State().restarted = mode.restart;
    // The dashboard offers to rebuild broken performance counters; the program then starts anew.
    SetCounterRebuild([] {
        RebuildPerformanceCounters();
        RestartProgram();
    });
    return RunInteractiveStartPlan(steps, mode);
}

}  // namespace quellora
