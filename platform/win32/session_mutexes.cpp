// The session's named mutexes: Windows' own, "Local\<name>".
#include "platform/win32/wide.h"

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

Win32SessionMutexes::~Win32SessionMutexes() {
    for (auto& [name, handle] : handles_) CloseHandle(handle);
}

void* Win32SessionMutexes::Handle(std::u16string_view name) {
    std::lock_guard lock(mutex_);
    for (auto& [known, handle] : handles_) {
        if (known == name) return handle;
    }
    const std::wstring full = Wide(u"Local\\" + std::u16string(name));
    HANDLE handle = CreateMutexW(nullptr, FALSE, full.c_str());
    // Made by a process with other rights: waiting and releasing are enough.
    if (!handle && GetLastError() == ERROR_ACCESS_DENIED)
        handle = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, full.c_str());
    if (!handle) return nullptr;
    handles_.emplace_back(std::u16string(name), handle);
    return handle;
}

MutexWait Win32SessionMutexes::Acquire(std::u16string_view name, uint32_t timeoutMs) {
    HANDLE handle = Handle(name);
    if (!handle) return MutexWait::Unavailable;
    switch (WaitForSingleObject(handle, timeoutMs)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its owner ended without releasing it: ours now
            return MutexWait::Acquired;
        case WAIT_TIMEOUT:
            return MutexWait::TimedOut;
        default:
            return MutexWait::Unavailable;
    }
}

void Win32SessionMutexes::Release(std::u16string_view name) {
    HANDLE handle = Handle(name);
    if (handle) ReleaseMutex(handle);
}

}  // namespace quellora::win32
