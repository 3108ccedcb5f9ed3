#include "model/drift.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "model/persisted_store.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/report_output.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr uint32_t kSeenAgainPrefix = 9396;
constexpr uint64_t kMaxLogBytes = 8388607;

struct Remembered {
    std::u16string details;
    uint64_t tick = 0;
    uint32_t counter = 0;
};

// Which drift of each plan was logged last, by the plan's braced GUID text.
std::mutex g_memoryMutex;
std::map<std::u16string, Remembered> g_memory;

// The file DriftLogRedirect sends the log to; empty: drift.log.
std::mutex g_redirectMutex;
std::u16string g_redirect;

uint64_t Now() { return Sys().clock ? Sys().clock->TickCount64() : 0; }

std::u16string Value(bool present, uint32_t value) { return present ? ToDecimal(value) : u"(none)"; }

// TABs and line breaks would split a log line: a plan name holding them is
// written with blanks in their place.
std::u16string LogField(std::u16string_view text) {
    std::u16string out(text);
    std::replace_if(out.begin(), out.end(), [](char16_t c) { return c == u'\t' || c == u'\r' || c == u'\n'; }, u' ');
    return out;
}

void AppendDriftLog(const DriftRecord& record) {
    std::u16string path = DriftLogPath();
    if (path.empty()) return;
    std::u16string line = LogField(record.time) + u"\t" + LogField(record.planName) + u"\t" + ToDecimal(record.count) +
                          u"\t" + (record.restored ? u"1" : u"0") + u"\t" + LogField(record.details) + u"\r\n";
    std::string bytes;
    for (char16_t c : line) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    AppendToFile(path, bytes, std::string("\xFF\xFE", 2));
}

// Decides whether a drift is logged, and with which details.
bool ShouldLog(const std::u16string& key, int mode, std::u16string& details) {
    std::lock_guard lock(g_memoryMutex);
    const uint64_t now = Now();
    auto it = g_memory.find(key);
    if (it != g_memory.end() && it->second.details == details) {
        if (mode != drift::kRestore) return false;
        if (now - it->second.tick <= drift::kRelogAfterMs) {
            ++it->second.counter;
            return false;
        }
    }
    std::u16string logged = details;
    if (it != g_memory.end() && it->second.counter > 0) {
        details = Format(LoadText(kSeenAgainPrefix), it->second.counter) + logged;
    }
    g_memory[key] = Remembered{logged, now, 0};
    return true;
}

void Forget(const std::u16string& key) {
    std::lock_guard lock(g_memoryMutex);
    g_memory.erase(key);
}

}  // namespace

int DriftMode() {
    uint32_t mode = ReadDwordOr(Hive::CurrentUser, kAppKey, u"DriftProtection", 0);
    return mode <= 2 ? static_cast<int>(mode) : drift::kOff;
}

std::u16string DriftDetails(const std::vector<DiffEntry>& differences) {
    std::u16string text;
    for (const DiffEntry& d : differences) {
        if (!text.empty()) text += u"; ";
        text += (d.ac ? u"AC " : u"DC ") + d.name + u": expected " + Value(d.leftPresent, d.left) + u", found " +
                Value(d.rightPresent, d.right);
    }
    return text;
}

void ResetDriftMemory() {
    std::lock_guard lock(g_memoryMutex);
    g_memory.clear();
}

DriftLogRedirect::DriftLogRedirect(std::u16string path) {
    std::lock_guard lock(g_redirectMutex);
    previous_ = std::exchange(g_redirect, std::move(path));
}

DriftLogRedirect::~DriftLogRedirect() {
    std::lock_guard lock(g_redirectMutex);
    g_redirect = std::move(previous_);
}

std::u16string DriftLogPath() {
    {
        std::lock_guard lock(g_redirectMutex);
        if (!g_redirect.empty()) return g_redirect;
    }
    std::u16string local = Sys().folders ? Sys().folders->LocalAppData() : std::u16string();
    if (local.empty()) return {};
    std::u16string folder = JoinPath(local, u"Quellora");
    CreateDirectories(folder);
    return JoinPath(folder, u"drift.log");
}

