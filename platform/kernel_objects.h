// The program's own kernel objects: the named shutdown and presence events
// that instances of the program share, and the unnamed events and mutex of one
// process. (Other programs' events are only looked at, through NamedEvents.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellora {

using KernelHandle = uintptr_t;  // 0: none

enum class WaitResult : uint8_t { Signalled, TimedOut, Failed };

class KernelObjects {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    virtual ~KernelObjects() = default;

    // CreateEventW with default security: an empty name makes an unnamed
    // event; a name that exists already is opened (its state is kept). 0 when
    // it can be neither created nor opened.
    virtual KernelHandle OpenOrCreateEvent(std::u16string_view name, bool manualReset, bool initiallySignalled) = 0;
    virtual bool Signal(KernelHandle event) = 0;
    // WaitForSingleObject.
    virtual WaitResult Wait(KernelHandle object, uint32_t timeoutMs) = 0;
    // WaitForMultipleObjects for any of up to 64 objects: the index of the
    // first one signalled, kTimedOut or kFailed.
    static constexpr int kTimedOut = -1;
    static constexpr int kFailed = -2;
    virtual int WaitAny(const KernelHandle* objects, size_t count, uint32_t timeoutMs) = 0;
    // An unnamed mutex, not owned.
    virtual KernelHandle NewMutex() = 0;
    // Takes the mutex without waiting; false when another thread holds it.
    virtual bool TryLock(KernelHandle mutex) = 0;
    virtual void Unlock(KernelHandle mutex) = 0;
    virtual void Close(KernelHandle object) = 0;
};

}  // namespace quellora
