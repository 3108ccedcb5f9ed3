#include "boost/boost_log.h"

#include <algorithm>
#include <mutex>

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr std::string_view kByteOrderMark = "\xFF\xFE";

struct LastCall {
    std::mutex mutex;  // serialises AppendBoostLog
    int32_t reason = 0;  // 0: nothing logged yet in this process
    Guid plan;
    uint64_t at = 0;
};

LastCall& Last() {
    static LastCall last;
    return last;
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

std::string EncodeLine(std::u16string_view time, int32_t reason, std::u16string_view planName) {
    std::string bytes;
    AppendUtf16Le(bytes, Format(u"%s\t%d\t%s\r\n", time, reason, planName));
    return bytes;
}

std::u16string LogPlanName(const Guid& plan) {
    PowerSchemeAccess power;
    std::u16string name;
    if (!power.ReadPlanName(plan, name) || name.empty()) return GuidToText(plan);
    std::replace(name.begin(), name.end(), u'\t', u' ');
    return name;
}

std::u16string TimeText(const CalendarTime& t) {
    return Format(u"%04u-%02u-%02uT%02u:%02u:%02uZ", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// Cuts the log to the newest half of its last entries; the cut log replaces
// the old one in one step.
void RotateIfLarge(const std::u16string& path) {
    FileInfo info;
    if (!GetFileInfo(path, info) || info.size <= kBoostLogRotateBytes) return;
    std::vector<BoostLogEntry> newest = ReadBoostLog(kBoostLogRotateEntries);
    const size_t keep = newest.size() / 2;
    std::string bytes(kByteOrderMark);
    for (size_t i = keep; i-- > 0;) AppendUtf16Le(bytes, Format(u"%s\t%d\t%s\r\n", newest[i].time, newest[i].reason,
                                                                  newest[i].planName));
    WriteFileAtomic(path, bytes);
}

}  // namespace

std::u16string BoostLogPath() {
    if (!Sys().folders) return {};
    const std::u16string base = Sys().folders->LocalAppData();
    if (base.empty()) return {};
    const std::u16string folder = JoinPath(base, u"Quellora");
    CreateDirectories(folder);
    return JoinPath(folder, u"dynboost.log");
}

void AppendBoostLog(int32_t reason, const Guid& plan) {
    LastCall& last = Last();
    std::lock_guard lock(last.mutex);
    const uint64_t now = Sys().clock ? Sys().clock->TickCount64() : 0;
    if (reason == last.reason && plan == last.plan && now - last.at < kBoostLogRepeatMs) return;
    last.reason = reason;
    last.plan = plan;
    last.at = now;

    const CalendarTime utc = Sys().clock ? Sys().clock->UtcNow() : CalendarTime{};
    const std::string line = EncodeLine(TimeText(utc), reason, LogPlanName(plan));
    const std::u16string path = BoostLogPath();
    if (path.empty()) return;
    RotateIfLarge(path);
    AppendToFile(path, line, kByteOrderMark);
}

std::vector<BoostLogEntry> ParseBoostLog(std::u16string_view text) {
    std::vector<BoostLogEntry> entries;
    for (std::u16string_view rest = text; !rest.empty();) {
        const size_t end = rest.find(u'\n');
        std::u16string_view line = rest.substr(0, end);
        rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        const size_t first = line.find(u'\t');
        if (first == std::u16string_view::npos) continue;
        const size_t second = line.find(u'\t', first + 1);
        if (second == std::u16string_view::npos) continue;
        BoostLogEntry entry;
        entry.time = std::u16string(line.substr(0, first));
        entry.reason = static_cast<int32_t>(ParseLeadingInt(line.substr(first + 1, second - first - 1)));
        entry.planName = std::u16string(line.substr(second + 1));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<BoostLogEntry> ReadBoostLog(int32_t maxEntries) {
    const std::u16string path = BoostLogPath();
    std::string bytes;
    if (path.empty() || !ReadWholeFile(path, kBoostLogReadLimit - 1, bytes) || bytes.size() <= 2) return {};
    size_t start = bytes.compare(0, 2, kByteOrderMark) == 0 ? 2 : 0;
    std::u16string text;
    text.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    std::vector<BoostLogEntry> entries = ParseBoostLog(text);
    std::reverse(entries.begin(), entries.end());
    if (maxEntries < 0) maxEntries = 0;
    if (entries.size() > static_cast<size_t>(maxEntries)) entries.resize(static_cast<size_t>(maxEntries));
    return entries;
}

namespace testing {
void ForgetLastBoostLogCall() {
    LastCall& last = Last();
    std::lock_guard lock(last.mutex);
    last.reason = 0;
    last.plan = Guid{};
    last.at = 0;
}
}  // namespace testing

}  // namespace quellora
