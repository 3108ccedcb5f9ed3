// dynboost.log: one line per plan switch of Dynamic Boost, in the Quellora
// folder of the user's local application data. UTF-16LE with a byte order
// mark, CR LF line ends, three TAB-separated fields per line: the UTC time
// ("2026-12-04T10:09:30Z"), the reason number and the plan's name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/guid.h"

namespace quellora {

struct BoostLogEntry {
    std::u16string time;  // as stored in the file
    int32_t reason = 0;
    std::u16string planName;

    bool operator==(const BoostLogEntry&) const = default;
};

// Past this size the log keeps only its newer half before the next line.
inline constexpr uint64_t kBoostLogRotateBytes = 262144;
// Entries the rotation looks at (of which it keeps half).
inline constexpr int32_t kBoostLogRotateEntries = 1000;
// A log this large or larger is not read.
inline constexpr uint64_t kBoostLogReadLimit = 4194304;
// The same reason and plan again within this time adds no line.
inline constexpr uint64_t kBoostLogRepeatMs = 60000;

// "<local application data>\Quellora\dynboost.log"; the folder is created when
// missing. Empty when the local application data folder is unknown.
std::u16string BoostLogPath();

// Logs a switch to `plan` for `reason` (a BoostReason number). Skipped when
// the last logged call had the same reason and plan less than 60 seconds ago.
// A log past 256 KiB is first cut to the newest half of its last 1000
// entries; the cut log replaces the old one in one step, so an interrupted
// rotation leaves the old log whole. File errors are ignored.
void AppendBoostLog(int32_t reason, const Guid& plan);

// The newest entries first, at most `maxEntries`; lines without two TABs are
// not entries. A missing, empty or oversized log gives none.
std::vector<BoostLogEntry> ReadBoostLog(int32_t maxEntries);

// The log's text decoded into entries, oldest first (what ReadBoostLog reads).
std::vector<BoostLogEntry> ParseBoostLog(std::u16string_view text);

namespace testing {
// Forgets the last logged call, as a new process would.
void ForgetLastBoostLogCall();
}  // namespace testing

}  // namespace quellora
