// Another instance's hidden window: found, posted to, its icon taken away.
#include "platform/win32/wide.h"
//
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {
HWND W(WindowHandle window) { return static_cast<HWND>(window); }
}  // namespace

WindowHandle Win32InstanceWindows::Find(std::u16string_view className, std::u16string_view windowName) {
    std::wstring c = Wide(className);
    std::wstring n = Wide(windowName);
    return FindWindowW(c.c_str(), n.c_str());
}

uint32_t Win32InstanceWindows::ProcessOf(WindowHandle window) {
    DWORD process = 0;
    if (!window || !GetWindowThreadProcessId(W(window), &process)) return 0;
    return process;
}

void Win32InstanceWindows::AllowForeground(uint32_t processId) { AllowSetForegroundWindow(processId); }

bool Win32InstanceWindows::Post(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return window && PostMessageW(W(window), message, wParam, lParam) != FALSE;
}

bool Win32InstanceWindows::RemoveNotifyIcon(WindowHandle window, uint32_t id, uint32_t callbackMessage) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = W(window);
    data.uID = id;
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = callbackMessage;
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

void Win32InstanceWindows::AssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace quellora::win32
