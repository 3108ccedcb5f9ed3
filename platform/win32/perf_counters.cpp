// Performance counters on Windows (PDH), bound at run time from pdh.dll: a
// system without the library or one of its functions answers every call as
// failed, so the callers report the counters as missing.
#include "platform/win32/wide.h"
//
#include <pdh.h>
#include <pdhmsg.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

using OpenQueryFn = PDH_STATUS(WINAPI*)(LPCWSTR, DWORD_PTR, PDH_HQUERY*);
using AddEnglishCounterFn = PDH_STATUS(WINAPI*)(PDH_HQUERY, LPCWSTR, DWORD_PTR, PDH_HCOUNTER*);
using CollectFn = PDH_STATUS(WINAPI*)(PDH_HQUERY);
using FormattedValueFn = PDH_STATUS(WINAPI*)(PDH_HCOUNTER, DWORD, LPDWORD, PPDH_FMT_COUNTERVALUE);
using FormattedArrayFn = PDH_STATUS(WINAPI*)(PDH_HCOUNTER, DWORD, LPDWORD, LPDWORD, PPDH_FMT_COUNTERVALUE_ITEM_W);
using RawArrayFn = PDH_STATUS(WINAPI*)(PDH_HCOUNTER, LPDWORD, LPDWORD, PPDH_RAW_COUNTER_ITEM_W);
using CloseQueryFn = PDH_STATUS(WINAPI*)(PDH_HQUERY);

struct Pdh {
    OpenQueryFn openQuery = nullptr;
    AddEnglishCounterFn addEnglishCounter = nullptr;
    CollectFn collect = nullptr;
    FormattedValueFn formattedValue = nullptr;
    FormattedArrayFn formattedArray = nullptr;
    RawArrayFn rawArray = nullptr;
    CloseQueryFn closeQuery = nullptr;
};

// Bound once per process; the library stays loaded.
const Pdh& Bound() {
    static const Pdh pdh = [] {
        Pdh p;
        HMODULE module = SystemLibrary(L"pdh.dll");
        p.openQuery = BindExport<OpenQueryFn>(module, "PdhOpenQueryW");
        p.addEnglishCounter = BindExport<AddEnglishCounterFn>(module, "PdhAddEnglishCounterW");
        p.collect = BindExport<CollectFn>(module, "PdhCollectQueryData");
        p.formattedValue = BindExport<FormattedValueFn>(module, "PdhGetFormattedCounterValue");
        // Wine exports both array functions as stubs that raise an exception
        // (and end the process) when called: there they count as missing.
        const bool wine = GetProcAddress(LoadedModule(L"ntdll.dll"), "wine_get_version") != nullptr;
        if (!wine) {
            p.formattedArray = BindExport<FormattedArrayFn>(module, "PdhGetFormattedCounterArrayW");
            p.rawArray = BindExport<RawArrayFn>(module, "PdhGetRawCounterArrayW");
        }
        p.closeQuery = BindExport<CloseQueryFn>(module, "PdhCloseQuery");
        return p;
    }();
    return pdh;
}

bool ValidStatus(DWORD status) { return status == PDH_CSTATUS_VALID_DATA || status == PDH_CSTATUS_NEW_DATA; }

// Doubles, not capped at 100: "% Processor Performance" goes above 100 when the processor boosts.
constexpr DWORD kFormat = PDH_FMT_DOUBLE | PDH_FMT_NOCAP100;

PDH_HQUERY QueryHandle(PerfCounters::Query query) { return reinterpret_cast<PDH_HQUERY>(query); }
PDH_HCOUNTER CounterHandle(PerfCounters::Counter counter) { return reinterpret_cast<PDH_HCOUNTER>(counter); }

}  // namespace

bool Win32PerfCounters::OpenQuery(Query& query) {
    const Pdh& pdh = Bound();
    if (!pdh.openQuery) return false;
    PDH_HQUERY handle = nullptr;
    if (pdh.openQuery(nullptr, 0, &handle) != ERROR_SUCCESS || handle == nullptr) return false;
    query = reinterpret_cast<Query>(handle);
    return true;
}

