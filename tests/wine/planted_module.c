/* A language module that also carries code: its DllMain leaves a file in the
   current folder when it runs. Planted where the program must not take it from,
   or beside it, it shows whether the program lets a module's code run. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE file = CreateFileW(L"planted-module-code-ran.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return TRUE;
}
