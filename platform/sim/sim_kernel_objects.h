// The program's own events and mutexes where Windows' are not at hand (the
// host): objects of this process, named ones shared by name within it, with
// the semantics of Windows' (manual- and auto-reset events, a mutex that its
// owning thread may take again).
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel_objects.h"

namespace quellora::sim {

class SimKernelObjects : public KernelObjects {
public:
    KernelHandle OpenOrCreateEvent(std::u16string_view name, bool manualReset, bool initiallySignalled) override;
    bool Signal(KernelHandle event) override;
    WaitResult Wait(KernelHandle object, uint32_t timeoutMs) override;
    int WaitAny(const KernelHandle* objects, size_t count, uint32_t timeoutMs) override;
    KernelHandle NewMutex() override;
    bool TryLock(KernelHandle mutex) override;
    void Unlock(KernelHandle mutex) override;
    void Close(KernelHandle object) override;

    // Whether a named event exists and is signalled (for tests and the tools).
    bool IsNamedEventSignalled(std::u16string_view name);

private:
    struct Object {
        bool isMutex = false;
        bool manualReset = false;
        bool signalled = false;
        std::thread::id owner;  // mutex
        uint32_t recursion = 0;
    };
    std::shared_ptr<Object> Find(KernelHandle handle);
    // Takes the object when it is ready (the caller holds mutex_).
    static bool TryTake(Object& object);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<KernelHandle, std::shared_ptr<Object>> handles_;
    std::map<std::u16string, std::weak_ptr<Object>> named_;
    KernelHandle next_ = 0x100;
};

}  // namespace quellora::sim
