#include "app/interactive_start.h"

namespace quellora {

StartMode StartModeFor(std::u16string_view lowered) {
    auto has = [lowered](std::u16string_view text) { return lowered.find(text) != std::u16string_view::npos; };
    StartMode mode;
    mode.noTray = has(u"/nosystray");
    mode.systray = has(u"/systray");
    mode.restart = has(u"/restart");
    mode.classic = has(u"/classic");
    return mode;
}

int RunInteractiveStartPlan(StartSteps& steps, const StartMode& mode) {
    steps.RemoveDuplicateMakerPlans();
    steps.CreateShutdownEvent();
    if (!steps.LoadLanguage()) return 1;
    if (!steps.WindowsSupported()) {
        steps.ReportWindowsTooOld();
        return 1;
    }
    steps.EnsurePlanNotificationsValue();
    // Both "/nosystray" and "/systray" keep the main window from opening at start.
    steps.SetTrayMode(mode.noTray, !mode.noTray && !mode.systray);
    if (!mode.noTray) steps.EnsureLogonTask();
    if (steps.HandOverToRunningInstance(mode.restart)) return 0;
    steps.CreatePresenceEvent();
    steps.ReinitMakerPlanOnce();
    steps.MaintainThreadmark();
    steps.InitCommonControls();
    steps.InitTheme();
    steps.ReapplyStoredSettings();
    if (!mode.noTray) steps.NoticeSwitcherMoved();
    if (mode.noTray) return steps.RunMainWindowAlone(mode.classic);

    steps.CleanInstallerLeftovers();
    if (steps.BoostEnabled()) steps.StartBoost();
    steps.CreateMainWindowMutex();
    if (!steps.CreateTrayWindow()) {
        // Without its window the instance could neither be reached nor ended.
        steps.Shutdown();
        return 1;
    }
    steps.AddTrayIcon();
    steps.AnnounceFinishedUpdate();
    steps.StartPlanWatcher();
    steps.CreateSettingsChangedEvent();
    steps.RunMessageLoop();
    steps.Shutdown();
    return 0;
}

}  // namespace quellora
