#include "profiles/profile_store.h"

#include <algorithm>

#include "model/persisted_store.h"
#include "model/plan_json.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

using json = nlohmann::json;

constexpr std::u16string_view kReservedCharacters = u"\\/:*?\"<>|";
constexpr std::u16string_view kExtension = u".json";

bool IsReservedDeviceName(std::u16string_view name) {
    // Windows maps "CON", "con.txt" and "CON .json" alike to the device.
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
    static const std::u16string_view kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (auto device : kDevices) {
        if (EqualsIgnoreAsciiCase(base, device)) return true;
    }
    if (base.size() == 4 && (EqualsIgnoreAsciiCase(base.substr(0, 3), u"COM") || EqualsIgnoreAsciiCase(base.substr(0, 3), u"LPT")))
        return base[3] >= u'1' && base[3] <= u'9';
    return false;
}

bool ReadProfileObject(const json& document, ProfileInfo& info) {
    auto profile = document.find("profile");
    if (profile == document.end() || !profile->is_object()) return true;
    auto field = [&](const char* key, std::u16string& target) {
        auto it = profile->find(key);
        if (it == profile->end()) return true;
        if (!it->is_string()) return false;
        target = Utf8ToUtf16(it->get<std::string>());
        return true;
    };
    std::u16string guidText;
    if (!field("captured", info.captured) || !field("capturedFromPlan", info.capturedFromPlan) ||
        !field("capturedFromPlanGuid", guidText) || !field("cpu", info.cpu) || !field("name", info.name) ||
        !field("osBuild", info.osBuild))
        return false;
    if (!StringToGuid(guidText, info.capturedFromPlanGuid)) info.capturedFromPlanGuid = Guid{};
    return true;
}

std::u16string FileStem(std::u16string_view path) {
    std::u16string file = FileNamePart(path);
    size_t dot = file.rfind(u'.');
    return dot == std::u16string::npos ? file : file.substr(0, dot);
}

}  // namespace

std::u16string OsBuildText() {
    OsVersion os;
    if (!Sys().system || !Sys().system->GetOsVersion(os)) return {};
    return Format(u"%lu.%lu.%lu", os.major, os.minor, os.build);
}

std::u16string ProfileFolder() {
    std::u16string local = Sys().folders ? Sys().folders->LocalAppData() : std::u16string();
    if (local.empty()) return {};
    std::u16string app = JoinPath(local, u"Quellora");
    std::u16string folder = JoinPath(app, u"Profiles");
    CreateDirectories(app);
    CreateDirectories(folder);
    return folder;
}

std::u16string ProfilePath(std::u16string_view name) {
    std::u16string file = std::u16string(name) + std::u16string(kExtension);
    return PathIgnoringCase(ProfileFolder(), file);
}

bool IsValidProfileName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxProfileNameLength) return false;
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F || kReservedCharacters.find(c) != std::u16string_view::npos) return false;
    }
    if (name.front() == u' ' || name.back() == u' ' || name.back() == u'.') return false;
    return !IsReservedDeviceName(name);
}

std::u16string SuggestProfileName(std::u16string_view text) {
    std::u16string first;
    for (char16_t c : text) {
        if (c < 0x20 || c == 0x7F) continue;  // control characters cannot stand in a file name
        if (kReservedCharacters.find(c) != std::u16string_view::npos) {
            first += (first.empty() || first.back() == u' ') ? u"- " : u" - ";
        } else {
            first.push_back(c);
        }
    }
    std::u16string collapsed;
    for (char16_t c : first) {
        if (c == u' ' && !collapsed.empty() && collapsed.back() == u' ') continue;
        collapsed.push_back(c);
    }
    while (!collapsed.empty() && (collapsed.back() == u' ' || collapsed.back() == u'.' || collapsed.back() == u'-'))
        collapsed.pop_back();
    size_t start = collapsed.find_first_not_of(u' ');
    collapsed = start == std::u16string::npos ? std::u16string() : collapsed.substr(start);
    if (collapsed.size() > kMaxProfileNameLength) collapsed.resize(kMaxProfileNameLength);
    return collapsed;
}

