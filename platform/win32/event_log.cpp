// The event log on Windows (wevtapi.dll, bound at run time: a system or Wine
// without it answers every query with ERROR_CALL_NOT_IMPLEMENTED).
#include "platform/win32/wide.h"
//
#include <winevt.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

using EvtQueryFn = EVT_HANDLE(WINAPI*)(EVT_HANDLE, LPCWSTR, LPCWSTR, DWORD);
using EvtNextFn = BOOL(WINAPI*)(EVT_HANDLE, DWORD, EVT_HANDLE*, DWORD, DWORD, PDWORD);
using EvtRenderFn = BOOL(WINAPI*)(EVT_HANDLE, EVT_HANDLE, DWORD, DWORD, PVOID, PDWORD, PDWORD);
using EvtCloseFn = BOOL(WINAPI*)(EVT_HANDLE);

struct Wevt {
    EvtQueryFn query = nullptr;
    EvtNextFn next = nullptr;
    EvtRenderFn render = nullptr;
    EvtCloseFn close = nullptr;
    bool complete() const { return query && next && render && close; }
};

const Wevt& Bound() {
    static const Wevt wevt = [] {
        Wevt w;
        HMODULE module = SystemLibrary(L"wevtapi.dll");
        w.query = BindExport<EvtQueryFn>(module, "EvtQuery");
        w.next = BindExport<EvtNextFn>(module, "EvtNext");
        w.render = BindExport<EvtRenderFn>(module, "EvtRender");
        w.close = BindExport<EvtCloseFn>(module, "EvtClose");
        return w;
    }();
    return wevt;
}

// The entry as event XML: the size is asked first, then the entry rendered
// into a buffer of that size.
bool RenderXml(const Wevt& wevt, EVT_HANDLE event, std::u16string& xml) {
    DWORD used = 0, properties = 0;
    if (wevt.render(nullptr, event, EvtRenderEventXml, 0, nullptr, &used, &properties)) {
        xml.clear();
        return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || used == 0) return false;
    std::vector<wchar_t> buffer(used / sizeof(wchar_t) + 1, L'\0');
    if (!wevt.render(nullptr, event, EvtRenderEventXml, static_cast<DWORD>(buffer.size() * sizeof(wchar_t)),
                     buffer.data(), &used, &properties)) {
        return false;
    }
    xml = FromWide(buffer.data());
    return true;
}

}  // namespace

uint32_t Win32EventLog::QueryNewest(std::u16string_view channel, std::u16string_view query, uint32_t maxEntries,
                                    std::vector<std::u16string>& entries) {
    entries.clear();
    const Wevt& wevt = Bound();
    if (!wevt.complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    if (maxEntries == 0) return ERROR_SUCCESS;
    const std::wstring channelText = Wide(channel);
    const std::wstring queryText = Wide(query);
    EVT_HANDLE results =
        wevt.query(nullptr, channelText.c_str(), queryText.c_str(), EvtQueryChannelPath | EvtQueryReverseDirection);
    if (results == nullptr) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_INVALID_HANDLE;
    }

    std::vector<EVT_HANDLE> events(maxEntries, nullptr);
    DWORD returned = 0;
    uint32_t result = ERROR_SUCCESS;
    if (!wevt.next(results, maxEntries, events.data(), INFINITE, 0, &returned)) {
        result = GetLastError();
        returned = 0;
    }
    // Nothing read, whatever the call said (Wine's answers fail without an error code).
    if (returned == 0 && result == ERROR_SUCCESS) result = ERROR_NO_MORE_ITEMS;
    for (DWORD i = 0; i < returned && i < maxEntries; ++i) {
        std::u16string xml;
        // An entry that cannot be rendered ends the list; every handle is closed.
        if (result == ERROR_SUCCESS && entries.size() == i && RenderXml(wevt, events[i], xml)) {
            entries.push_back(std::move(xml));
        }
        wevt.close(events[i]);
    }
    wevt.close(results);
    return result;
}

}  // namespace quellora::win32
