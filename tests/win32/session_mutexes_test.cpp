// The session's named mutexes: Windows' own, shared by the threads and
// processes of the session, recursive, and handed on when their owner ends.
#include <gtest/gtest.h>

#include <thread>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

std::u16string UniqueName() {
    return Format(u"QuelloraTests.Mutex.%u.%u", static_cast<unsigned>(GetCurrentProcessId()), GetTickCount());
}

MutexWait OnAnotherThread(SessionMutexes& mutexes, const std::u16string& name, uint32_t timeoutMs, bool release) {
    MutexWait result = MutexWait::Unavailable;
    std::thread([&] {
        result = mutexes.Acquire(name, timeoutMs);
        if (release && result == MutexWait::Acquired) mutexes.Release(name);
    }).join();
    return result;
}

TEST(Win32SessionMutexes, ExcludeOtherThreadsAndProcessesAndAreRecursive) {
    win32::Win32SessionMutexes mutexes, second;  // two objects open the same mutex
    const std::u16string name = UniqueName();
    ASSERT_EQ(mutexes.Acquire(name, 0), MutexWait::Acquired);
    ASSERT_EQ(mutexes.Acquire(name, 0), MutexWait::Acquired);  // again on the same thread
    EXPECT_EQ(OnAnotherThread(second, name, 20, true), MutexWait::TimedOut);
    const std::u16string child = wintest::ChildCommandLine(u"try-mutex", {name});
    EXPECT_EQ(wintest::RunWithFiles(child, u"", u"").exitCode, 21u);  // another process waits too
    mutexes.Release(name);
    EXPECT_EQ(OnAnotherThread(second, name, 20, true), MutexWait::TimedOut);  // still owned once
    mutexes.Release(name);
    EXPECT_EQ(OnAnotherThread(second, name, 20, true), MutexWait::Acquired);
    EXPECT_EQ(wintest::RunWithFiles(child, u"", u"").exitCode, 20u);
}

TEST(Win32SessionMutexes, AMutexWhoseOwnerEndedIsHandedOn) {
    win32::Win32SessionMutexes mutexes;
    const std::u16string name = UniqueName() + u".abandoned";
    EXPECT_EQ(OnAnotherThread(mutexes, name, 0, false), MutexWait::Acquired);  // the thread ends owning it
    EXPECT_EQ(mutexes.Acquire(name, 1000), MutexWait::Acquired);
    mutexes.Release(name);
}

}  // namespace
}  // namespace quellora
