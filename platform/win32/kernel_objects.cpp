// The program's own events and mutexes.
#include "platform/win32/wide.h"
//
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {
HANDLE H(KernelHandle handle) { return reinterpret_cast<HANDLE>(handle); }
KernelHandle K(HANDLE handle) { return reinterpret_cast<KernelHandle>(handle); }
}  // namespace

KernelHandle Win32KernelObjects::OpenOrCreateEvent(std::u16string_view name, bool manualReset, bool initiallySignalled) {
    std::wstring n = Wide(name);
    HANDLE event = CreateEventW(nullptr, manualReset, initiallySignalled, n.empty() ? nullptr : n.c_str());
    return K(event);
}

bool Win32KernelObjects::Signal(KernelHandle event) { return event && ::SetEvent(H(event)) != FALSE; }

WaitResult Win32KernelObjects::Wait(KernelHandle object, uint32_t timeoutMs) {
    if (!object) return WaitResult::Failed;
    switch (WaitForSingleObject(H(object), timeoutMs)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return WaitResult::Signalled;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

int Win32KernelObjects::WaitAny(const KernelHandle* objects, size_t count, uint32_t timeoutMs) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) return kFailed;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (size_t i = 0; i < count; ++i) handles[i] = H(objects[i]);
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, timeoutMs);
    if (result < WAIT_OBJECT_0 + count) return static_cast<int>(result - WAIT_OBJECT_0);
    if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) return static_cast<int>(result - WAIT_ABANDONED_0);
    return result == WAIT_TIMEOUT ? kTimedOut : kFailed;
}

KernelHandle Win32KernelObjects::NewMutex() { return K(CreateMutexW(nullptr, FALSE, nullptr)); }

bool Win32KernelObjects::TryLock(KernelHandle mutex) { return Wait(mutex, 0) == WaitResult::Signalled; }

void Win32KernelObjects::Unlock(KernelHandle mutex) {
    if (mutex) ReleaseMutex(H(mutex));
}

void Win32KernelObjects::Close(KernelHandle object) {
    if (object) CloseHandle(H(object));
}

}  // namespace quellora::win32
