// /selftest: the program's own checks against the live system. Each check prints
// PASS or FAIL (or a SKIP line); the exit code is the number of failures. Every
// plan, profile and file it makes is removed again, and the registry values it
// touches are put back, also when checks fail. What it makes never takes the
// place of something of the user's: where a plan, profile or file of the user's
// carries one of its names, it numbers its own; its drift checks log to a file
// of their own; settings its writes made visible in the Power Options are
// hidden again.
#include <algorithm>
#include <functional>
#include <optional>

#include "app/console_frame.h"
#include "boost/boost_settings.h"
#include "diag/selftest.h"
#include "model/drift.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "model/plan_editor.h"
#include "model/plan_json.h"
#include "model/presets.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/report_output.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "profiles/profile_store.h"
#include "tray/companion.h"

namespace quellora {

namespace {

constexpr std::u16string_view kScratchName = u"Quellora self-test (safe to delete)";
constexpr std::u16string_view kProfileName = u"Quellora self-test profile";
constexpr std::u16string_view kRenamedSuffix = u" (renamed)";
constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr size_t kMaxLine = 2048;

class SelfTest {
public:
    explicit SelfTest(std::u16string logPath) : out_(std::move(logPath)) {}

    void Print(std::u16string_view text) {
        std::u16string line(text.substr(0, kMaxLine));
        out_.Line(line);
        if (Sys().console) Sys().console->DebugOutput(line + u"\r\n");
    }
    bool Check(bool ok, std::u16string_view description) {
        Print(Format(u"  %s  %s", ok ? u"PASS" : u"FAIL", description));
        if (!ok) ++failures_;
        return ok;
    }
    void Skip(std::u16string_view text) { Print(u"  SKIP  " + std::u16string(text)); }
    void Detail(std::u16string_view text) { Print(u"    " + std::u16string(text)); }
    void Differences(const std::vector<DiffEntry>& diff) {
        for (const auto& d : diff) {
            Print(Format(u"        %s %s: left %s%u, right %s%u", d.ac ? u"AC" : u"DC", d.name,
                         d.leftPresent ? u"" : u"(absent) ", d.left, d.rightPresent ? u"" : u"(absent) ", d.right));
        }
    }
    int failures() const { return failures_; }

private:
    ReportOutput out_;
    int failures_ = 0;
};

// Runs `cleanup` when it goes out of scope.
class Finally {
public:
    explicit Finally(std::function<void()> f) : f_(std::move(f)) {}
    ~Finally() {
        if (f_) f_();
    }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    std::function<void()> f_;
};

// A registry value read now and put back (or deleted again) later.
class SavedValue {
public:
    SavedValue(Hive hive, std::u16string key, std::u16string name) : hive_(hive), key_(std::move(key)), name_(std::move(name)) {
        if (Sys().registry) present_ = Sys().registry->QueryValue(hive_, key_, name_, value_) == 0;
    }
    ~SavedValue() {
        Registry* reg = Sys().registry;
        if (!reg) return;
        if (present_) {
            reg->SetValue(hive_, key_, name_, value_);
        } else {
            reg->DeleteValue(hive_, key_, name_);
        }
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

private:
    Hive hive_;
    std::u16string key_, name_;
    RegValue value_;
    bool present_ = false;
};

// A registry key that may not exist yet: when it did not, it is removed again
// at the end if nothing is left in it.
class SavedKey {
public:
    SavedKey(Hive hive, std::u16string key) : hive_(hive), key_(std::move(key)) {
        existed_ = Sys().registry && Sys().registry->OpenKey(hive_, key_) == 0;
    }
    ~SavedKey() {
        Registry* reg = Sys().registry;
        if (existed_ || !reg) return;
        std::vector<std::u16string> subkeys;
        std::vector<RegEntry> values;
        if (reg->EnumKeys(hive_, key_, subkeys) == 0 && subkeys.empty() && reg->EnumValues(hive_, key_, values) == 0 &&
            values.empty())
            reg->DeleteKey(hive_, key_);
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    Hive hive_;
    std::u16string key_;
    bool existed_ = false;
};

// A folder that may not exist yet: removed again at the end when it did not and is empty.
class SavedFolder {
public:
    explicit SavedFolder(std::u16string path) : path_(std::move(path)), existed_(DirectoryExists(path_)) {}
    ~SavedFolder() {
        if (!existed_ && !path_.empty()) RemoveEmptyDirectory(path_);
    }
    SavedFolder(const SavedFolder&) = delete;
    SavedFolder& operator=(const SavedFolder&) = delete;

private:
    std::u16string path_;
    bool existed_;
};

// `base`, or when `taken` says something of the user's has that name,
// `base` + separator + 2, 3, ...: the name the self-test gives what it makes.
std::u16string UnusedName(std::u16string_view base, std::u16string_view separator,
                          const std::function<bool(const std::u16string&)>& taken) {
    std::u16string name(base);
    for (uint32_t n = 2; taken(name) && n < 1000; ++n) name = std::u16string(base) + std::u16string(separator) + ToDecimal(n);
    return name;
}

// A file name in `folder` no file has: "<stem><extension>", else "<stem>-2<extension>", ...
std::u16string UnusedFile(const std::u16string& folder, std::u16string_view stem, std::u16string_view extension) {
    const std::u16string name = UnusedName(stem, u"-", [&](const std::u16string& candidate) {
        const std::u16string path = JoinPath(folder, candidate + std::u16string(extension));
        return FileExists(path) || DirectoryExists(path);
    });
    return JoinPath(folder, name + std::u16string(extension));
}

std::u16string TempFolder() { return Sys().folders ? Sys().folders->TempPath() : std::u16string(); }

uint32_t Read(PowerSchemeAccess& power, const Guid& plan, const Guid& setting, bool ac, bool& ok) {
    uint32_t value = 0;
    ok = power.ReadSetting(plan, guids::kSubProcessor, setting, ac, value);
    return value;
}

bool Equal(PowerSchemeAccess& power, const Guid& plan, const Guid& setting, uint32_t ac, uint32_t dc) {
    bool okAc = false, okDc = false;
    uint32_t a = Read(power, plan, setting, true, okAc);
    uint32_t d = Read(power, plan, setting, false, okDc);
    return okAc && okDc && a == ac && d == dc;
}

// ---- computing groups -------------------------------------------------------

void GuidGroup(SelfTest& t) {
    t.Print(u"GUID text");
    Guid back;
    t.Check(StringToGuid(GuidToText(guids::kBalanced), back) && back == guids::kBalanced, u"GUID <-> text round trip");
    t.Check(StringToGuid(u"0cc5b647-c1df-4637-891a-dec35c318583", back) && back == guids::kCoreParkingMin0,
            u"StringToGuid accepts a bare lowercase GUID");
}

PlanSettings SampleModel() {
    PlanSettings s;
    s.plan = guids::kBalanced;
    s.planName = u"Quellora sélf-test – 日本語 ✓";
    s.ac.coreParkingMin = {{0, 50}, {1, 30}};
    s.ac.minFrequency = {{0, 5}, {1, 7}};
    s.ac.advanced = {{kPerfCheck, 15}, {GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732"), 1}};
    s.ac.hasHetero = true;
    s.ac.heteroPolicy = 4;
    s.ac.heteroShortPolicy = 1;
    s.ac.heteroLongPolicy = 2;
    s.dc = s.ac;
    s.dc.coreParkingMin[0] = 20;
    s.dc.hasHetero = false;
    return s;
}

void JsonGroup(SelfTest& t) {
    t.Print(u"JSON");
    const PlanSettings model = SampleModel();
    PlanSettings back;
    const bool accepted = FromJson(ToJson(model), back);
    t.Check(accepted, u"FromJson accepts ToJson output");
    t.Check(accepted && Equals(back, model) && back.plan == model.plan, u"JSON round trip preserves every value");
    t.Check(accepted && back.planName == model.planName, u"JSON round trip preserves the plan name (UTF-8)");
    PlanSettings target = model;
    t.Check(!FromJson("{ not json", target), u"FromJson rejects malformed input");
    t.Check(!FromJson(R"({"format":99,"plan":"{12345678-1234-5678-9ABC-DEF012345678}","ac":{},"dc":{}})", target),
            u"FromJson rejects an unknown format version");
    t.Check(!FromJson(R"({"format":1,"plan":"nope","ac":{},"dc":{}})", target), u"FromJson rejects a bad plan GUID");
}

void DiffGroup(SelfTest& t) {
    t.Print(u"Diff");
    PlanSettings left = SampleModel();
    left.dc = left.ac;
    left.dc.hasHetero = false;
    t.Check(Diff(left, left).empty(), u"a model has no differences with itself");
    PlanSettings right = left;
    right.dc.coreParkingMin[0] = 70;  // changed
    right.dc.coreParkingMin.erase(1);  // removed
    right.dc.hasHetero = true;         // three added
    right.dc.heteroPolicy = 4;
    right.dc.heteroShortPolicy = 1;
    right.dc.heteroLongPolicy = 2;
    auto diff = Diff(left, right);
    int changed = 0, removed = 0, added = 0;
    for (const auto& d : diff) {
        if (d.leftPresent && d.rightPresent) ++changed;
        if (d.leftPresent && !d.rightPresent) ++removed;
        if (!d.leftPresent && d.rightPresent) ++added;
    }
    t.Check(diff.size() == 5 && changed == 1 && removed == 1 && added == 3,
            u"Diff reports a changed, a removed and three added (hetero) values");
    auto entry = std::find_if(diff.begin(), diff.end(), [](const DiffEntry& d) { return d.name == u"CoreParkingMin[0]"; });
    t.Check(entry != diff.end() && !entry->ac && entry->left == 50 && entry->right == 70,
            u"Diff carries the old and new value of a changed setting");
}

void BoostGroup(SelfTest& t) {
    t.Print(u"Dynamic Boost decision");
    BoostSettings s;
    s.activePlan = guids::kHighPerformance;
    s.idlePlan = guids::kPowerSaver;
    s.activePlanDC = guids::kBalanced;
    s.idlePlanDC = guids::kOverlay1;
    s.idleTimeoutMs = 300000;
    auto decide = [&](const BoostSettings& settings, auto setup) {
        BoostInputs in;
        in.idleMs = 1000;
        setup(in);
        return DecideBoost(settings, in);
    };
    auto is = [](const BoostDecision& d, bool paused, bool idle, BoostReason reason, const Guid& plan) {
        return d.paused == paused && d.idle == idle && d.reason == reason && d.plan == plan;
    };
    t.Check(is(decide(s, [](BoostInputs&) {}), false, false, BoostReason::Input, s.activePlan), u"recent input: in-use plan");
    t.Check(is(decide(s, [](BoostInputs& in) { in.idleMs = 300000; }), false, true, BoostReason::IdleTimeout, s.idlePlan),
            u"idle for the timeout: idle plan");
    t.Check(is(decide(s, [](BoostInputs& in) { in.displayOff = true; }), false, true, BoostReason::DisplayOff, s.idlePlan),
            u"display off counts as idle at once");
    t.Check(is(decide(s, [](BoostInputs& in) { in.lidClosed = true; }), false, true, BoostReason::LidClosed, s.idlePlan),
            u"lid closed counts as idle at once");
    t.Check(is(decide(s, [](BoostInputs& in) { in.locked = true; }), false, true, BoostReason::Locked, s.idlePlan),
            u"locked counts as idle at once");
    BoostSettings notAway = s;
    notAway.awayIsIdle = false;
    t.Check(is(decide(notAway, [](BoostInputs& in) { in.locked = true; }), false, false, BoostReason::Input, s.activePlan),
            u"with the option off, locked alone is not idle");
    t.Check(is(decide(s, [](BoostInputs& in) { in.onBattery = true; }), false, false, BoostReason::Input, s.activePlan),
            u"on battery, same plans: in-use plan");
    BoostSettings battery = s;
    battery.batteryMode = BatteryMode::BatteryPlans;
    t.Check(is(decide(battery, [](BoostInputs& in) { in.onBattery = true; }), false, false, BoostReason::Input,
               s.activePlanDC),
            u"on battery, different plans: battery in-use plan");
    t.Check(is(decide(battery, [](BoostInputs& in) { in.onBattery = true; in.idleMs = 400000; }), false, true,
               BoostReason::IdleTimeout, s.idlePlanDC),
            u"on battery, different plans, idle: battery idle plan");
    BoostSettings pause = s;
    pause.batteryMode = BatteryMode::Pause;
    t.Check(is(decide(pause, [](BoostInputs& in) { in.onBattery = true; }), true, true, BoostReason::BatteryPause, s.idlePlan),
            u"on battery, pause: paused, idle plan once");
    t.Check(is(decide(pause, [](BoostInputs&) {}), false, false, BoostReason::Input, s.activePlan),
            u"plugged in again: in-use plan");
    t.Check(is(decide(s, [](BoostInputs& in) { in.batterySaver = true; }), true, true, BoostReason::BatterySaver, s.idlePlan),
            u"Battery Saver pauses");
    BoostSettings noSaver = s;
    noSaver.pauseOnBatterySaver = false;
    t.Check(is(decide(noSaver, [](BoostInputs& in) { in.batterySaver = true; }), false, false, BoostReason::Input,
               s.activePlan),
            u"Battery Saver ignored when that option is off");

    // The older "pause on battery" value, with the user's values put back afterwards.
    Registry* reg = Sys().registry;
    if (!reg || reg->CreateKey(Hive::CurrentUser, kAppKey) != 0) {
        t.Check(false, u"open the Quellora registry key");
        return;
    }
    SavedValue mode(Hive::CurrentUser, std::u16string(kAppKey), u"DynDCMode");
    SavedValue old(Hive::CurrentUser, std::u16string(kAppKey), u"DynDisableOnDC");
    reg->DeleteValue(Hive::CurrentUser, kAppKey, u"DynDCMode");
    WriteDword(Hive::CurrentUser, kAppKey, u"DynDisableOnDC", 1);
    t.Check(GetBatteryMode() == BatteryMode::Pause, u"old 'pause on battery' setting reads as Pause");
    SetBatteryMode(BatteryMode::BatteryPlans);
    uint32_t storedMode = 9, storedOld = 9;
    ReadDword(Hive::CurrentUser, kAppKey, u"DynDCMode", storedMode);
    ReadDword(Hive::CurrentUser, kAppKey, u"DynDisableOnDC", storedOld);
    t.Check(storedMode == 1 && storedOld == 0 && GetBatteryMode() == BatteryMode::BatteryPlans,
            u"new battery setting saved, old value kept in step");
}

void WriteUtf16File(const std::u16string& path, std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    WriteFileAtomic(path, bytes);
}

void CompanionGroup(SelfTest& t) {
    t.Print(u"Taskwarden conflict detection");
    const std::u16string temp = TempFolder();
    const std::u16string all = UnusedFile(temp, u"quellora-selftest-twarden-all", u".ini");
    const std::u16string none = UnusedFile(temp, u"quellora-selftest-twarden-none", u".ini");
    Finally removeFiles([&] {
        DeleteFileAt(all);
        DeleteFileAt(none);
    });
    WriteUtf16File(all,
                   u"[PowerSaver]\r\nEnergySaverEnabled=true\r\nPowerSaver_IdleTime=300\r\nPowerSaver_TargetGUID=Power saver\r\n"
                   u"[Rules]\r\nDefaultPowerSchemes=game*.exe;high performance,c:\\tools\\a\\,b.exe;balanced\r\n"
                   u"[Gaming]\r\nGamingChangePowerPlan=true\r\nAutomaticGamingModeProcessPaths=game.exe\r\n"
                   u"[Load]\r\nLoadBasedPowerSwitcherEnabled=true\r\n[Start]\r\nStartWithPowerPlan=Balanced\r\n"
                   u"[Later]\r\nStartWithPowerPlan=\r\n");
    WriteFileAtomic(none,
                    "[PowerSaver]\r\nEnergySaverEnabled=false\r\nGamingChangePowerPlan=false\r\n"
                    "LoadBasedPowerSwitcherEnabled=false\r\nStartWithPowerPlan=\r\n");
    const CompanionSettings s = EvaluateCompanionSettings(ReadFlatIni(all));
    t.Check(ConflictsForFile(all).size() == 5 && s.restwellOn && s.performanceModeAuto && s.loadSwitcherOn,
            u"every conflicting Taskwarden setting is found (Restwell, app rules, Performance Mode, load switcher, start with)");
    t.Check(s.appRuleCount == 2 && s.firstAppRule == u"game*.exe", u"application rules counted with an escaped comma, first one named");
    t.Check(s.startWithPlan == u"Balanced", u"the 'start with' plan is named, and the first duplicate key wins");
    t.Check(ConflictsForFile(none).empty(), u"an ANSI config with those settings off has no conflicts");
    t.Check(ConflictsForFile(u"C:\\nonexistent\\twarden.ini").empty(), u"a missing config has no conflicts");
}

// ---- live groups --------------------------------------------------------------

// The number after `at` in powercfg's text ("0x00000025").
uint64_t ParseHexAfter(const std::string& text, size_t at) {
    while (at < text.size() && text[at] == ' ') ++at;
    uint64_t value = 0;
    if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) {
        for (at += 2; at < text.size(); ++at) {
            char c = text[at];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) break;
            value = value << 4 | static_cast<uint64_t>(d);
        }
        return value;
    }
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) value = value * 10 + static_cast<uint64_t>(text[at] - '0');
    return value;
}

struct Live {
    PowerSchemeAccess& power;
    std::u16string scratchName;  // the name of every plan the self-test makes
    Guid scratch;
    bool heterogeneous = false;
    PlanSettings written;  // what the model wrote into the scratch plan, read back
    bool haveWritten = false;
};

bool ReadModel(PowerSchemeAccess& power, const Guid& plan, PlanSettings& out, bool heterogeneous) {
    out = PlanSettings{};
    out.plan = plan;
    return ReadFromPlan(power, out, UsualClasses(power, plan), heterogeneous, AdvancedSettingGuids());
}

void PowercfgCheck(SelfTest& t, const Guid& plan, const char16_t* alias, const char16_t* what, uint32_t ac, uint32_t dc) {
    Processes* processes = Sys().processes;
    std::string output;
    if (processes) {
        std::u16string bare = GuidToBareText(plan);
        output = processes->Run(u"\"" + PowercfgPath() + u"\" /q " + bare + u" SUB_PROCESSOR " + alias, 30000, true).output;
    }
    auto index = [&](const char* side) -> std::optional<uint32_t> {
        std::string key = std::string(side) + " Power Setting Index:";
        auto at = output.find(key);
        if (at == std::string::npos) return std::nullopt;
        return static_cast<uint32_t>(ParseHexAfter(output, at + key.size()));
    };
    auto a = index("AC");
    auto d = index("DC");
    if (!a || !d) {
        t.Skip(Format(u"powercfg /q did not report the %s (attribute hidden on this system, or non-English locale)", what));
        return;
    }
    if (!t.Check(*a == ac && *d == dc, Format(u"powercfg /q agrees on the %s (AC %u, DC %u)", what, ac, dc)))
        t.Print(Format(u"        powercfg reported AC %u, DC %u", *a, *d));
}


// "Live scratch plan (duplicate of Balanced)": false when no scratch plan could be made.
bool ScratchGroup(SelfTest& t, Live& live) {
    t.Print(u"Live scratch plan (duplicate of Balanced)");
    if (!live.power.available()) {
        t.Check(false, u"scratch plan created (the Windows power management functions " + live.power.MissingFunctions() +
                           u" are missing)");
        return false;
    }
    Guid scratch;
    bool created = live.power.DuplicatePlan(guids::kBalanced, scratch) && !scratch.IsNull();
    if (created) created = live.power.WritePlanName(scratch, live.scratchName);
    if (!t.Check(created, u"scratch plan created (requires administrator rights)")) {
        if (!scratch.IsNull()) live.power.DeletePlan(scratch);
        return false;
    }
    live.scratch = scratch;
    t.Detail(Format(u"scratch plan %s", GuidToText(scratch)));

    PlanSettings model;
    const bool read = ReadModel(live.power, scratch, model, live.heterogeneous);
    t.Check(read, u"model reads the scratch plan");
    auto entries = [](const SourceSettings& s) { return static_cast<uint32_t>(s.coreParkingMin.size() + s.minFrequency.size()); };
    t.Detail(Format(u"read %u/%u class entries AC/DC, %u/%u advanced attributes, hetero %s", entries(model.ac),
                    entries(model.dc), static_cast<uint32_t>(model.ac.advanced.size()),
                    static_cast<uint32_t>(model.dc.advanced.size()), model.ac.hasHetero ? u"yes" : u"no"));
    if (!read) return true;
    model.ac.coreParkingMin[0] = 37;
    model.dc.coreParkingMin[0] = 41;
    model.ac.minFrequency[0] = 23;
    model.dc.minFrequency[0] = 29;
    WriteFailure failure;
    if (!t.Check(WriteToPlan(live.power, model, live.heterogeneous, false, false, &failure),
                 u"model writes the scratch plan")) {
        if (failure.busy)
            t.Print(Format(u"        another program kept the power plans busy (error %u)", failure.error));
        else if (failure.failed && !failure.activationFailed)
            t.Print(Format(u"        Windows refused %s %s = %u (error %u)", failure.entry.ac ? u"AC" : u"DC",
                           GuidToText(failure.entry.setting), failure.entry.value, failure.error));
        return true;
    }
    PlanSettings back;
    ReadModel(live.power, scratch, back, live.heterogeneous);
    auto diff = Diff(model, back);
    t.Check(diff.empty(), u"re-reading the plan returns exactly what was written");
    t.Differences(diff);
    live.written = back;
    live.haveWritten = true;
    // Shown in the Power Options, as the writes of the editors leave them, so
    // that powercfg /q lists them; hidden again at the end.
    live.power.UnhideSetting(guids::kCoreParkingMin0);
    live.power.UnhideSetting(guids::kMinProcessorState0);
    PowercfgCheck(t, scratch, u"CPMINCORES", u"minimum unparked cores", 37, 41);
    PowercfgCheck(t, scratch, u"PROCTHROTTLEMIN", u"minimum processor state", 23, 29);
    return true;
}

void ProfilesGroup(SelfTest& t, Live& live) {
    t.Print(Format(u"Profiles (%s)", ProfileFolder()));
    t.Check(SuggestProfileName(u"Balanced: High Performance Overlay") == u"Balanced - High Performance Overlay",
            u"suggested profile name from a power mode name is valid");
    t.Check(SuggestProfileName(u"  a/b?c. ") == u"a - b - c", u"suggested name drops every reserved character and trailing dots");

    const std::u16string exported = UnusedFile(TempFolder(), u"quellora-selftest-export", u".json");
    // Names no profile of the user's has, for the profile and its renamed self.
    const std::u16string profileName = UnusedName(kProfileName, u" ", [](const std::u16string& candidate) {
        return ProfileExists(candidate) || ProfileExists(candidate + std::u16string(kRenamedSuffix));
    });
    const std::u16string renamedProfile = profileName + std::u16string(kRenamedSuffix);
    Finally cleanup([&] {
        DeleteProfile(profileName);
        DeleteProfile(renamedProfile);
        DeleteFileAt(exported);
    });
    PlanSettings captured;
    ProfileInfo info;
    if (!t.Check(CaptureProfile(live.power, live.scratch, profileName, captured, info), u"profile captured from the scratch plan"))
        return;
    PlanSettings now;
    ReadModel(live.power, live.scratch, now, live.heterogeneous);
    t.Check(Equals(captured, now), u"captured profile equals the plan as written");
    bool existed = false;
    if (!t.Check(SaveNewProfile(info, captured, existed), u"profile saved")) return;
    t.Check(ProfileExists(profileName), u"profile listed as existing");
    auto list = ListProfiles();
    auto listed = std::find_if(list.begin(), list.end(), [&](const ProfileInfo& p) { return p.name == profileName; });
    t.Check(listed != list.end() && listed->capturedFromPlanGuid == live.scratch && listed->capturedFromPlan == live.scratchName &&
                listed->cpu == info.cpu && listed->osBuild == info.osBuild && listed->captured == info.captured,
            u"List() returns the profile with its provenance");
    PlanSettings loaded;
    ProfileInfo loadedInfo;
    t.Check(LoadProfile(profileName, loaded, loadedInfo) && Equals(loaded, captured) && loaded.plan == captured.plan &&
                loadedInfo.capturedFromPlanGuid == live.scratch,
            u"profile loads back identical");
    // Something else on the plan first, so that applying has work to do.
    live.power.WriteCoreParkingMin(live.scratch, 0, true, 88);
    t.Check(ApplyProfile(live.power, loaded, live.scratch, false), u"profile applied to the scratch plan");
    PlanSettings after;
    ReadModel(live.power, live.scratch, after, live.heterogeneous);
    t.Check(Equals(after, loaded), u"plan matches the profile after apply");
    t.Check(RenameProfile(profileName, renamedProfile) && ProfileExists(renamedProfile) && !ProfileExists(profileName),
            u"profile renamed");
    t.Check(ExportProfile(renamedProfile, exported) && FileExists(exported), u"profile exported");
    std::u16string importedName;
    t.Check(ImportProfile(exported, true, importedName, existed) && importedName == renamedProfile,
            u"profile imported under its stored name");
    t.Check(!ImportProfile(exported, false, importedName, existed) && existed, u"import refuses to overwrite without consent");
    t.Check(DeleteProfile(renamedProfile) && !ProfileExists(renamedProfile), u"profile deleted");
}

void PersistenceGroup(SelfTest& t, Live& live) {
    t.Print(u"Persistence (HKCU\\Software\\Quellora\\PersistedPowerPlans)");
    PlanSettings model;
    ReadModel(live.power, live.scratch, model, live.heterogeneous);
    t.Check(SaveStoredSide(live.power, live.scratch, true, model.ac) && SaveStoredSide(live.power, live.scratch, false, model.dc),
            u"persister saves the model");
    PlanSettings loaded;
    t.Check(LoadStored(live.power, live.scratch, loaded), u"persister loads it back");
    t.Check(Equals(loaded, model), u"loaded model equals the saved one");
}

void DriftGroup(SelfTest& t, Live& live) {
    t.Print(u"Drift detection");
    // A log of its own: the user's drift.log is neither read nor written.
    const std::u16string log = UnusedFile(TempFolder(), u"quellora-selftest-drift", u".log");
    Finally removeLog([&] { DeleteFileAt(log); });
    DriftLogRedirect redirect(log);
    auto lines = [] { return ReadDriftLog().size(); };
    bool ok = false;
    const uint32_t original = Read(live.power, live.scratch, guids::kCoreParkingMin0, true, ok);
    const uint32_t changed = original == 60 ? 61 : 60;
    live.power.WriteCoreParkingMin(live.scratch, 0, true, changed);  // as another program would
    size_t before = lines();
    DriftRecord record;
    bool drifted = CheckDrift(live.power, live.scratch, drift::kLog, true, &record);
    t.Check(drifted && lines() == before + 1 && Read(live.power, live.scratch, guids::kCoreParkingMin0, true, ok) == changed,
            u"drift detected in log mode without touching the plan");
    t.Check(CheckDrift(live.power, live.scratch, drift::kLog, true, &record) && lines() == before + 1,
            u"unchanged drift is logged once in log mode");
    live.power.WriteCoreParkingMin(live.scratch, 0, false, changed);
    t.Check(CheckDrift(live.power, live.scratch, drift::kLog, true, &record) && lines() == before + 2,
            u"a changed drift is logged again");
    t.Check(CheckDrift(live.power, live.scratch, drift::kRestore, true, &record) && record.restored,
            u"drift restored in reapply mode");
    PlanSettings stored, now;
    LoadStored(live.power, live.scratch, stored);
    now.plan = live.scratch;
    ReadFromPlan(live.power, now, StoredClasses(stored), live.heterogeneous, StoredAdvanced(stored));
    if (!stored.ac.hasHetero) now.ac.hasHetero = false;
    if (!stored.dc.hasHetero) now.dc.hasHetero = false;
    t.Check(Diff(stored, now).empty(), u"plan matches the persisted settings after restore");
    t.Check(!CheckDrift(live.power, live.scratch, drift::kRestore, true, &record), u"no drift reported once restored");
    live.power.WriteCoreParkingMin(live.scratch, 0, true, changed);
    t.Check(!CheckDrift(live.power, live.scratch, drift::kOff, true, &record), u"drift mode off never reports");
    live.power.WriteCoreParkingMin(live.scratch, 0, true, original);
}

void StagingGroup(SelfTest& t, Live& live) {
    t.Print(u"Staged preset, then the editor's fields");
    bool ok = false;
    EditorState editor;
    LoadEditor(live.power, live.scratch, 0, editor);
    StagePreset(live.power, editor, preset::kResponsive);
    editor.fields.parkingAc = 37;
    t.Check(ApplyEditor(live.power, editor), u"staged Responsive and the fields written");
    t.Check(Read(live.power, live.scratch, guids::kCoreParkingMin0, true, ok) == 37 && ok, u"a field edited after staging wins");
    t.Check(Read(live.power, live.scratch, guids::kCoreParkingMin0, false, ok) == 100 && ok,
            u"the staged floor is written where the field kept it");
    if (live.heterogeneous) {
        t.Check(Equal(live.power, live.scratch, guids::kCoreParkingMin1, 100, 100), u"the class not on screen keeps the preset floor");
    } else {
        t.Skip(u"the class not on screen keeps the preset floor (one efficiency class on this processor)");
    }
    t.Check(Equal(live.power, live.scratch, kPerfCheck, 15, 15), u"the preset's timing settings are written");

    live.power.WriteSetting(live.scratch, guids::kSubProcessor, kPerfCheck, true, 40);
    uint32_t class1Before = Read(live.power, live.scratch, guids::kCoreParkingMin1, true, ok);
    const bool hasClass1 = ok;
    LoadEditor(live.power, live.scratch, 0, editor);
    editor.fields.parkingAc = 55;
    t.Check(ApplyEditor(live.power, editor) && Read(live.power, live.scratch, guids::kCoreParkingMin0, true, ok) == 55,
            u"no preset staged: the fields alone are written");
    bool class1Same = !hasClass1 || (Read(live.power, live.scratch, guids::kCoreParkingMin1, true, ok) == class1Before && ok);
    t.Check(Read(live.power, live.scratch, kPerfCheck, true, ok) == 40 && class1Same, u"without a staged preset nothing else changes");
}

void PresetsGroup(SelfTest& t, Live& live) {
    t.Print(u"Presets (parking floor)");
    t.Check(ApplyPreset(live.power, live.scratch, preset::kResponsive, Sides::Both), u"Responsive preset applied");
    t.Check(Equal(live.power, live.scratch, guids::kCoreParkingMin0, 100, 100),
            u"Responsive leaves every class-0 core unparked (AC and DC)");
    if (live.heterogeneous) {
        t.Check(Equal(live.power, live.scratch, guids::kCoreParkingMin1, 100, 100), u"Responsive leaves every class-1 core unparked");
    } else {
        t.Skip(u"Responsive leaves every class-1 core unparked (one efficiency class on this processor)");
    }
    PlanSettings stored;
    t.Check(LoadStored(live.power, live.scratch, stored) && stored.ac.coreParkingMin[0] == 100 && stored.dc.coreParkingMin[0] == 100,
            u"persisted settings follow the preset");
    t.Check(!CheckDrift(live.power, live.scratch, drift::kLog, false, nullptr), u"no drift reported after a preset");
    t.Check(ApplyPreset(live.power, live.scratch, preset::kPowerSaver, Sides::Both), u"Power-Saver preset applied");
    t.Check(Equal(live.power, live.scratch, guids::kCoreParkingMin0, 0, 0), u"Power-Saver lets Windows park every class-0 core");
    uint32_t value = 0;
    t.Check(!ReadWindowsDefault(live.scratch, guids::kCoreParkingMin0, true, value) &&
                !ReadWindowsDefault(live.scratch, guids::kCoreParkingMin0, false, value),
            u"a copy of a Windows plan has no Windows defaults");
    t.Check(ReadWindowsDefault(guids::kBalanced, guids::kCoreParkingMin0, true, value), u"Balanced has Windows defaults");
    t.Check(DetectPreset(live.power, live.scratch, Sides::Both) != preset::kWindowsDefaults,
            u"a copy never matches the Windows-defaults preset");
    t.Check(DeleteStored(live.power, live.scratch) && !HasStored(live.power, live.scratch), u"persister deletes it");
}

// A copy of `source` named as the self-test's plans; deleted when `copy` goes.
struct PlanCopy {
    PowerSchemeAccess& power;
    Guid plan;
    PlanCopy(PowerSchemeAccess& p, const Guid& source, std::u16string_view name) : power(p) {
        Guid made;
        if (power.DuplicatePlan(source, made) && !made.IsNull()) {
            plan = made;
            power.WritePlanName(plan, name);
        }
    }
    bool Delete() {
        if (plan.IsNull()) return true;
        bool ok = power.DeletePlan(plan);
        if (ok) plan = Guid{};
        return ok;
    }
    ~PlanCopy() { Delete(); }
};

const char16_t* PresetName(int number) {
    switch (number) {
        case preset::kResponsive: return u"Responsive";
        case preset::kPowerSaver: return u"Power-Saver";
        default: return u"Balanced (Windows defaults)";
    }
}

void AdvancedWritesGroup(SelfTest& t, Live& live, const Guid& source, std::u16string_view label) {
    t.Print(Format(u"Advanced Core Parking writes (copy of %s)", label));
    PlanCopy copy(live.power, source, live.scratchName);
    if (!t.Check(!copy.plan.IsNull(), u"copy created")) return;
    // The advanced editor writes back every value it shows.
    std::vector<SettingWrite> values;
    for (const Guid& setting : AdvancedSettingGuids()) {
        for (bool ac : {true, false}) {
            bool ok = false;
            uint32_t v = Read(live.power, copy.plan, setting, ac, ok);
            if (ok) values.push_back({setting, ac, v});
        }
    }
    bool written = live.power.WriteSettings(copy.plan, values, false);
    for (const auto& w : values) {
        bool ok = false;
        written = written && Read(live.power, copy.plan, w.setting, w.ac, ok) == w.value && ok;
    }
    t.Check(written, u"the editors' values are written back (AC and DC)");
    for (int number : {preset::kResponsive, preset::kPowerSaver, preset::kWindowsDefaults}) {
        auto entries = PresetEntries(live.power, copy.plan, number, Sides::Both);
        bool ok = ApplyPreset(live.power, copy.plan, number, Sides::Both);
        for (const auto& e : entries) {
            bool read = false;
            ok = ok && Read(live.power, copy.plan, e.setting, e.ac, read) == e.value && read;
        }
        t.Check(ok, PresetName(number));
    }
    struct WindowsPlan {
        Guid plan;
        const char16_t* name;
    };
    for (const WindowsPlan& w : {WindowsPlan{guids::kBalanced, u"Balanced"}, WindowsPlan{guids::kHighPerformance, u"High performance"},
                                 WindowsPlan{guids::kPowerSaver, u"Power saver"}}) {
        uint32_t ac = 0, dc = 0;
        if (!ReadWindowsDefault(w.plan, guids::kCoreParkingMin0, true, ac) ||
            !ReadWindowsDefault(w.plan, guids::kCoreParkingMin0, false, dc))
            continue;
        bool ok = live.power.WriteSettings(copy.plan, {{guids::kCoreParkingMin0, true, ac}, {guids::kCoreParkingMin0, false, dc}}, false) &&
                  Equal(live.power, copy.plan, guids::kCoreParkingMin0, ac, dc);
        t.Check(ok, Format(u"%s's stored defaults (%u/%u) are written", w.name, ac, dc));
    }
    t.Check(copy.Delete(), u"copy deleted");
}

void MakerPlanGroup(SelfTest& t, Live& live) {
    t.Print(u"Ostrima Highest Performance settings");
    std::u16string name;
    Guid source = guids::kHighPerformance;
    if (!live.power.ReadPlanName(source, name)) {
        source = guids::kBalanced;
        live.power.ReadPlanName(source, name);
    }
    PlanCopy copy(live.power, source, live.scratchName);
    if (!t.Check(!copy.plan.IsNull(), u"copy created")) return;
    WriteMakerPlanSettings(live.power, copy.plan);
    t.Check(DetectPreset(live.power, copy.plan, Sides::Ac) == preset::kResponsive &&
                DetectPreset(live.power, copy.plan, Sides::Dc) == preset::kResponsive,
            u"a copy of " + name + u" set up as OHP is detected as Responsive (AC and DC)");
    t.Check(copy.Delete(), u"copy deleted");
}

void ProvisionedGroup(SelfTest& t) {
    t.Print(u"Windows defaults tuned for this CPU");
    Registry* reg = Sys().registry;
    uint32_t count = 0;
    bool allMatch = true;
    for (const Guid& setting : EnumerateProcessorSettings()) {
        std::vector<std::u16string> plans;
        if (!reg || reg->EnumKeys(Hive::LocalMachine, ProcessorSettingKey(setting) + u"\\DefaultPowerSchemeValues", plans) != 0)
            continue;
        for (const auto& planKey : plans) {
            Guid plan;
            if (!StringToGuid(planKey, plan)) continue;
            for (bool ac : {true, false}) {
                RegValue v;
                std::u16string key = ProcessorSettingKey(setting) + u"\\DefaultPowerSchemeValues\\" + planKey;
                if (reg->QueryValue(Hive::LocalMachine, key, ac ? u"ProvAcSettingIndex" : u"ProvDcSettingIndex", v) != 0 ||
                    v.data.size() != 4)
                    continue;
                uint32_t provisioned = LittleEndian32(v.data.data());
                uint32_t reported = 0;
                ++count;
                if (!ReadWindowsDefault(plan, setting, ac, reported) || reported != provisioned) {
                    allMatch = false;
                    t.Print(Format(u"        %s %s %s: provisioned %u, reported %u", GuidToText(plan), GuidToText(setting),
                                   ac ? u"AC" : u"DC", provisioned, reported));
                }
            }
        }
    }
    if (count == 0) {
        t.Skip(u"Windows has no CPU-tuned defaults on this system");
        return;
    }
    t.Check(allMatch, Format(u"the CPU-tuned default is reported for all %u that Windows has", count));
}

void CommandLineGroup(SelfTest& t) {
    t.Print(u"Command line");
    auto args = CommandArguments(u"\"C:\\Program Files\\Quellora\\Quellora.exe\" /applyprofile \"My Gaming\" Balanced /replace");
    t.Check(args == std::vector<std::u16string>{u"/applyprofile", u"My Gaming", u"Balanced", u"/replace"},
            u"arguments split after the executable, quotes group, case kept");
    t.Check(IsConsoleCommand(CommandArguments(u"quellora.exe /STATUS")) && IsConsoleCommand(CommandArguments(u"quellora.exe /?")),
            u"commands are found in any case, and /? is help");
    t.Check(!IsConsoleCommand(CommandArguments(u"quellora.exe /systray")) &&
                !IsConsoleCommand(CommandArguments(u"quellora.exe /backupplans")) &&
                !IsConsoleCommand(CommandArguments(u"quellora.exe")),
            u"the other switches and no arguments are not commands");
    t.Check(!IsConsoleCommand(CommandArguments(u"quellora.exe /nosystray /status")), u"a command counts only as the first argument");
}

// The name of the self-test's plans: one no plan of the user's has, and under
// which no remembered copy is kept (the copies are kept by plan name).
std::u16string ScratchPlanName(PowerSchemeAccess& power) {
    return UnusedName(kScratchName, u" ", [&](const std::u16string& candidate) {
        Guid plan;
        return power.FindPlanByName(candidate, plan) ||
               (Sys().registry &&
                Sys().registry->OpenKey(Hive::CurrentUser, std::u16string(kPersistedPlansKey) + u"\\" + candidate) == 0);
    });
}

// The processor settings Windows hides from its Power Options now.
std::vector<Guid> HiddenSettings() {
    std::vector<Guid> hidden;
    for (const Guid& setting : EnumerateProcessorSettings()) {
        if (IsProcessorSettingHidden(setting)) hidden.push_back(setting);
    }
    return hidden;
}

}  // namespace

int RunSelfTest() {
    LoadEnglishModuleOnly();
    SelfTest t(BesideExecutable(u"quellora-selftest.log"));
    t.Print(Format(u"Quellora %s self-test", kProgramVersion));
    // What of the user's the checks may bring into being is removed again when
    // it did not exist before (in this order: inner keys and folders first).
    const std::u16string local = Sys().folders ? Sys().folders->LocalAppData() : std::u16string();
    SavedFolder appFolder(local.empty() ? std::u16string() : JoinPath(local, u"Quellora"));
    SavedFolder profileFolder(local.empty() ? std::u16string() : JoinPath(JoinPath(local, u"Quellora"), u"Profiles"));
    SavedKey appKey(Hive::CurrentUser, std::u16string(kAppKey));
    SavedKey persistedKey(Hive::CurrentUser, std::u16string(kPersistedPlansKey));
    GuidGroup(t);
    JsonGroup(t);
    DiffGroup(t);
    BoostGroup(t);
    CompanionGroup(t);

    PowerSchemeAccess power;
    const std::vector<Guid> hiddenBefore = HiddenSettings();
    // Settings the checks' writes made visible are hidden again.
    Finally hideAgain([&] {
        for (const Guid& setting : hiddenBefore) {
            if (!IsProcessorSettingHidden(setting)) RunPowercfgAttributes(setting, true);
        }
    });
    Live live{power, ScratchPlanName(power), {}, IsHeterogeneousProcessor(), {}, false};
    const Guid activeBefore = power.QueryActivePlanOrNull();
    if (ScratchGroup(t, live)) {
        // Whatever happens below, the scratch plan goes and the user's plan stays active.
        Finally removeScratch([&] {
            if (!activeBefore.IsNull() && !power.IsActivePlan(activeBefore)) power.ActivatePlan(activeBefore);
            DeleteStored(power, live.scratch);
            if (!live.scratch.IsNull()) power.DeletePlan(live.scratch);
        });
        ProfilesGroup(t, live);
        PersistenceGroup(t, live);
        DriftGroup(t, live);
        StagingGroup(t, live);
        PresetsGroup(t, live);
        t.Print(u"Cleanup");
        if (!activeBefore.IsNull() && !power.IsActivePlan(activeBefore)) power.ActivatePlan(activeBefore);
        bool deleted = power.DeletePlan(live.scratch);
        if (deleted) live.scratch = Guid{};
        t.Check(deleted, u"scratch plan deleted");
        t.Check(power.QueryActivePlanOrNull() == activeBefore, u"active power plan unchanged");
    }
    AdvancedWritesGroup(t, live, power.QueryActivePlanOrNull(), u"the active plan");
    AdvancedWritesGroup(t, live, guids::kBalanced, u"Balanced");
    MakerPlanGroup(t, live);
    ProvisionedGroup(t);
    CommandLineGroup(t);
    t.Print(Format(u"%d failure(s)", t.failures()));
    return t.failures();
}

}  // namespace quellora