bool CheckDrift(PowerSchemeAccess& power, const Guid& plan, int mode, bool log, DriftRecord* record) {
    if (mode == drift::kOff) return false;
    // Loading, comparing and restoring are one step: an apply that wrote the
    // plan and has yet to update the copy must not look like drift. A check
    // that cannot wait its turn is skipped; the next one comes soon.
    PlanWriteGuard guard;
    if (guard.TimedOut()) return false;
    PlanSettings stored;
    if (!LoadStored(power, plan, stored)) return false;
    const bool heterogeneous = IsHeterogeneousProcessor();
    PlanSettings live;
    live.plan = plan;
    if (!ReadFromPlan(power, live, StoredClasses(stored), heterogeneous, StoredAdvanced(stored))) return false;
    if (!stored.ac.hasHetero) live.ac.hasHetero = false;
    if (!stored.dc.hasHetero) live.dc.hasHetero = false;

    const std::u16string key = GuidToText(plan);
    std::vector<DiffEntry> differences = Diff(stored, live);
    if (differences.empty()) {
        Forget(key);
        return false;
    }
    DriftRecord made;
    made.time = UtcTimestamp();
    made.planName = stored.planName;
    made.count = static_cast<uint32_t>(differences.size());
    made.details = DriftDetails(differences);
    if (mode == drift::kRestore) {
        made.restored = WriteToPlan(power, stored, heterogeneous, false, power.IsActivePlan(plan));
    }
    if (log) {
        DriftRecord logged = made;
        if (ShouldLog(key, mode, logged.details)) AppendDriftLog(logged);
    }
    if (record) *record = std::move(made);
    return true;
}

int CheckAllPlans(PowerSchemeAccess& power, int mode, std::vector<DriftRecord>* drifted) {
    if (mode == drift::kOff) return 0;
    int count = 0;
    for (const Guid& plan : power.ListedPlans()) {
        DriftRecord record;
        if (!CheckDrift(power, plan, mode, true, &record)) continue;
        ++count;
        if (drifted) drifted->push_back(std::move(record));
    }
    return count;
}

std::vector<DriftRecord> ReadDriftLog() {
    std::vector<DriftRecord> records;
    std::u16string path = DriftLogPath();
    std::string bytes;
    if (path.empty() || !ReadWholeFile(path, kMaxLogBytes, bytes) || bytes.empty()) return records;
    size_t start = (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE)
                       ? 2
                       : 0;
    std::u16string text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    for (std::u16string& line : Split(text, u'\n')) {
        while (!line.empty() && (line.back() == u'\r' || line.back() == u'\n')) line.pop_back();
        auto fields = Split(line, u'\t');
        if (fields.size() < 4) continue;
        DriftRecord r;
        r.time = fields[0];
        r.planName = fields[1];
        bool digits = false;
        int64_t count = ParseLeadingInt(fields[2], &digits);
        r.count = digits && count > 0 ? static_cast<uint32_t>(std::min<int64_t>(count, UINT32_MAX)) : 0;
        r.restored = fields[3] == u"1";
        if (fields.size() > 4) r.details = fields[4];
        records.push_back(std::move(r));
    }
    return records;
}

std::optional<DriftNotice> DriftNotifier::OnTick(const std::vector<DriftRecord>& drifted, uint64_t tick) {
    std::optional<DriftNotice> shown;
    for (const DriftRecord& record : drifted) {
        auto found = entries_.find(record.planName);
        if (found != entries_.end() && tick - found->second.lastTick < drift::kNotifyEveryMs) {
            ++found->second.counter;
            continue;
        }
        if (!shown) {
            DriftNotice notice;
            notice.planName = record.planName;
            if (found != entries_.end() && found->second.counter > 0) {
                uint64_t minutes = std::max<uint64_t>(1, (tick - found->second.lastTick) / 60000);
                notice.stringId = record.restored ? 9394 : 9395;
                notice.text = Format(LoadText(notice.stringId), record.planName, found->second.counter + 1, minutes);
            } else {
                notice.stringId = record.restored ? 9390 : 9391;
                notice.text = Format(LoadText(notice.stringId), record.planName);
            }
            shown = std::move(notice);
        }
        entries_[record.planName] = Entry{tick, 0};
    }
    return shown;
}

int RunDriftCheckReport() {
    LoadEnglishModuleOnly();
    ReportOutput out(BesideExecutable(u"quellora-driftcheck.log"));
    PowerSchemeAccess power;
    const int mode = DriftMode();
    out.Line(Format(u"Quellora %s drift check, mode %d (0 off, 1 log, 2 restore), log %s", kProgramVersion, mode,
                    DriftLogPath()));
    int drifted = 0;
    for (const auto& entry : power.ListedNamedPlans()) {
        const std::u16string guid = GuidToText(entry.plan);
        if (!HasStored(power, entry.plan)) {
            out.Line(Format(u"  %s %s: no persisted settings", guid, entry.name));
            continue;
        }
        DriftRecord record;
        const bool found = mode == drift::kOff ? CheckDrift(power, entry.plan, drift::kLog, false, &record)
                                               : CheckDrift(power, entry.plan, mode, true, &record);
        if (found) {
            ++drifted;
            out.Line(Format(u"  %s %s: DRIFT (%u settings)%s", guid, entry.name, record.count,
                            record.restored ? u", restored" : u""));
            out.Line(Format(u"    %s", record.details));
        } else {
            out.Line(Format(u"  %s %s: persisted settings match", guid, entry.name));
        }
    }
    out.Line(Format(u"%d plan(s) drifted", drifted));
    return drifted;
}

}  // namespace quellora
