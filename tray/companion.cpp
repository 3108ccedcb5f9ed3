#include "tray/companion.h"

#ifdef _WIN32
#include <windows.h>
#undef MessageBox
#endif

#include <mutex>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "ui/message_box.h"

namespace quellora {

namespace {

// Texts of the language module.
constexpr uint32_t kRestwellText = 9486;
constexpr uint32_t kAppRulesText = 9487;        // (count, first rule)
constexpr uint32_t kPerformanceAutoText = 9488;
constexpr uint32_t kPerformanceNowText = 9489;
constexpr uint32_t kLoadSwitcherText = 9490;
constexpr uint32_t kStartWithPlanText = 9491;   // (plan)
constexpr uint32_t kConflictsInfoText = 9492;   // (list)
constexpr uint32_t kConflictsAskText = 9493;    // (list)

constexpr size_t kMaxValueChars = 2047;
constexpr uint64_t kMaxIniBytes = 16777216 - 1;
constexpr size_t kProfileNameBytes = 4096;
// The profile file holds one name; anything larger is not the companion's.
constexpr uint64_t kMaxProfileFileBytes = 1 << 20;
constexpr uint64_t kCacheLifetimeMs = 5000;

std::u16string Lookup(const FlatIni& ini, std::u16string_view key) {
    auto it = ini.find(std::u16string(key));
    return it == ini.end() ? std::u16string() : it->second;
}

bool IsFolderEnd(char16_t c) { return c == u'\\' || c == PathSeparator(); }

std::u16string DecodeUtf16Le(const std::string& bytes, size_t start) {
    std::u16string text;
    text.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    return text;
}

// The list as the message boxes show it: two blanks, the text, a line feed.
std::u16string ListText(const std::vector<std::u16string>& conflicts) {
    std::u16string text;
    for (const auto& conflict : conflicts) text += u"  " + conflict + u"\n";
    return text;
}

struct ConflictCache {
    std::mutex mutex;
    bool filled = false;
    uint64_t refreshedAt = 0;
    bool installed = false;
    CompanionSettings settings;
    std::u16string path;
    uint64_t lastWriteTime = 0;
};

ConflictCache& Cache() {
    static ConflictCache cache;
    return cache;
}

}  // namespace

bool ReadCompanionValue(std::u16string_view name, std::u16string& text) {
    struct Place {
        Hive hive;
        RegView view;
    };
    static const Place kPlaces[] = {
        {Hive::LocalMachine, RegView::Force64}, {Hive::LocalMachine, RegView::Force32}, {Hive::CurrentUser, RegView::Default}};
    for (const Place& place : kPlaces) {
        std::u16string value;
        if (ReadString(place.hive, kCompanionKey, name, value, (kMaxValueChars + 1) * 2, place.view) && !value.empty() &&
            value.size() <= kMaxValueChars) {
            text = std::move(value);
            return true;
        }
    }
    return false;
}

bool CompanionInstalled() {
    std::u16string dir;
    return ReadCompanionValue(u"Install_Dir", dir);
}

std::u16string FindCompanionConfigFile() {
    std::u16string folder;
    if (!ReadCompanionValue(u"ConfigFolderEx", folder)) {
        KnownFolders* folders = Sys().folders;
        Registry* registry = Sys().registry;
        if (!folders) return {};
        const bool service = registry && registry->OpenKey(Hive::LocalMachine, kCompanionServiceKey) == 0;
        const std::u16string base = service ? folders->CommonAppData() : folders->LocalAppData();
        if (base.empty()) return {};
        folder = JoinPath(JoinPath(base, u"Taskwarden"), u"config");
    }
    while (!folder.empty() && IsFolderEnd(folder.back())) folder.pop_back();

    // ".profile" names the companion's active configuration profile.
    std::string bytes;
    std::u16string profile;
    if (ReadWholeFile(JoinPath(folder, u".profile"), kMaxProfileFileBytes, bytes)) {
        if (bytes.size() > kProfileNameBytes) bytes.resize(kProfileNameBytes);
        profile = TrimWhite(Utf16FromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    if (!profile.empty()) return JoinPath(JoinPath(folder, profile), u"twarden.ini");
    return JoinPath(folder, u"twarden.ini");
}

std::u16string AnsiToUtf16(std::string_view bytes) {
#ifdef _WIN32
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::u16string text(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
#else
    // Windows-1252: Latin-1 except 0x80-0x9F (the five unassigned bytes map to
    // the control characters of the same number, as Windows maps them).
    static const char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<uint8_t>(byte);
        text.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char16_t>(b));
    }
    return text;
#endif
}

FlatIni ReadFlatIni(std::u16string_view path) {
    FlatIni ini;
    std::string bytes;
    if (!ReadWholeFile(path, kMaxIniBytes, bytes) || bytes.empty()) return ini;
    const bool utf16 = bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE;
    const std::u16string text = utf16 ? DecodeUtf16Le(bytes, 2) : AnsiToUtf16(bytes);
    for (const std::u16string& raw : Split(text, u'\n')) {
        const std::u16string line = TrimWhite(raw);
        if (line.empty() || line[0] == u';' || line[0] == u'[') continue;
        if (line.find(u'=', 1) == std::u16string::npos) continue;
        const size_t equals = line.find(u'=');
        std::u16string key = FoldCase(TrimWhite(std::u16string_view(line).substr(0, equals)));
        ini.emplace(std::move(key), TrimWhite(std::u16string_view(line).substr(equals + 1)));  // the first one stays
    }
    return ini;
}

std::vector<std::u16string> SplitEscaped(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string> parts;
    std::u16string current;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u',' || text[i + 1] == u';')) {
            current.push_back(text[++i]);
        } else if (c == separator) {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(std::move(current));
    return parts;
}

CompanionSettings EvaluateCompanionSettings(const FlatIni& ini) {
    CompanionSettings s;
    const std::u16string energySaver = Lookup(ini, u"energysaverenabled");
    s.restwellOn = !Lookup(ini, u"powersaver_targetguid").empty() &&
                   ParseLeadingInt(Lookup(ini, u"powersaver_idletime")) > 0 &&
                   (energySaver.empty() || EqualsIgnoreCase(energySaver, u"true"));

    std::u16string rules = Lookup(ini, u"defaultpowerschemes");
    const std::u16string more = Lookup(ini, u"defaultpowerschemesex");
    if (!more.empty()) rules = rules.empty() ? more : rules + u"," + more;
    if (!rules.empty()) {
        for (const std::u16string& entry : SplitEscaped(rules, u',')) {
            const std::vector<std::u16string> parts = SplitEscaped(entry, u';');
            if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) continue;
            if (s.appRuleCount == 0) s.firstAppRule = parts[0];
            ++s.appRuleCount;
        }
    }

