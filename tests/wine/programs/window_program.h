// What the window test programs prepare before they show a window of the
// program, as the interactive start does: the platform, the language module,
// the theme and the common controls.
#pragma once

#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include "platform/assembly.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "ui/theme.h"

namespace quellora::testing {

// False when no language module could be loaded.
inline bool PrepareWindowProgram() {
    PlatformAssembly* assembly = AssemblePlatform().release();
    SetPlatform(&assembly->platform);
    State().executablePath = assembly->platform.folders->ExecutablePath();
    SelectLanguage();
    if (!LoadResourceModule()) return false;
    InitialiseTheme();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    return true;
}

}  // namespace quellora::testing
