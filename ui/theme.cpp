#include "ui/theme.h"

#include "platform/platform.h"
#include "platform/startup_state.h"

namespace quellora {

bool InitialiseTheme() {
    StartupState& state = State();
    ThemeFacts* theme = Sys().theme;
    state.darkModeSupported = theme && theme->DarkMode().supported;
    if (state.darkModeSupported) {
        theme->AllowDarkModeForProcess();
        theme->RedirectScrollBars();
    }
    return RefreshDarkTheme();
}

bool RefreshDarkTheme() {
    StartupState& state = State();
    ThemeFacts* theme = Sys().theme;
    state.darkTheme = theme && DarkThemeInForce(state.darkModeSupported, state.darkModeSupported && theme->AppsUseDarkMode(),
                                                theme->HighContrast());
    return state.darkTheme;
}

}  // namespace quellora
