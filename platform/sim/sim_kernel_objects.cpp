#include "platform/sim/sim_kernel_objects.h"

#include <chrono>
#include <vector>

namespace quellora::sim {

std::shared_ptr<SimKernelObjects::Object> SimKernelObjects::Find(KernelHandle handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

KernelHandle SimKernelObjects::OpenOrCreateEvent(std::u16string_view name, bool manualReset, bool initiallySignalled) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Object> object;
    if (!name.empty()) {
        auto it = named_.find(std::u16string(name));
        if (it != named_.end()) object = it->second.lock();
        if (object && object->isMutex) return 0;  // ERROR_INVALID_HANDLE: the name is taken by another kind
    }
    if (!object) {
        object = std::make_shared<Object>();
        object->manualReset = manualReset;
        object->signalled = initiallySignalled;
        if (!name.empty()) named_[std::u16string(name)] = object;
    }
    const KernelHandle handle = next_++;
    handles_[handle] = object;
    return handle;
}

bool SimKernelObjects::Signal(KernelHandle event) {
    std::lock_guard lock(mutex_);
    auto object = Find(event);
    if (!object || object->isMutex) return false;
    object->signalled = true;
    changed_.notify_all();
    return true;
}

bool SimKernelObjects::TryTake(Object& object) {
    const auto self = std::this_thread::get_id();
    if (object.isMutex) {
        if (object.recursion != 0 && object.owner != self) return false;
        object.owner = self;
        ++object.recursion;
        return true;
    }
    if (!object.signalled) return false;
    if (!object.manualReset) object.signalled = false;
    return true;
}

WaitResult SimKernelObjects::Wait(KernelHandle handle, uint32_t timeoutMs) {
    const int result = WaitAny(&handle, 1, timeoutMs);
    return result == 0 ? WaitResult::Signalled : result == kTimedOut ? WaitResult::TimedOut : WaitResult::Failed;
}

int SimKernelObjects::WaitAny(const KernelHandle* handles, size_t count, uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    std::vector<std::shared_ptr<Object>> objects;
    for (size_t i = 0; i < count; ++i) {
        auto object = Find(handles[i]);
        if (!object) return kFailed;
        objects.push_back(std::move(object));
    }
    if (objects.empty()) return kFailed;
    int taken = kTimedOut;
    auto take = [&] {
        for (size_t i = 0; i < objects.size(); ++i) {
            if (TryTake(*objects[i])) {
                taken = static_cast<int>(i);
                return true;
            }
        }
        return false;
    };
    if (take() || timeoutMs == 0) return taken;
    if (timeoutMs == kInfinite) {
        changed_.wait(lock, take);
    } else {
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), take);
    }
    return taken;
}

KernelHandle SimKernelObjects::NewMutex() {
    std::lock_guard lock(mutex_);
    auto object = std::make_shared<Object>();
    object->isMutex = true;
    const KernelHandle handle = next_++;
    handles_[handle] = object;
    return handle;
}

bool SimKernelObjects::TryLock(KernelHandle mutex) { return Wait(mutex, 0) == WaitResult::Signalled; }

void SimKernelObjects::Unlock(KernelHandle mutex) {
    std::lock_guard lock(mutex_);
    auto object = Find(mutex);
    if (!object || !object->isMutex || object->recursion == 0 || object->owner != std::this_thread::get_id()) return;
    if (--object->recursion == 0) changed_.notify_all();
}

void SimKernelObjects::Close(KernelHandle handle) {
    std::lock_guard lock(mutex_);
    handles_.erase(handle);
}

bool SimKernelObjects::IsNamedEventSignalled(std::u16string_view name) {
    std::lock_guard lock(mutex_);
    auto it = named_.find(std::u16string(name));
    if (it == named_.end()) return false;
    auto object = it->second.lock();
    return object && object->signalled;
}

}  // namespace quellora::sim
