// The process entry of quellora.exe: binds the platform and hands the whole
// command line to the portable entry.
#include "platform/win32/wide.h"
//
#include <memory>
#include <string_view>

#include "app/crash_handler.h"
#include "app/entry.h"
#include "app/win32/desktop_shell.h"
#include "platform/assembly.h"
#include "platform/platform.h"
#include "platform/win32/com_apartment.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The main thread is a multithreaded-apartment thread; a failure leaves COM
    // to the parts that need it.
    quellora::win32::JoinMainThreadToMultithreadedApartment();
    // A crash from here on leaves a dump and a message, not a silent end.
    quellora::InstallCrashHandler();

    // The platform lives as long as the process: background threads may still
    // use it while the process ends, so it is never destroyed.
    quellora::PlatformAssembly* assembly = quellora::AssemblePlatform().release();
    quellora::SetPlatform(&assembly->platform);
    quellora::SetInteractiveShell(&quellora::win32::DesktopShell());

    const wchar_t* commandLine = GetCommandLineW();
    return quellora::RunEntry(std::u16string_view(reinterpret_cast<const char16_t*>(commandLine)));
}
