#include "platform/platform.h"

namespace quellora {

namespace {
Platform* g_platform = nullptr;
Platform g_empty;
}  // namespace

Platform& Sys() { return g_platform ? *g_platform : g_empty; }

void SetPlatform(Platform* platform) { g_platform = platform; }

ScopedPlatform::ScopedPlatform(Platform* platform) : previous_(g_platform) { g_platform = platform; }

ScopedPlatform::~ScopedPlatform() { g_platform = previous_; }

}  // namespace quellora
