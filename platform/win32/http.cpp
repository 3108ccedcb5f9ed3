// HTTP(S) requests through WinINet with the system's proxy settings.
#include "platform/win32/wide.h"
//
#include <wininet.h>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// Closes a WinINet handle at the end of its scope.
struct InternetHandle {
    HINTERNET handle = nullptr;
    ~InternetHandle() {
        if (handle) InternetCloseHandle(handle);
    }
};

}  // namespace

bool Win32Http::Get(std::u16string_view url, std::u16string_view userAgent, uint64_t maxBytes, std::string& body) {
    body.clear();
    const std::wstring agent = Wide(userAgent);
    const std::wstring address = Wide(url);
    InternetHandle session{InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    if (!session.handle) return false;
    // Every check asks the server: nothing is written to or read from the cache.
    InternetHandle request{InternetOpenUrlW(session.handle, address.c_str(), nullptr, 0,
                                            INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0)};
    if (!request.handle) return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
        status != HTTP_STATUS_OK) {
        return false;
    }
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.handle, chunk, sizeof chunk, &read)) {
            body.clear();
            return false;
        }
        if (read == 0) break;
        if (body.size() + read > maxBytes) {
            body.clear();
            return false;
        }
        body.append(chunk, read);
    }
    return true;
}

}  // namespace quellora::win32
