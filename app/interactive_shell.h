// The windows of the interactive program as the start drives them: the hidden
// tray window with its icon, the thread's message loop, the common controls
// and the main window on the main thread in no-tray mode. The Windows build
// installs its own (app/win32) before the entry runs; a platform without
// windows has none, and the interactive start says so.
#pragma once

#include "platform/window_handle.h"

namespace quellora {

class InteractiveShell {
public:
    virtual ~InteractiveShell() = default;

    // InitCommonControlsEx with the standard, bar and list-view classes.
    virtual void InitCommonControls() = 0;
    // The main window (or the classic dialog) as a modal dialog without an
    // owner on this thread; answers its result.
    virtual int RunMainWindowAlone(bool classic) = 0;
    // Registers the tray window's class and creates the hidden window.
    virtual bool CreateTrayWindow() = 0;
    virtual WindowHandle TrayWindow() = 0;
    // Sends WMU_ICON_NORMAL: the icon appears.
    virtual void SendIconNormal() = 0;
    // Posts WMU_BALLOON_UPDATED: the update-finished notice.
    virtual void PostUpdatedBalloon() = 0;
    // Starts the plan change watcher, which hands each switch another program
    // made to the tray window (SendMessage, WMU_PLAN_CHANGED).
    virtual void StartPlanWatcher() = 0;
    // GetMessageW / TranslateMessage / DispatchMessageW until WM_QUIT.
    virtual void RunMessageLoop() = 0;
    // NIM_DELETE of the icon, when the loop has ended.
    virtual void RemoveTrayIcon() = 0;
};

void SetInteractiveShell(InteractiveShell* shell);
InteractiveShell* GetInteractiveShell();

}  // namespace quellora
