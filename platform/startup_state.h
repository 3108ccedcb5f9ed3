// Process-wide start-up state, written by the entry and read everywhere else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/kernel_objects.h"
#include "platform/resource_modules.h"

namespace quellora {

inline constexpr char16_t kProgramVersion[] = u"" QUELLORA_VERSION_TEXT;

// The shutdown event: `/terminate` signals it to stop every running instance.
inline constexpr std::u16string_view kShutdownEventName = u"Global\\{374afc4f-0d7a-450f-b7a8-ac2160530c91}";

struct StartupState {
    std::u16string productName = u"Quellora";      // caption of message boxes, name of the registry key
    std::u16string executableName = u"quellora.exe";
    std::u16string executablePath;                 // full path, at most 1023 characters
    bool classic = false;
    bool noTray = false;
    bool showMainWindowAtStart = true;
    bool restarted = false;  // started with "/restart" (the program restarted itself)
    uint16_t currentLanguage = 0x409;
    ModuleHandle resourceModule = 0;
    ModuleHandle englishModule = 0;
    bool englishFallbackLoaded = true;
    bool darkModeSupported = false;  // the system can draw the program dark (found once at start-up)
    bool darkTheme = false;          // the dark theme is in force now
    // Kernel objects of the interactive instance (0 until the start makes them).
    KernelHandle presenceEvent = 0;         // named; open until the process ends
    KernelHandle mainWindowMutex = 0;       // taken without waiting by whoever opens the main window
    KernelHandle settingsChangedEvent = 0;  // auto-reset; Dynamic Boost settings changed
};

StartupState& State();
// The folder of the executable (up to its last separator, without it); empty when unknown.
std::u16string ExecutableFolder();

}  // namespace quellora