bool Win32PerfCounters::AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) {
    const Pdh& pdh = Bound();
    if (!pdh.addEnglishCounter || query == 0) return false;
    PDH_HCOUNTER handle = nullptr;
    const std::wstring text = Wide(path);
    if (pdh.addEnglishCounter(QueryHandle(query), text.c_str(), 0, &handle) != ERROR_SUCCESS || handle == nullptr)
        return false;
    counter = reinterpret_cast<Counter>(handle);
    return true;
}

bool Win32PerfCounters::Collect(Query query) {
    const Pdh& pdh = Bound();
    return pdh.collect && query != 0 && pdh.collect(QueryHandle(query)) == ERROR_SUCCESS;
}

bool Win32PerfCounters::ReadDouble(Counter counter, double& value) {
    const Pdh& pdh = Bound();
    if (!pdh.formattedValue || counter == 0) return false;
    PDH_FMT_COUNTERVALUE formatted{};
    DWORD type = 0;
    if (pdh.formattedValue(CounterHandle(counter), kFormat, &type, &formatted) != ERROR_SUCCESS ||
        !ValidStatus(formatted.CStatus))
        return false;
    value = formatted.doubleValue;
    return true;
}

bool Win32PerfCounters::ReadLong(Counter counter, int32_t& value) {
    const Pdh& pdh = Bound();
    if (!pdh.formattedValue || counter == 0) return false;
    PDH_FMT_COUNTERVALUE formatted{};
    DWORD type = 0;
    if (pdh.formattedValue(CounterHandle(counter), PDH_FMT_LONG, &type, &formatted) != ERROR_SUCCESS ||
        !ValidStatus(formatted.CStatus))
        return false;
    value = static_cast<int32_t>(formatted.longValue);
    return true;
}

bool Win32PerfCounters::ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) {
    values.clear();
    const Pdh& pdh = Bound();
    if (!pdh.formattedArray || counter == 0) return false;
    // Sized first; instances may come and go between the two calls, so the sizing is repeated a few times.
    std::vector<unsigned char> buffer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD count = 0;
        auto* items = buffer.empty() ? nullptr : reinterpret_cast<PDH_FMT_COUNTERVALUE_ITEM_W*>(buffer.data());
        const PDH_STATUS status = pdh.formattedArray(CounterHandle(counter), kFormat, &size, &count, items);
        if (status == static_cast<PDH_STATUS>(PDH_MORE_DATA)) {
            buffer.assign(size, 0);
            continue;
        }
        if (status != ERROR_SUCCESS || items == nullptr) return false;
        for (DWORD i = 0; i < count; ++i) {
            if (!ValidStatus(items[i].FmtValue.CStatus)) continue;
            values.emplace_back(FromWide(items[i].szName), items[i].FmtValue.doubleValue);
        }
        return true;
    }
    return false;
}

bool Win32PerfCounters::ReadRawArray(Counter counter, std::vector<RawCounterItem>& values) {
    values.clear();
    const Pdh& pdh = Bound();
    if (!pdh.rawArray || counter == 0) return false;
    std::vector<unsigned char> buffer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD count = 0;
        auto* items = buffer.empty() ? nullptr : reinterpret_cast<PDH_RAW_COUNTER_ITEM_W*>(buffer.data());
        const PDH_STATUS status = pdh.rawArray(CounterHandle(counter), &size, &count, items);
        if (status == static_cast<PDH_STATUS>(PDH_MORE_DATA)) {
            buffer.assign(size, 0);
            continue;
        }
        if (status != ERROR_SUCCESS || items == nullptr) return false;
        for (DWORD i = 0; i < count; ++i) {
            if (!ValidStatus(items[i].RawValue.CStatus)) continue;
            values.push_back({FromWide(items[i].szName), items[i].RawValue.FirstValue, items[i].RawValue.SecondValue});
        }
        return true;
    }
    return false;
}

void Win32PerfCounters::CloseQuery(Query query) {
    const Pdh& pdh = Bound();
    if (pdh.closeQuery && query != 0) pdh.closeQuery(QueryHandle(query));
}

}  // namespace quellora::win32
