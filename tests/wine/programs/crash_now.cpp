// crash_now.exe: installs the program's crash handler as the entry does and
// then crashes on demand, for the window tests (the product has no switch
// for it).
//
//   crash_now.exe [--level <0|1|2>] [--shutdown] [--threads <n>]
//     --level <n>    the dump's level (the program's, 2, by default)
//     --shutdown     the shutdown event is signalled first (as /terminate does)
//     --threads <n>  n threads crash at the same moment (1 by default)
#include "platform/win32/wide.h"
//
#include <cwchar>
#include <string>
#include <vector>

#include "app/crash_handler.h"
#include "platform/assembly.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"

namespace {

HANDLE g_start = nullptr;

DWORD WINAPI Crash(LPVOID) {
    WaitForSingleObject(g_start, INFINITE);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int level = quellora::kCrashDumpLevel;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == L"--level") level = static_cast<int>(std::wcstoul(argv[i + 1], nullptr, 10));
    }
    quellora::InstallCrashHandler(level);
    quellora::PlatformAssembly* assembly = quellora::AssemblePlatform().release();
    quellora::SetPlatform(&assembly->platform);
    // As the entry does: the language modules are found beside the program.
    quellora::State().executablePath = assembly->platform.folders->ExecutablePath();
    quellora::SelectLanguage();
    quellora::LoadResourceModule();

    unsigned threads = 1;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--shutdown") {
            const std::wstring name(quellora::kShutdownEventName.begin(), quellora::kShutdownEventName.end());
            CreateEventW(nullptr, TRUE, TRUE, name.c_str());
        } else if (arg == L"--threads" && i + 1 < argc) {
            threads = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        }
    }
    g_start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (unsigned t = 0; t < threads; ++t) CreateThread(nullptr, 0, Crash, nullptr, 0, nullptr);
    Sleep(100);
    SetEvent(g_start);
    Sleep(INFINITE);
    return 0;
}