    s.performanceModeChangesPlan = !EqualsIgnoreCase(Lookup(ini, u"gamingchangepowerplan"), u"false");
    s.performanceModeAuto = !Lookup(ini, u"automaticgamingmodeprocesspaths").empty() ||
                            EqualsIgnoreCase(Lookup(ini, u"gamingmodeengageforsteam"), u"true");
    s.loadSwitcherOn = EqualsIgnoreCase(Lookup(ini, u"loadbasedpowerswitcherenabled"), u"true");
    s.startWithPlan = Lookup(ini, u"startwithpowerplan");
    return s;
}

std::vector<std::u16string> ConflictTexts(const CompanionSettings& s, bool live) {
    NamedEvents* events = Sys().events;
    auto signalled = [&](std::u16string_view name) { return live && events && events->IsSignalled(name); };
    std::vector<std::u16string> texts;
    if (s.restwellOn || signalled(kRestwellEvent)) texts.push_back(LoadText(kRestwellText));
    if (s.appRuleCount > 0) texts.push_back(Format(LoadText(kAppRulesText), s.appRuleCount, s.firstAppRule));
    if (s.performanceModeChangesPlan) {
        if (signalled(kPerformanceModeEvent)) {
            texts.push_back(LoadText(kPerformanceNowText));
        } else if (s.performanceModeAuto) {
            texts.push_back(LoadText(kPerformanceAutoText));
        }
    }
    if (s.loadSwitcherOn) texts.push_back(LoadText(kLoadSwitcherText));
    if (!s.startWithPlan.empty()) texts.push_back(Format(LoadText(kStartWithPlanText), s.startWithPlan));
    return texts;
}

std::vector<std::u16string> ConflictsForFile(std::u16string_view path) {
    return ConflictTexts(EvaluateCompanionSettings(ReadFlatIni(path)), false);
}

std::vector<std::u16string> GetCompanionConflicts() {
    ConflictCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    const uint64_t now = Sys().clock ? Sys().clock->TickCount64() : 0;
    if (!cache.filled || now - cache.refreshedAt >= kCacheLifetimeMs) {
        cache.filled = true;
        cache.refreshedAt = now;
        cache.installed = CompanionInstalled();
        if (!cache.installed) {
            cache.settings = CompanionSettings{};
            cache.path.clear();
            cache.lastWriteTime = 0;
        } else {
            const std::u16string path = FindCompanionConfigFile();
            FileInfo info;
            if (!path.empty() && GetFileInfo(path, info) && !info.isDirectory) {
                if (path != cache.path || info.lastWriteTime != cache.lastWriteTime) {
                    cache.settings = EvaluateCompanionSettings(ReadFlatIni(path));
                    cache.path = path;
                    cache.lastWriteTime = info.lastWriteTime;
                }
            } else {
                cache.settings = CompanionSettings{};
                cache.path = path;
                cache.lastWriteTime = 0;
            }
        }
    }
    if (!cache.installed) return {};
    return ConflictTexts(cache.settings, true);
}

bool RestwellActive() { return Sys().events && Sys().events->IsSignalled(kRestwellEvent); }

// The program's own message box asks and reports, owned by the asking window.
bool PromptCompanionConflicts(WindowHandle owner) {
    const std::vector<std::u16string> conflicts = GetCompanionConflicts();
    if (conflicts.empty()) return true;
    const std::u16string text = Format(LoadText(kConflictsAskText), ListText(conflicts));
    return AnswerOf(ShowMessage(owner, text, mb::kYesNo | mb::kIconExclamation)) == mb::kIdYes;
}

void ShowCompanionConflicts(WindowHandle owner) {
    const std::vector<std::u16string> conflicts = GetCompanionConflicts();
    if (conflicts.empty()) return;
    ShowMessage(owner, Format(LoadText(kConflictsInfoText), ListText(conflicts)), mb::kOk | mb::kIconInformation);
}

namespace testing {
void ForgetCompanionCache() {
    ConflictCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    cache.filled = false;
    cache.refreshedAt = 0;
    cache.installed = false;
    cache.settings = CompanionSettings{};
    cache.path.clear();
    cache.lastWriteTime = 0;
}
}  // namespace testing

}  // namespace quellora
