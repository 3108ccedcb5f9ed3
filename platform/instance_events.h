// The named events every process of the program shares: the shutdown event
// that `/terminate` signals (running instances quit when they see it), the
// wake event of the background waits, and the presence marker of a running
// interactive instance.
#pragma once

#include <string_view>

#include "platform/kernel_objects.h"
#include "platform/startup_state.h"  // kShutdownEventName

namespace quellora {

inline constexpr std::u16string_view kWakeEventName = u"Local\\{7fc5f509-48ff-44b6-bba4-9fbc3aa0efda}";
inline constexpr std::u16string_view kPresenceEventName = u"Local\\{af82d8ad-cbbb-4a38-9478-f66b0dd21f2c}";

// The shutdown event (manual reset, never reset): created or opened on first
// use and kept open for the life of the process; 0 when it cannot be had, and
// then asked for again at the next use.
KernelHandle ShutdownEvent();
// Whether the shutdown event is signalled now (a wait of 0).
bool ShutdownSignalled();
// Forgets the handle (for tests that install a new platform).
void ForgetShutdownEvent();

}  // namespace quellora
