// The host has no windows: no main window ever opens there.
#include "ui/main_window.h"

#include <atomic>

namespace quellora {

namespace {
std::atomic<WindowHandle> g_published{nullptr};
}  // namespace

WindowHandle MainWindowHandle() { return g_published.load(); }
void PublishMainWindow(WindowHandle window) { g_published = window; }
void OpenMainWindow() {}
bool CloseMainWindow() { return false; }
int RunMainWindow(bool) { return 1; }

}  // namespace quellora
