// Top-level windows of other processes, as far as the program deals with them:
// the hidden window of a running instance is found by its class and name and
// sent messages; its notification-area icon can be taken away; the shell is
// told when file associations changed.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_handle.h"

namespace quellora {

class InstanceWindows {
public:
    virtual ~InstanceWindows() = default;

    // FindWindowW: a top-level window of the caller's desktop with both; null for none.
    virtual WindowHandle Find(std::u16string_view className, std::u16string_view windowName) = 0;
    // GetWindowThreadProcessId: the process of the window's thread; 0 when the window is gone.
    virtual uint32_t ProcessOf(WindowHandle window) = 0;
    // AllowSetForegroundWindow for that process.
    virtual void AllowForeground(uint32_t processId) = 0;
    // PostMessageW; false when the window is gone.
    virtual bool Post(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Shell_NotifyIconW NIM_DELETE of the window's icon `id`.
    virtual bool RemoveNotifyIcon(WindowHandle window, uint32_t id, uint32_t callbackMessage) = 0;
    // SHChangeNotify(SHCNE_ASSOCCHANGED): icons of file types are drawn anew.
    virtual void AssociationsChanged() = 0;
};

}  // namespace quellora
