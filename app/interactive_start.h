// The interactive start: the order of the steps that make this process the
// one interactive instance in the notification area (or, with "/nosystray",
// the main window as the whole application), its message loop and its
// shutdown. The order and its conditions live here; each step's work is
// behind StartSteps, so the order is tested with steps that only record.
#pragma once

#include <string_view>

namespace quellora {

struct StartMode {
    bool noTray = false;   // "/nosystray"
    bool systray = false;  // "/systray"
    bool restart = false;  // "/restart"
    bool classic = false;  // "/classic"
};

// The switches of a command line whose letters A to Z are lowered.
StartMode StartModeFor(std::u16string_view loweredCommandLine);

class StartSteps {
public:
    virtual ~StartSteps() = default;

    virtual void RemoveDuplicateMakerPlans() = 0;  // 1
    virtual void CreateShutdownEvent() = 0;        // 2
    // 3: false when no language module can be loaded (the user was told).
    virtual bool LoadLanguage() = 0;
    virtual bool WindowsSupported() = 0;           // 4: Windows 6.0 or later
    virtual void ReportWindowsTooOld() = 0;        // 4: message 726
    virtual void EnsurePlanNotificationsValue() = 0;  // 5
    virtual void SetTrayMode(bool noTray, bool showMainWindowAtStart) = 0;  // 6
    virtual void EnsureLogonTask() = 0;            // 7
    // 8: true when a running instance took over.
    virtual bool HandOverToRunningInstance(bool restart) = 0;
    virtual void CreatePresenceEvent() = 0;        // 9
    virtual void ReinitMakerPlanOnce() = 0;        // 10
    virtual void MaintainThreadmark() = 0;         // 11
    virtual void InitCommonControls() = 0;         // 12
    virtual void InitTheme() = 0;                  // 13
    virtual void ReapplyStoredSettings() = 0;      // 14
    virtual void NoticeSwitcherMoved() = 0;        // 15
    // 16: the main window (or the classic dialog) as a modal dialog on this
    // thread; its result is the exit code.
    virtual int RunMainWindowAlone(bool classic) = 0;
    virtual void CleanInstallerLeftovers() = 0;    // 17
    virtual bool BoostEnabled() = 0;               // 18
    virtual void StartBoost() = 0;                 // 18
    virtual void CreateMainWindowMutex() = 0;      // 19
    // 20: false when the tray window cannot be created.
    virtual bool CreateTrayWindow() = 0;
    virtual void AddTrayIcon() = 0;                // 21
    virtual void AnnounceFinishedUpdate() = 0;     // 22
    virtual void StartPlanWatcher() = 0;           // 23
    virtual void CreateSettingsChangedEvent() = 0;  // 24
    virtual void RunMessageLoop() = 0;             // 25
    virtual void Shutdown() = 0;                   // 26
};

// Runs the steps in their order and answers the exit code: 0 after a
// hand-over or the message loop, 1 when the start cannot continue, the main
// window's result in no-tray mode.
int RunInteractiveStartPlan(StartSteps& steps, const StartMode& mode);

}  // namespace quellora