bool ProfileExists(std::u16string_view name) {
    if (!IsValidProfileName(name)) return false;
    std::u16string folder = ProfileFolder();
    return !folder.empty() && FileExists(ProfilePath(name));
}

bool LoadProfileFile(std::u16string_view path, PlanSettings& settings, ProfileInfo& info) {
    std::string bytes;
    if (!ReadWholeFile(path, kMaxProfileFileBytes, bytes)) return false;
    std::string_view text = bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    try {
        json document;
        PlanSettings loaded;
        ProfileInfo read;
        if (!ParseJsonText(text, document) || !FromJsonValue(document, loaded) || !ReadProfileObject(document, read))
            return false;
        read.path = std::u16string(path);
        if (read.name.empty()) read.name = FileStem(path);
        settings = std::move(loaded);
        info = std::move(read);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool LoadProfile(std::u16string_view name, PlanSettings& settings, ProfileInfo& info) {
    if (!IsValidProfileName(name) || ProfileFolder().empty()) return false;
    return LoadProfileFile(ProfilePath(name), settings, info);
}

std::vector<ProfileInfo> ListProfiles() {
    std::vector<ProfileInfo> list;
    std::u16string folder = ProfileFolder();
    std::vector<FileInfo> entries;
    if (folder.empty() || !ListDirectory(folder, entries)) return list;
    for (const auto& entry : entries) {
        if (entry.isDirectory || !EndsWithIgnoreAsciiCase(entry.name, kExtension)) continue;
        PlanSettings settings;
        ProfileInfo info;
        if (LoadProfileFile(JoinPath(folder, entry.name), settings, info)) list.push_back(std::move(info));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const ProfileInfo& a, const ProfileInfo& b) { return a.captured > b.captured; });
    return list;
}

std::string ProfileText(const ProfileInfo& info, const PlanSettings& settings) {
    json document = ToJsonValue(settings);
    document["profile"] = {
        {"captured", Utf16ToUtf8(info.captured)},
        {"capturedFromPlan", Utf16ToUtf8(info.capturedFromPlan)},
        {"capturedFromPlanGuid", Utf16ToUtf8(GuidToText(info.capturedFromPlanGuid))},
        {"cpu", Utf16ToUtf8(info.cpu)},
        {"name", Utf16ToUtf8(info.name)},
        {"osBuild", Utf16ToUtf8(info.osBuild)},
    };
    return document.dump(2, ' ', false, json::error_handler_t::replace);
}

bool SaveProfile(const ProfileInfo& info, const PlanSettings& settings) {
    if (!IsValidProfileName(info.name) || ProfileFolder().empty()) return false;
    return WriteFileAtomic(ProfilePath(info.name), ProfileText(info, settings));
}

bool SaveNewProfile(const ProfileInfo& info, const PlanSettings& settings, bool& existed) {
    existed = false;
    if (!IsValidProfileName(info.name) || ProfileFolder().empty()) return false;
    const CreateResult result = CreateFileAtomic(ProfilePath(info.name), ProfileText(info, settings));
    existed = result == CreateResult::Exists;
    return result == CreateResult::Created;
}

bool DeleteProfile(std::u16string_view name) {
    if (!IsValidProfileName(name) || ProfileFolder().empty()) return false;
    std::u16string path = ProfilePath(name);
    return !FileExists(path) || DeleteFileAt(path);
}

bool RenameProfile(std::u16string_view oldName, std::u16string_view newName, bool replace) {
    if (!IsValidProfileName(oldName) || !IsValidProfileName(newName)) return false;
    // Saving under the new name would write the old profile's own file, which the delete then removes.
    if (FoldCase(oldName) == FoldCase(newName)) return false;
    if (!replace && ProfileExists(newName)) return false;
    PlanSettings settings;
    ProfileInfo info;
    if (!LoadProfile(oldName, settings, info)) return false;
    info.name = std::u16string(newName);
    // With consent the other profile's file is written over in one step; without it a
    // profile of that name made meanwhile by another program is never overwritten.
    bool existed = false;
    if (!(replace ? SaveProfile(info, settings) : SaveNewProfile(info, settings, existed))) return false;
    return DeleteProfile(oldName);
}

bool ExportProfile(std::u16string_view name, std::u16string_view targetPath) {
    if (!ProfileExists(name)) return false;
    std::string bytes;
    if (!ReadWholeFile(ProfilePath(name), kMaxProfileFileBytes, bytes)) return false;
    return WriteFileAtomic(targetPath, bytes);
}

bool ImportProfile(std::u16string_view sourcePath, bool replace, std::u16string& name, bool& existed) {
    existed = false;
    PlanSettings settings;
    ProfileInfo info;
    if (!LoadProfileFile(sourcePath, settings, info)) return false;
    if (!IsValidProfileName(info.name)) return false;
    name = info.name;
    if (ProfileExists(info.name)) {
        existed = true;
        if (!replace) return false;
    }
    if (replace) return SaveProfile(info, settings);
    return SaveNewProfile(info, settings, existed);
}

bool CaptureProfile(PowerSchemeAccess& power, const Guid& plan, std::u16string_view profileName, PlanSettings& settings,
                    ProfileInfo& info) {
    PlanSettings read;
    read.plan = plan;
    if (!ReadFromPlan(power, read, UsualClasses(power, plan), IsHeterogeneousProcessor(), AdvancedSettingGuids()))
        return false;
    ProfileInfo made;
    made.name = std::u16string(profileName);
    made.capturedFromPlan = read.planName;
    made.capturedFromPlanGuid = plan;
    made.cpu = TrimWhite(MainTopology().ProcessorName());
    made.osBuild = OsBuildText();
    made.captured = UtcTimestamp();
    settings = std::move(read);
    info = std::move(made);
    return true;
}

bool ApplyProfile(PowerSchemeAccess& power, const PlanSettings& settings, const Guid& target, bool activate,
                  WriteFailure* failure) {
    if (failure) *failure = WriteFailure{};
    // Writing the plan and updating its remembered copy are one step: a drift
    // check in between would take the profile's values for drift.
    PlanWriteGuard guard;
    if (guard.TimedOut()) return PlanWriteGuard::Failed(failure);
    PlanSettings copy = settings;
    copy.plan = target;
    std::u16string name;
    if (power.ReadPlanName(target, name)) copy.planName = name;
    const std::vector<int32_t> classes = UsualClasses(power, target);
    const bool heterogeneous = IsHeterogeneousProcessor();
    // What the plan holds now of what the profile sets, to put back when a
    // write fails: the typed values here, the advanced ones as they are checked below.
    PlanSettings before;
    before.plan = target;
    const bool snapshot = ReadFromPlan(power, before, classes, heterogeneous, {});
    auto present = [&](int32_t cls) { return std::find(classes.begin(), classes.end(), cls) != classes.end(); };
    for (bool ac : {true, false}) {
        SourceSettings& side = ac ? copy.ac : copy.dc;
        std::map<Guid, uint32_t>& held = ac ? before.ac.advanced : before.dc.advanced;
        std::erase_if(side.coreParkingMin, [&](const auto& entry) { return !present(entry.first); });
        std::erase_if(side.minFrequency, [&](const auto& entry) { return !present(entry.first); });
        std::erase_if(side.advanced, [&](const auto& entry) {
            uint32_t value = 0;
            if (!power.ReadSetting(target, guids::kSubProcessor, entry.first, ac, value)) return true;
            held[entry.first] = value;
            return false;
        });
    }

    if (!WriteToPlan(power, copy, heterogeneous, false, activate, failure)) {
        // A failed apply changes nothing: the plan gets its earlier values
        // back, and the remembered copy stays as it was.
        if (snapshot) {
            if (!copy.ac.hasHetero) before.ac.hasHetero = false;
            if (!copy.dc.hasHetero) before.dc.hasHetero = false;
            WriteToPlan(power, before, heterogeneous, false, activate);
        }
        return false;
    }
    if (HasStored(power, target)) {
        SaveStoredSide(power, target, true, copy.ac);
        SaveStoredSide(power, target, false, copy.dc);
    }
    return true;
}

}  // namespace quellora
