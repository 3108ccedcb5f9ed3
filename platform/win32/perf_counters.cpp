// Performance counters on Windows (PDH).
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"

namespace quellora::win32 {

// Not bound yet: every query fails, so callers report the counters as missing.
bool Win32PerfCounters::OpenQuery(Query&) { return false; }
bool Win32PerfCounters::AddEnglishCounter(Query, std::u16string_view, Counter&) { return false; }
bool Win32PerfCounters::Collect(Query) { return false; }
bool Win32PerfCounters::ReadDouble(Counter, double&) { return false; }
bool Win32PerfCounters::ReadArray(Counter, std::vector<std::pair<std::u16string, double>>&) { return false; }
void Win32PerfCounters::CloseQuery(Query) {}

}  // namespace quellora::win32
