// Mutexes shared by every thread and every process of the user's session,
// known by name (on Windows the named mutex "Local\<name>"). As Windows' own,
// they are recursive: a thread that owns one may wait for it again, and
// releases it as often as it got it.
#pragma once

#include <cstdint>
#include <string_view>

namespace quellora {

enum class MutexWait : uint8_t {
    Acquired,    // the calling thread owns it (also when its last owner ended without releasing it)
    TimedOut,    // another thread or process kept it past the wait
    Unavailable  // the platform could not make it: nothing is owned
};

class SessionMutexes {
public:
    virtual ~SessionMutexes() = default;

    // Waits at most `timeoutMs` for the mutex of that name.
    virtual MutexWait Acquire(std::u16string_view name, uint32_t timeoutMs) = 0;
    // Gives up one ownership of the calling thread; a thread that does not own it changes nothing.
    virtual void Release(std::u16string_view name) = 0;
};

}  // namespace quellora
