#include "platform/platform.h"

#include "platform/text.h"

namespace quellora {

namespace {
Platform* g_platform = nullptr;
Platform g_empty;
}  // namespace

Platform& Sys() { return g_platform ? *g_platform : g_empty; }

void SetPlatform(Platform* platform) { g_platform = platform; }

std::u16string UtcTimestamp() {
    CalendarTime t = g_platform && g_platform->clock ? g_platform->clock->UtcNow() : CalendarTime{};
    return Format(u"%04u-%02u-%02uT%02u:%02u:%02uZ", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

ScopedPlatform::ScopedPlatform(Platform* platform) : previous_(g_platform) { g_platform = platform; }

ScopedPlatform::~ScopedPlatform() { g_platform = previous_; }

}  // namespace quellora
