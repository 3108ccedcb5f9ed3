// The system's look on the simulated machine: the theme stand-in through which
// the windows are drawn dark (or in high contrast) wherever they run, Wine
// included. The dark-mode functions are present unless told otherwise; nothing
// is called, the calls are counted.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/theme_facts.h"

namespace quellora::sim {

class SimMachine;

// The facts quellora-sim changes ("theme dark|light|high-contrast", ...).
struct ThemeState {
    bool darkFunctions = true;
    bool appsUseDark = false;
    bool highContrast = false;
    bool animations = true;
    bool accentPresent = true;
    uint32_t accent = 0x00D77800;  // COLORREF of Windows' default blue accent
};

ThemeState ReadThemeState(SimMachine& machine);
void WriteThemeState(SimMachine& machine, const ThemeState& state);

class SimThemeFacts : public ThemeFacts {
public:
    explicit SimThemeFacts(SimMachine& machine);

    DarkModeSupport DarkMode() override;
    bool AppsUseDarkMode() override;
    bool HighContrast() override;
    bool ClientAreaAnimations() override;
    bool AccentColour(uint32_t& colorref) override;
    uint32_t WindowsBuild() override;
    void AllowDarkModeForProcess() override;
    void RefreshColorPolicy() override;
    void RefreshHighContrast() override;
    bool AllowDarkModeForWindow(WindowHandle window, bool allow) override;
    bool IsDarkModeAllowedForWindow(WindowHandle window) override;
    void SetDarkTitleBar(WindowHandle window, bool dark) override;
    bool RedirectScrollBars() override;

    // Calls of the dark-mode functions the program made (a stand-in for each).
    uint32_t DarkModeCalls() const { return calls_; }
    bool ProcessAllowed() const { return processAllowed_; }

private:
    bool Supported();

    SimMachine& machine_;
    std::atomic<uint32_t> calls_{0};
    std::atomic<bool> processAllowed_{false};
};

}  // namespace quellora::sim
