// quellora-sim: looks at and changes the simulated machine from outside, as
// another program (or the user at the Windows settings) would.
//
//   quellora-sim help
//
// Exit codes: 0 done, 1 bad usage (the usage line is printed), 2 failure.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/assembly.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/guid.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/layouts.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_instance_windows.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_update_endpoint.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_task_scheduler.h"
#include "platform/sim/sim_theme.h"
#include "platform/text.h"

namespace quellora::sim {
namespace {

constexpr Hive kLm = Hive::LocalMachine;
constexpr int kOk = 0;
constexpr int kUsage = 1;
constexpr int kFailed = 2;

using Args = std::vector<std::u16string>;

void Out(std::u16string_view text) {
    const std::string bytes = Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

void Err(std::u16string_view text) {
    const std::string bytes = Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fputc('\n', stderr);
}

int Failed(std::u16string_view message) {
    Err(message);
    return kFailed;
}

// ---- Plans and settings by name

std::vector<Guid> AllPlans(SimMachine& m) {
    std::vector<std::u16string> names;
    std::vector<Guid> plans;
    m.registry().EnumKeys(kLm, paths::kPowerSchemes, names);
    for (const auto& name : names) {
        Guid g;
        if (StringToGuid(name, g)) plans.push_back(g);
    }
    return plans;
}

std::u16string PlanName(SimMachine& m, const Guid& plan) {
    return ResolveIndirectText(TextOr(m.registry(), kLm, SchemeKey(plan), u"FriendlyName", u""));
}

// By alias (balanced, high, saver, ultimate), GUID (braces optional) or friendly name (any case).
bool ResolvePlan(SimMachine& m, std::u16string_view text, Guid& plan) {
    for (const PlanDef& def : StockPlans()) {
        if (EqualsIgnoreAsciiCase(text, def.shortAlias)) {
            plan = def.guid;
            return true;
        }
    }
    if (StringToGuid(text, plan)) return true;
    for (const Guid& g : AllPlans(m)) {
        if (EqualsIgnoreCase(PlanName(m, g), text)) {
            plan = g;
            return true;
        }
    }
    return false;
}

bool ResolveSetting(std::u16string_view text, Guid& setting) {
    if (const SettingDef* def = FindSettingByAlias(text)) {
        setting = def->guid;
        return true;
    }
    return StringToGuid(text, setting);
}

std::u16string SettingLabel(const Guid& setting) {
    const SettingDef* def = FindSetting(setting);
    return def ? std::u16string(def->alias) : GuidToBareText(setting);
}

// "ac", "dc" or "both".
bool ParseSides(std::u16string_view text, bool& ac, bool& dc) {
    ac = EqualsIgnoreAsciiCase(text, u"ac") || EqualsIgnoreAsciiCase(text, u"both");
    dc = EqualsIgnoreAsciiCase(text, u"dc") || EqualsIgnoreAsciiCase(text, u"both");
    return ac || dc;
}

bool ParseOnOff(std::u16string_view text, bool& on) {
    if (EqualsIgnoreAsciiCase(text, u"on") || EqualsIgnoreAsciiCase(text, u"yes") ||
        EqualsIgnoreAsciiCase(text, u"true") || text == u"1") {
        on = true;
        return true;
    }
    if (EqualsIgnoreAsciiCase(text, u"off") || EqualsIgnoreAsciiCase(text, u"no") ||
        EqualsIgnoreAsciiCase(text, u"false") || text == u"0") {
        on = false;
        return true;
    }
    return false;
}

// Decimal, or hexadecimal with 0x.
bool ParseNumber(std::u16string_view text, uint64_t max, uint32_t& out) {
    if (text.empty()) return false;
    uint64_t v = 0;
    size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        i = 2;
    }
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        int d = -1;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
        if (d < 0) return false;
        v = v * base + static_cast<uint64_t>(d);
        if (v > max) return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

// Overlay numbers: "1", "2", "3" or "all".
bool ParseOverlays(std::u16string_view text, std::vector<int>& numbers) {
    if (EqualsIgnoreAsciiCase(text, u"all")) {
        for (const OverlayDef& def : Overlays()) numbers.push_back(def.number);
        return true;
    }
    uint32_t n = 0;
    if (!ParseNumber(text, 3, n) || FindOverlay(static_cast<int>(n)) == nullptr) return false;
    numbers.push_back(static_cast<int>(n));
    return true;
}

// ---- Commands

struct Context {
    SimMachine& machine;
    const Args& args;  // after the command's name
    Platform& platform;
};

struct Command {
    const char16_t* name;
    const char16_t* usage;
    const char16_t* help;
    size_t minArgs;
    size_t maxArgs;
    std::function<int(Context&)> run;
};

int Plans(Context& c) {
    SimMachine& m = c.machine;
    Guid active;
    m.ActiveScheme(active);
    for (const Guid& plan : AllPlans(m)) {
        std::u16string marks;
        if (m.IsPlanHidden(plan)) marks += u" [hidden]";
        if (m.IsOverlay(plan)) marks += u" [overlay]";
        if (m.IsPlanNameUnreadable(plan)) marks += u" [name unreadable]";
        for (bool ac : {true, false}) {
            Guid overlay;
            if (m.IsOverlay(plan) && m.ActiveOverlay(ac, overlay) && overlay == plan) {
                marks += ac ? u" [active overlay AC]" : u" [active overlay DC]";
            }
        }
        Out((plan == active ? u"* " : u"  ") + GuidToText(plan) + u"  " + PlanName(m, plan) + marks);
    }
    return kOk;
}

int Active(Context& c) {
    SimMachine& m = c.machine;
    if (c.args.empty()) {
        Guid active;
        if (!m.ActiveScheme(active)) return Failed(u"no active plan");
        Out(GuidToText(active) + u"  " + PlanName(m, active));
        return kOk;
    }
    // The switch is another program's: this tool's own, or the one --by and --pid name.
    // With --times, the plans of a list ("saver,balanced") take turns, --every ms apart.
    ProcessIdentity by = m.CurrentProcess();
    uint32_t times = 1, everyMs = 0;
    for (size_t i = 1; i < c.args.size(); i += 2) {
        if (i + 1 >= c.args.size()) return kUsage;
        if (EqualsIgnoreAsciiCase(c.args[i], u"--by")) {
            by.path = c.args[i + 1];
        } else if (EqualsIgnoreAsciiCase(c.args[i], u"--pid")) {
            if (!ParseNumber(c.args[i + 1], 0xFFFFFFFFu, by.pid)) return kUsage;
        } else if (EqualsIgnoreAsciiCase(c.args[i], u"--times")) {
            if (!ParseNumber(c.args[i + 1], 1000, times) || times == 0) return kUsage;
        } else if (EqualsIgnoreAsciiCase(c.args[i], u"--every")) {
            if (!ParseNumber(c.args[i + 1], 3600000, everyMs)) return kUsage;
        } else {
            return kUsage;
        }
    }
    std::vector<Guid> plans;
    for (const std::u16string& name : Split(c.args[0], u',')) {
        Guid plan;
        if (!ResolvePlan(m, name, plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + name);
        if (m.IsOverlay(plan)) return Failed(u"an overlay is made active with: overlay active <1|2|3>");
        plans.push_back(plan);
    }
    if (plans.empty()) return kUsage;
    SimPowerApi api(m);
    api.SetActivator(by);
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < times; ++i) {
        if (i > 0) std::this_thread::sleep_until(start + std::chrono::milliseconds(uint64_t(everyMs) * i));
        if (api.SetActiveScheme(plans[i % plans.size()]) != err::kSuccess) return kFailed;
    }
    return kOk;
}

int Load(Context& c) {
    SimMachine& m = c.machine;
    if (c.args.empty()) {
        const std::vector<uint32_t> loads = m.ProcessorLoads();
        std::u16string line;
        for (size_t i = 0; i < loads.size(); ++i) line += (i ? u" " : u"") + ToDecimal(loads[i]);
        Out(line);
        return kOk;
    }
    uint32_t percent = 0;
    if (!ParseNumber(c.args[0], 100, percent)) return kUsage;
    if (c.args.size() == 1 || EqualsIgnoreAsciiCase(c.args[1], u"all")) {
        m.SetProcessorLoad(-1, percent);
        return kOk;
    }
    const uint32_t count = m.CurrentTopology().LogicalCount();
    for (size_t i = 1; i < c.args.size(); ++i) {
        uint32_t processor = 0;
        if (!ParseNumber(c.args[i], count ? count - 1 : 0, processor)) return kUsage;
        m.SetProcessorLoad(static_cast<int>(processor), percent);
    }
    return kOk;
}

int Counters(Context& c) {
    SimMachine& m = c.machine;
    const std::u16string& mode = c.args[0];
    if (EqualsIgnoreAsciiCase(mode, u"normal")) {
        m.SetCountersDisabled(false);
        m.SetUtilityCounterMissing(false);
    } else if (EqualsIgnoreAsciiCase(mode, u"disabled")) {
        m.SetCountersDisabled(true);
    } else if (EqualsIgnoreAsciiCase(mode, u"no-utility")) {
        m.SetCountersDisabled(false);
        m.SetUtilityCounterMissing(true);
    } else {
        return kUsage;
    }
    return kOk;
}

int Events(Context& c) {
    SimMachine& m = c.machine;
    const std::u16string what = c.args.empty() ? std::u16string(u"list") : c.args[0];
    uint32_t number = 0;
    if (EqualsIgnoreAsciiCase(what, u"list") || EqualsIgnoreAsciiCase(what, u"xml")) {
        if (c.args.size() > 2) return kUsage;
        uint32_t count = 10;
        if (c.args.size() == 2 && !ParseNumber(c.args[1], kMaxPlanChangeEvents, count)) return kUsage;
        const std::vector<PlanChangeEvent> events = PlanChangeEvents(m);
        for (size_t i = 0; i < events.size() && i < count; ++i) {
            const PlanChangeEvent& e = events[i];
            if (EqualsIgnoreAsciiCase(what, u"xml")) {
                Out(RenderPlanChangeEvent(e, m.ComputerName()));
                continue;
            }
            const CalendarTime t = FileTimeToCalendar(e.time);
            Out(Format(u"#%u %04u-%02u-%02u %02u:%02u:%02u  %s (%u)  %s -> %s%s", e.recordId, t.year, t.month, t.day,
                       t.hour, t.minute, t.second, e.process.path, e.process.pid, PlanName(m, e.oldPlan),
                       PlanName(m, e.newPlan), e.visibleAt > m.NowFileTime() ? u"  [not yet written]" : u""));
        }
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(what, u"history") && c.args.size() == 3) {
        // <count> switches by another program, <seconds> apart, the last one now,
        // taking turns between Balanced, Power saver and High performance.
        uint32_t count = 0, seconds = 0;
        if (!ParseNumber(c.args[1], kMaxPlanChangeEvents, count) || !ParseNumber(c.args[2], 86400 * 30, seconds)) {
            return kUsage;
        }
        static constexpr Guid kPlans[] = {guids::kBalanced, guids::kPowerSaver, guids::kHighPerformance};
        const ProcessIdentity by{u"C:\\Program Files\\Vendor\\PowerTool.exe", 4711};
        const uint64_t now = m.NowFileTime();
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = now - static_cast<uint64_t>(count - 1 - i) * seconds * kFileTimePerSecond;
            RecordPlanChangeAt(m, kPlans[i % 3], kPlans[(i + 1) % 3], by, at, at);
        }
        return kOk;
    }
    if (c.args.size() > 2) return kUsage;
    if (EqualsIgnoreAsciiCase(what, u"clear") && c.args.size() == 1) {
        ClearPlanChangeEvents(m);
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(what, u"delay") && c.args.size() == 2 && ParseNumber(c.args[1], 3600000, number)) {
        SetPlanChangeEventDelayMs(m, number);
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(what, u"fail") && c.args.size() == 2) {
        if (EqualsIgnoreAsciiCase(c.args[1], u"off")) number = 0;
        else if (!ParseNumber(c.args[1], 0xFFFFFFFFu, number) || number == 0) return kUsage;
        SetEventQueryError(m, number);
        return kOk;
    }
    return kUsage;
}

std::u16string ValueText(SimMachine& m, const Guid& plan, const Guid& setting, bool ac) {
    uint32_t value = 0;
    ValueOrigin origin = ValueOrigin::Plan;
    if (m.ReadPlanValue(plan, guids::kSubProcessor, setting, ac, value, &origin) != err::kSuccess) return u"-";
    std::u16string text = ToDecimal(value);
    if (value > 0xFFFF) text += Format(u" (0x%08X)", value);
    if (origin == ValueOrigin::Default) text += u" (default)";
    if (origin == ValueOrigin::ProvisionedDefault) text += u" (default, CPU-tuned)";
    return text;
}

int Values(Context& c) {
    SimMachine& m = c.machine;
    Guid plan;
    if (!ResolvePlan(m, c.args[0], plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + c.args[0]);
    std::vector<Guid> settings;
    if (c.args.size() > 1) {
        Guid setting;
        if (!ResolveSetting(c.args[1], setting)) return Failed(u"no such setting: " + c.args[1]);
        if (!m.SettingPresent(guids::kSubProcessor, setting)) return Failed(u"not on this machine: " + c.args[1]);
        settings.push_back(setting);
    } else {
        for (const SettingDef& def : Settings()) {
            if (m.SettingPresent(guids::kSubProcessor, def.guid)) settings.push_back(def.guid);
        }
    }
    for (const Guid& setting : settings) {
        Out(Format(u"%-24s AC %-28s DC %s", SettingLabel(setting), ValueText(m, plan, setting, true),
                   ValueText(m, plan, setting, false)));
    }
    return kOk;
}

int Set(Context& c) {
    SimMachine& m = c.machine;
    Guid plan;
    Guid setting;
    bool ac = false;
    bool dc = false;
    uint32_t value = 0;
    if (!ParseSides(c.args[2], ac, dc) || !ParseNumber(c.args[3], 0xFFFFFFFFu, value)) return kUsage;
    if (!ResolvePlan(m, c.args[0], plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + c.args[0]);
    if (!ResolveSetting(c.args[1], setting)) return Failed(u"no such setting: " + c.args[1]);
    if (ac && m.WritePlanValue(plan, guids::kSubProcessor, setting, true, value) != err::kSuccess) return kFailed;
    if (dc && m.WritePlanValue(plan, guids::kSubProcessor, setting, false, value) != err::kSuccess) return kFailed;
    return kOk;
}

int Unset(Context& c) {
    SimMachine& m = c.machine;
    Guid plan;
    Guid setting;
    bool ac = false;
    bool dc = false;
    if (!ParseSides(c.args[2], ac, dc)) return kUsage;
    if (!ResolvePlan(m, c.args[0], plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + c.args[0]);
    if (!ResolveSetting(c.args[1], setting)) return Failed(u"no such setting: " + c.args[1]);
    if (ac) m.UnsetPlanValue(plan, guids::kSubProcessor, setting, true);
    if (dc) m.UnsetPlanValue(plan, guids::kSubProcessor, setting, false);
    return kOk;
}

int RemoveSetting(Context& c) {
    SimMachine& m = c.machine;
    Guid plan;
    Guid setting;
    if (!ResolvePlan(m, c.args[0], plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + c.args[0]);
    if (!ResolveSetting(c.args[1], setting)) return Failed(u"no such setting: " + c.args[1]);
    return m.RemovePlanSetting(plan, guids::kSubProcessor, setting) == err::kSuccess ? kOk : kFailed;
}

int Rename(Context& c) {
    SimMachine& m = c.machine;
    Guid plan;
    if (!ResolvePlan(m, c.args[0], plan) || !m.PlanExists(plan)) return Failed(u"no such plan: " + c.args[0]);
    return WriteText(m.registry(), kLm, SchemeKey(plan), u"FriendlyName", c.args[1]) == err::kSuccess ? kOk
                                                                                                       : kFailed;
}

int Overlay(Context& c) {
    SimMachine& m = c.machine;
    const std::u16string& what = c.args[0];
    if (c.args.size() != 2) return kUsage;
    if (EqualsIgnoreAsciiCase(what, u"add") || EqualsIgnoreAsciiCase(what, u"remove")) {
        std::vector<int> numbers;
        if (!ParseOverlays(c.args[1], numbers)) return kUsage;
        for (int n : numbers) {
            if (EqualsIgnoreAsciiCase(what, u"add") ? !m.AddOverlay(n) : !m.RemoveOverlay(n)) return kFailed;
        }
        m.ApplyActivePlan();
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(what, u"active")) {
        Guid overlay;
        if (!EqualsIgnoreAsciiCase(c.args[1], u"none")) {
            std::vector<int> numbers;
            if (!ParseOverlays(c.args[1], numbers) || numbers.size() != 1) return kUsage;
            overlay = FindOverlay(numbers[0])->guid;
            if (!m.PlanExists(overlay)) return Failed(u"the overlay is not added: overlay add " + c.args[1]);
        }
        m.WriteActiveOverlay(true, overlay);
        m.WriteActiveOverlay(false, overlay);
        m.ApplyActivePlan();
        return kOk;
    }
    return kUsage;
}

int OnOffFact(Context& c, const std::function<void(bool)>& set) {
    bool on = false;
    if (!ParseOnOff(c.args[0], on)) return kUsage;
    set(on);
    return kOk;
}

int Refuse(Context& c) {
    SimMachine& m = c.machine;
    Guid setting;
    bool ac = false;
    bool dc = false;
    uint32_t error = err::kAccessDenied;
    if (!ParseSides(c.args[1], ac, dc)) return kUsage;
    if (c.args.size() > 2 && !ParseNumber(c.args[2], 0xFFFFFFFFu, error)) return kUsage;
    if (!ResolveSetting(c.args[0], setting)) return Failed(u"no such setting: " + c.args[0]);
    if (ac) m.SetWriteRefusal(setting, true, error);
    if (dc) m.SetWriteRefusal(setting, false, error);
    return kOk;
}

int Allow(Context& c) {
    SimMachine& m = c.machine;
    if (EqualsIgnoreAsciiCase(c.args[0], u"all")) {
        m.ClearAllWriteRefusals();
        return kOk;
    }
    Guid setting;
    if (!ResolveSetting(c.args[0], setting)) return Failed(u"no such setting: " + c.args[0]);
    m.ClearWriteRefusals(setting);
    return kOk;
}

int PlanFlag(Context& c, bool hidden) {
    SimMachine& m = c.machine;
    Guid plan;
    bool on = false;
    if (!ParseOnOff(c.args[1], on)) return kUsage;
    if (!ResolvePlan(m, c.args[0], plan)) return Failed(u"no such plan: " + c.args[0]);
    if (hidden) m.SetPlanHidden(plan, on);
    else m.SetPlanNameUnreadable(plan, on);
    return kOk;
}

int LayoutCommand(Context& c) {
    SimMachine& m = c.machine;
    if (c.args.empty()) {
        const std::u16string current = m.LayoutName();
        for (const LayoutDef& layout : Layouts()) {
            Out(Format(u"%s %-14s %s; %s", current == layout.name ? u"*" : u" ", layout.name, layout.processorName,
                       layout.summary));
        }
        return kOk;
    }
    if (!m.SetLayout(c.args[0])) return Failed(u"no such layout: " + c.args[0]);
    return kOk;
}

int WindowsCommand(Context& c) {
    SimMachine& m = c.machine;
    if (c.args.empty()) {
        const WindowsVersion v = m.Windows();
        Out(Format(u"%u.%u.%u.%u  %s %s", v.major, v.minor, v.build, v.ubr, v.productName, v.displayVersion));
        return kOk;
    }
    uint32_t build = 0;
    if (!ParseNumber(c.args[0], 0xFFFFFFFFu, build) || build == 0) return kUsage;
    m.SetWindows(WindowsForBuild(build));
    m.MatchOverlaysToMachine();
    m.ApplyActivePlan();
    return kOk;
}

int Answer(Context& c) {
    bool yes = false;
    if (!ParseOnOff(c.args[0], yes)) return kUsage;
    c.machine.SetMessageBoxAnswer(yes ? 6 : 7);
    return kOk;
}

int Reset(Context& c) {
    const std::u16string layout = c.args.empty() ? std::u16string(kDefaultLayout) : c.args[0];
    if (FindLayout(layout) == nullptr) return Failed(u"no such layout: " + layout);
    return c.machine.Reset(layout) ? kOk : kFailed;
}

std::u16string ValueDump(const RegValue& v) {
    switch (v.type) {
        case regtype::kSz:
        case regtype::kExpandSz:
            return (v.type == regtype::kSz ? u"REG_SZ \"" : u"REG_EXPAND_SZ \"") +
                   Utf16FromBytes(v.data.data(), v.data.size()) + u"\"";
        case regtype::kDword: {
            const uint32_t d = DwordFromBytes(v.data.data(), v.data.size());
            return Format(u"REG_DWORD 0x%08x (%u)", d, d);
        }
        case regtype::kQword: {
            uint64_t q = 0;
            for (size_t i = 0; i < v.data.size() && i < 8; ++i) q |= uint64_t(v.data[i]) << (8 * i);
            return Format(u"REG_QWORD 0x%016llx (%llu)", static_cast<unsigned long long>(q),
                          static_cast<unsigned long long>(q));
        }
        default: {
            std::u16string text = Format(u"type %u:", v.type);
            for (uint8_t b : v.data) text += Format(u" %02x", b);
            return text;
        }
    }
}

void DumpKey(Registry& r, Hive hive, const std::u16string& hiveName, const std::u16string& key) {
    Out(u"[" + hiveName + (key.empty() ? u"" : u"\\") + key + u"]");
    std::vector<RegEntry> values;
    r.EnumValues(hive, key, values);
    for (const auto& v : values) Out(u"  " + (v.name.empty() ? u"@" : u"\"" + v.name + u"\"") + u" = " + ValueDump(v.value));
    std::vector<std::u16string> subkeys;
    r.EnumKeys(hive, key, subkeys);
    for (const auto& name : subkeys) DumpKey(r, hive, hiveName, JoinKey(key, name));
}

int RegistryDump(Context& c) {
    Registry& r = c.machine.registry();
    std::u16string path = c.args.empty() ? std::u16string(paths::kFacts) : c.args[0];
    Hive hive = Hive::LocalMachine;
    std::u16string hiveName = u"HKLM";
    struct Prefix {
        const char16_t* text;
        Hive hive;
        const char16_t* name;
    } prefixes[] = {{u"HKEY_LOCAL_MACHINE", Hive::LocalMachine, u"HKLM"}, {u"HKLM", Hive::LocalMachine, u"HKLM"},
                    {u"HKEY_CURRENT_USER", Hive::CurrentUser, u"HKCU"},   {u"HKCU", Hive::CurrentUser, u"HKCU"},
                    {u"HKEY_CLASSES_ROOT", Hive::ClassesRoot, u"HKCR"},   {u"HKCR", Hive::ClassesRoot, u"HKCR"}};
    for (const Prefix& p : prefixes) {
        const std::u16string_view prefix = p.text;
        if (path.size() >= prefix.size() && EqualsIgnoreAsciiCase(std::u16string_view(path).substr(0, prefix.size()), prefix) &&
            (path.size() == prefix.size() || path[prefix.size()] == u'\\')) {
            hive = p.hive;
            hiveName = p.name;
            path = path.size() > prefix.size() ? path.substr(prefix.size() + 1) : std::u16string();
            break;
        }
    }
    if (!path.empty() && r.OpenKey(hive, path) != err::kSuccess) return Failed(u"no such key: " + path);
    DumpKey(r, hive, hiveName, path);
    return kOk;
}

int Status(Context& c) {
    SimMachine& m = c.machine;
    const Topology topology = m.CurrentTopology();
    const WindowsVersion v = m.Windows();
    Guid active;
    m.ActiveScheme(active);
    Out(u"layout        " + m.LayoutName() + u" (" + topology.layout->processorName + u")");
    Out(Format(u"windows       %u.%u.%u.%u %s", v.major, v.minor, v.build, v.ubr, v.displayVersion));
    Out(u"active plan   " + GuidToText(active) + u"  " + PlanName(m, active));
    for (bool ac : {true, false}) {
        Guid overlay;
        if (m.ActiveOverlay(ac, overlay)) {
            Out(Format(u"overlay %s    %s", ac ? u"AC" : u"DC", overlay.IsNull() ? u"none" : GuidToText(overlay)));
        }
    }
    Out(Format(u"overlay API   %s", m.HasOverlayFunctions() ? u"present" : u"missing"));
    Out(Format(u"power         %s, battery %s", m.OnAcPower() ? u"AC" : u"DC",
               m.HasBattery() ? ToDecimal(m.BatteryPercent()) + u"%" : u"none"));
    const std::vector<bool> parked = m.ParkedCores();
    for (uint32_t cls = 0; cls <= topology.maxClass; ++cls) {
        uint32_t cores = 0;
        uint32_t parkedCores = 0;
        for (size_t i = 0; i < topology.cores.size(); ++i) {
            if (topology.cores[i].efficiencyClass != cls) continue;
            ++cores;
            if (parked[i]) ++parkedCores;
        }
        if (cores > 0) Out(Format(u"class %u       %u cores, %u parked", cls, cores, parkedCores));
    }
    Out(Format(u"applied       #%u", m.ApplySequence()));
    Out(Format(u"answer        %s", m.MessageBoxAnswer() == 6 ? u"yes" : u"no"));
    return kOk;
}

int Theme(Context& c) {
    ThemeState s = ReadThemeState(c.machine);
    if (c.args.empty()) {
        Out(Format(u"apps          %s", s.appsUseDark ? u"dark" : u"light"));
        Out(Format(u"high contrast %s", s.highContrast ? u"on" : u"off"));
        Out(Format(u"dark functions %s", s.darkFunctions ? u"present" : u"missing"));
        Out(Format(u"animations    %s", s.animations ? u"on" : u"off"));
        Out(s.accentPresent ? Format(u"accent        0x%06X", s.accent) : u"accent        none");
        return kOk;
    }
    const std::u16string& what = c.args[0];
    bool on = false;
    if (EqualsIgnoreAsciiCase(what, u"dark") || EqualsIgnoreAsciiCase(what, u"light")) {
        if (c.args.size() != 1) return kUsage;
        s.appsUseDark = EqualsIgnoreAsciiCase(what, u"dark");
        s.highContrast = false;
    } else if (EqualsIgnoreAsciiCase(what, u"high-contrast")) {
        if (c.args.size() > 2) return kUsage;
        s.highContrast = true;
        if (c.args.size() == 2 && !ParseOnOff(c.args[1], s.highContrast)) return kUsage;
    } else if (EqualsIgnoreAsciiCase(what, u"dark-functions") || EqualsIgnoreAsciiCase(what, u"animations")) {
        if (c.args.size() != 2 || !ParseOnOff(c.args[1], on)) return kUsage;
        (EqualsIgnoreAsciiCase(what, u"animations") ? s.animations : s.darkFunctions) = on;
    } else if (EqualsIgnoreAsciiCase(what, u"accent")) {
        uint32_t colour = 0;
        if (c.args.size() != 2) return kUsage;
        s.accentPresent = !EqualsIgnoreAsciiCase(c.args[1], u"none");
        if (s.accentPresent) {
            if (!ParseNumber(c.args[1], 0xFFFFFF, colour)) return kUsage;
            s.accent = colour;
        }
    } else {
        return kUsage;
    }
    WriteThemeState(c.machine, s);
    return kOk;
}

int Powercfg(Context& c) {
    const PowercfgRun run = RunPowercfg(c.machine, c.args);
    std::fwrite(run.output.data(), 1, run.output.size(), stdout);
    return run.exitCode == 0 ? kOk : kFailed;
}

// ---- Other programs: instances, processes, services, tasks, Threadmark

// The tray window of a running interactive instance of the program.
constexpr std::u16string_view kInstanceClass = u"WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}";
constexpr std::u16string_view kInstanceName = u"WndName-{7298c6b8-835f-4234-8054-49925ccd4038}";

int Instances(Context& c) {
    for (const SimWindow& w : SimInstanceWindows::List(c.machine)) {
        Out(Format(u"%u  process %u  %s  \"%s\"%s", w.number, w.processId, w.className, w.windowName,
                   w.goneAtFind ? Format(u"  (gone at find %u)", w.goneAtFind) : std::u16string()));
        for (const auto& r : w.received) Out(u"    " + r);
    }
    const uint32_t allowed = SimInstanceWindows::ForegroundAllowedFor(c.machine);
    if (allowed) Out(Format(u"foreground allowed for process %u", allowed));
    const uint32_t changes = SimInstanceWindows::AssociationChanges(c.machine);
    if (changes) Out(Format(u"file association changes announced: %u", changes));
    return kOk;
}

// instance add [<process id> [<gone at find>]] | instance remove <number>
int Instance(Context& c) {
    SimMachine& m = c.machine;
    if (EqualsIgnoreAsciiCase(c.args[0], u"add")) {
        if (c.args.size() > 3) return kUsage;
        uint32_t pid = 0;
        uint32_t goes = 0;
        if (c.args.size() > 1 && !ParseNumber(c.args[1], 0xFFFFFFFFu, pid)) return kUsage;
        if (c.args.size() > 2 && !ParseNumber(c.args[2], 0xFFFFFFFFu, goes)) return kUsage;
        if (pid == 0) pid = AddSimProcess(m, u"quellora.exe");
        SimWindow w;
        w.className = std::u16string(kInstanceClass);
        w.windowName = std::u16string(kInstanceName);
        w.processId = pid;
        w.goneAtFind = goes;
        Out(Format(u"window %u of process %u", SimInstanceWindows::Add(m, w), pid));
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(c.args[0], u"remove") && c.args.size() == 2) {
        uint32_t number = 0;
        if (!ParseNumber(c.args[1], 0xFFFFFFFFu, number)) return kUsage;
        return SimInstanceWindows::Remove(m, number) ? kOk : Failed(u"no such window: " + c.args[1]);
    }
    return kUsage;
}

int ProcessesCommand(Context& c) {
    SimMachine& m = c.machine;
    if (c.args.empty()) {
        for (const SimProcess& p : SimProcessList(m)) Out(Format(u"%u  %s", p.id, p.imageName));
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(c.args[0], u"add") && (c.args.size() == 2 || c.args.size() == 3)) {
        uint32_t pid = 0;
        if (c.args.size() == 3 && !ParseNumber(c.args[2], 0xFFFFFFFFu, pid)) return kUsage;
        Out(Format(u"process %u", AddSimProcess(m, c.args[1], pid)));
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(c.args[0], u"remove") && c.args.size() == 2) {
        uint32_t pid = 0;
        if (!ParseNumber(c.args[1], 0xFFFFFFFFu, pid)) return kUsage;
        return RemoveSimProcess(m, pid) ? kOk : Failed(u"no such process: " + c.args[1]);
    }
    return kUsage;
}

std::u16string StartTypeName(uint32_t type) {
    switch (type) {
        case service_start::kBoot: return u"boot";
        case service_start::kSystem: return u"system";
        case service_start::kAuto: return u"auto";
        case service_start::kDemand: return u"demand";
        case service_start::kDisabled: return u"disabled";
        default: return ToDecimal(type);
    }
}

int Services(Context& c) {
    for (const SimService& s : SimServiceControl::List(c.machine)) {
        Out(Format(u"%-10s %-9s start %s%s", s.name, ServiceStateName(s.state), StartTypeName(s.startType),
                   s.startFails ? u", fails to start" : u""));
    }
    for (const auto& line : SimServiceControl::Log(c.machine)) Out(u"  " + line);
    return kOk;
}

// service <name> running|stopped [auto|demand|disabled] [fails]
int Service(Context& c) {
    SimService s;
    if (!SimServiceControl::Get(c.machine, c.args[0], s)) s.name = c.args[0];
    if (EqualsIgnoreAsciiCase(c.args[1], u"running")) s.state = ServiceState::Running;
    else if (EqualsIgnoreAsciiCase(c.args[1], u"stopped")) s.state = ServiceState::Stopped;
    else return kUsage;
    s.startFails = false;
    for (size_t i = 2; i < c.args.size(); ++i) {
        if (EqualsIgnoreAsciiCase(c.args[i], u"auto")) s.startType = service_start::kAuto;
        else if (EqualsIgnoreAsciiCase(c.args[i], u"demand")) s.startType = service_start::kDemand;
        else if (EqualsIgnoreAsciiCase(c.args[i], u"disabled")) s.startType = service_start::kDisabled;
        else if (EqualsIgnoreAsciiCase(c.args[i], u"fails")) s.startFails = true;
        else return kUsage;
    }
    SimServiceControl::Put(c.machine, s);
    return kOk;
}

int Tasks(Context& c) {
    const SchedulerMode mode = SimTaskScheduler::Mode(c.machine);
    Out(mode == SchedulerMode::Normal           ? u"scheduler normal"
        : mode == SchedulerMode::NoLogonTrigger ? u"scheduler without logon triggers"
                                                : u"scheduler missing");
    for (const TaskDefinition& d : SimTaskScheduler::List(c.machine)) {
        Out(u"task \\" + d.name);
        Out(u"  author                         " + d.author);
        Out(u"  execution time limit           " + d.executionTimeLimit);
        Out(Format(u"  disallow start on batteries    %u", d.disallowStartIfOnBatteries ? 1u : 0u));
        Out(Format(u"  stop when going on batteries   %u", d.stopIfGoingOnBatteries ? 1u : 0u));
        Out(Format(u"  multiple instances             %u", d.multipleInstances));
        Out(Format(u"  enabled                        %u", d.enabled ? 1u : 0u));
        Out(Format(u"  run level                      %u", d.runLevel));
        Out(Format(u"  trigger                        type %u, id \"%s\", user \"%s\"", d.triggerType, d.triggerId,
                   d.triggerUserId));
        Out(Format(u"  action                         type %u, path %s, arguments %s", d.actionType, d.actionPath,
                   d.actionArguments));
        Out(Format(u"  registration                   flags %u, user %s, password %s, logon type %u",
                   d.registrationFlags, d.registrationUserId, d.hasPassword ? u"yes" : u"none", d.logonType));
    }
    return kOk;
}

int Scheduler(Context& c) {
    if (EqualsIgnoreAsciiCase(c.args[0], u"normal")) SimTaskScheduler::SetMode(c.machine, SchedulerMode::Normal);
    else if (EqualsIgnoreAsciiCase(c.args[0], u"no-logon-trigger"))
        SimTaskScheduler::SetMode(c.machine, SchedulerMode::NoLogonTrigger);
    else if (EqualsIgnoreAsciiCase(c.args[0], u"missing")) SimTaskScheduler::SetMode(c.machine, SchedulerMode::Missing);
    else return kUsage;
    return kOk;
}

int Threadmark(Context& c) {
    const std::u16string programFiles = c.platform.folders ? c.platform.folders->ProgramFiles() : std::u16string();
    if (EqualsIgnoreAsciiCase(c.args[0], u"none")) {
        UninstallThreadmark(c.machine, programFiles);
        return kOk;
    }
    FileVersion version;
    if (!ParseVersion(c.args[0], version)) return kUsage;
    if (!InstallThreadmark(c.machine, programFiles, version)) return Failed(u"cannot install into " + programFiles);
    Out(u"Threadmark " + VersionText(version) + u" in " + programFiles);
    return kOk;
}

int Programs(Context& c) {
    FileVersion version;
    if (InstalledThreadmark(c.machine, version)) Out(u"Threadmark " + VersionText(version) + u" installed");
    for (const auto& line : ProgramLog(c.machine)) Out(u"started: " + line);
    return kOk;
}

int Update(Context& c) {
    SimMachine& m = c.machine;
    UpdateEndpoint e = ReadUpdateEndpoint(m);
    const std::u16string what = c.args.empty() ? std::u16string(u"show") : c.args[0];
    auto arg = [&](size_t i) { return i < c.args.size() ? c.args[i] : std::u16string(); };
    if (EqualsIgnoreAsciiCase(what, u"show") && c.args.size() <= 1) {
        static const char16_t* kKinds[] = {u"none", u"signed", u"unsigned", u"small"};
        Out(u"service   " + std::u16string(e.reachable ? u"reachable" : u"offline"));
        Out(u"version   " + (e.hasVersion ? u"\"" + e.versionBody + u"\"" : std::u16string(u"none (404)")));
        Out(u"installer " + std::u16string(kKinds[static_cast<int>(e.installer)]) +
            (e.installer == InstallerKind::Signed ? u" by " + e.signer + u", serial " + e.serial : u""));
        Out(Format(u"revocation check %s", e.revocationError ? Format(u"ends with 0x%08X", e.revocationError) : u"completes"));
        Out(Format(u"installer started %u times", InstallerStarts(m)));
        return kOk;
    }
    if (EqualsIgnoreAsciiCase(what, u"version") && c.args.size() == 2) {
        e.hasVersion = !EqualsIgnoreAsciiCase(arg(1), u"none");
        e.versionBody = e.hasVersion ? arg(1) : u"";
    } else if (EqualsIgnoreAsciiCase(what, u"installer") && c.args.size() >= 2 && c.args.size() <= 4) {
        const std::u16string kind = arg(1);
        if (EqualsIgnoreAsciiCase(kind, u"signed")) {
            e.installer = InstallerKind::Signed;
            if (c.args.size() > 2) e.signer = arg(2);
            if (c.args.size() > 3) e.serial = arg(3);
        } else if (c.args.size() == 2 && EqualsIgnoreAsciiCase(kind, u"unsigned")) {
            e.installer = InstallerKind::Unsigned;
        } else if (c.args.size() == 2 && EqualsIgnoreAsciiCase(kind, u"small")) {
            e.installer = InstallerKind::Small;
        } else if (c.args.size() == 2 && EqualsIgnoreAsciiCase(kind, u"none")) {
            e.installer = InstallerKind::None;
        } else {
            return kUsage;
        }
    } else if (EqualsIgnoreAsciiCase(what, u"revocation") && c.args.size() == 2) {
        if (EqualsIgnoreAsciiCase(arg(1), u"ok")) e.revocationError = 0;
        else if (EqualsIgnoreAsciiCase(arg(1), u"offline")) e.revocationError = trust::kRevocationOffline;
        else if (EqualsIgnoreAsciiCase(arg(1), u"failed")) e.revocationError = trust::kRevocationFailure;
        else return kUsage;
    } else if (EqualsIgnoreAsciiCase(what, u"offline") && c.args.size() == 2) {
        bool offline = false;
        if (!ParseOnOff(arg(1), offline)) return kUsage;
        e.reachable = !offline;
    } else if (EqualsIgnoreAsciiCase(what, u"requests") && c.args.size() == 1) {
        for (const UpdateRequest& r : UpdateRequests(m)) Out(r.url + u"\t" + r.userAgent);
        return kOk;
    } else if (EqualsIgnoreAsciiCase(what, u"clear") && c.args.size() == 1) {
        ClearUpdateRequests(m);
        return kOk;
    } else {
        return kUsage;
    }
    WriteUpdateEndpoint(m, e);
    return kOk;
}

int Help(Context& c);

const std::vector<Command>& Commands() {
    auto fact = [](std::function<void(SimMachine&, bool)> set) {
        return [set](Context& c) { return OnOffFact(c, [&](bool on) { set(c.machine, on); }); };
    };
    static const std::vector<Command> commands = {
        {u"help", u"help", u"lists the commands", 0, 0, Help},
        {u"status", u"status", u"layout, Windows, active plan and overlay, power source, parked cores", 0, 0, Status},
        {u"plans", u"plans", u"every plan: * active, [hidden], [overlay], [name unreadable]", 0, 0, Plans},
        {u"active", u"active [<plan>[,<plan>...] [--by <program path>] [--pid <id>] [--times <n> --every <ms>]]",
         u"shows or sets the active plan (Windows applies it and logs which program switched); plans of a list take "
         u"turns n times",
         0, 9, Active},
        {u"load", u"load [<percent> [all|<processor>...]]",
         u"shows or sets the load of logical processors (busy cores are not parked)", 0, 65, Load},
        {u"counters", u"counters normal|disabled|no-utility",
         u"performance counters work, are disabled, or lack % Processor Utility", 1, 1, Counters},
        {u"events",
         u"events [list|xml [<count>]] | events clear | events delay <ms> | events fail <error>|off | "
         u"events history <count> <seconds apart>",
         u"the System log's plan-change records: list, forget, write late, refuse queries, write a past history", 0, 3,
         Events},
        {u"values", u"values <plan> [<setting>]", u"AC/DC values; (default) when from Windows' stored defaults", 1, 2,
         Values},
        {u"set", u"set <plan> <setting> ac|dc|both <value>", u"writes a plan's value as another program would", 4, 4,
         Set},
        {u"unset", u"unset <plan> <setting> ac|dc|both", u"the plan loses its own value (its default shows again)", 3,
         3, Unset},
        {u"remove-setting", u"remove-setting <plan> <setting>",
         u"the plan no longer has the setting at all (value and stored default gone)", 2, 2, RemoveSetting},
        {u"rename", u"rename <plan> <name>", u"changes a plan's friendly name", 2, 2, Rename},
        {u"overlay", u"overlay add|remove <1|2|3|all> | overlay active <1|2|3|none>",
         u"power-mode overlays: 1 best power efficiency, 2 legacy high performance, 3 best performance", 2, 2,
         Overlay},
        {u"overlay-functions", u"overlay-functions on|off", u"whether the overlay functions of the power API exist", 1,
         1, fact([](SimMachine& m, bool on) { m.SetOverlayFunctions(on); })},
        {u"refuse", u"refuse <setting> ac|dc|both [<error>]", u"the power API refuses writes (error 5 by default)", 2,
         3, Refuse},
        {u"allow", u"allow <setting>|all", u"ends refusals", 1, 1, Allow},
        {u"unreadable-name", u"unreadable-name <plan> on|off", u"the plan's name cannot be read through the API", 2,
         2, [](Context& c) { return PlanFlag(c, false); }},
        {u"hide-plan", u"hide-plan <plan> on|off", u"Windows' enumeration leaves the plan out", 2, 2,
         [](Context& c) { return PlanFlag(c, true); }},
        {u"layout", u"layout [<name>]", u"lists the processor layouts, or switches to one", 0, 1, LayoutCommand},
        {u"windows", u"windows [<build>]",
         u"shows the Windows version, or sets it by build (26100, 19045, ...): laptops on Windows 11 come with the "
         u"power-mode overlays, releases before Windows 10 lack the class-1 settings",
         0, 1, WindowsCommand},
        {u"answer", u"answer yes|no", u"how the user answers message boxes", 1, 1, Answer},
        {u"theme", u"theme [dark|light|high-contrast [on|off]|dark-functions on|off|animations on|off|accent <0xBBGGRR>|none]",
         u"the look Windows asks for: dark or light apps, high contrast, whether the dark-mode functions exist (builds "
         u"from 17763), client-area animations, the accent colour",
         0, 2, Theme},
        {u"power", u"power ac|dc", u"the power source", 1, 1,
         [](Context& c) {
             if (EqualsIgnoreAsciiCase(c.args[0], u"ac")) c.machine.SetOnAcPower(true);
             else if (EqualsIgnoreAsciiCase(c.args[0], u"dc")) c.machine.SetOnAcPower(false);
             else return kUsage;
             return kOk;
         }},
        {u"battery", u"battery <percent>|none", u"the battery's charge, or no battery", 1, 1,
         [](Context& c) {
             uint32_t percent = 0;
             if (EqualsIgnoreAsciiCase(c.args[0], u"none")) {
                 c.machine.SetHasBattery(false);
                 return kOk;
             }
             if (!ParseNumber(c.args[0], 100, percent)) return kUsage;
             c.machine.SetHasBattery(true);
             c.machine.SetBatteryPercent(percent);
             return kOk;
         }},
        {u"battery-saver", u"battery-saver on|off", u"Battery Saver", 1, 1,
         fact([](SimMachine& m, bool on) { m.SetBatterySaver(on); })},
        {u"display", u"display on|off", u"the display", 1, 1, fact([](SimMachine& m, bool on) { m.SetDisplayOn(on); })},
        {u"lid", u"lid on|off", u"the lid is open (on) or closed (off)", 1, 1,
         fact([](SimMachine& m, bool on) { m.SetLidOpen(on); })},
        {u"lock", u"lock on|off", u"the session is locked", 1, 1,
         fact([](SimMachine& m, bool on) { m.SetSessionLocked(on); })},
        {u"remote", u"remote on|off", u"the session is a remote one", 1, 1,
         fact([](SimMachine& m, bool on) { m.SetRemoteSession(on); })},
        {u"ignores-parking", u"ignores-parking on|off", u"the machine never parks a core", 1, 1,
         fact([](SimMachine& m, bool on) { m.SetIgnoresParking(on); })},
        {u"ignores-max-state", u"ignores-max-state on|off", u"the maximum processor state does not limit the clock",
         1, 1, fact([](SimMachine& m, bool on) { m.SetIgnoresMaxState(on); })},
        {u"power-functions", u"power-functions present|missing",
         u"missing: the power API lacks the functions Wine's powrprof lacks (PowerReadACValueIndex, ...)", 1, 1,
         [](Context& c) {
             if (EqualsIgnoreAsciiCase(c.args[0], u"present")) c.machine.SetPowerFunctionsMissing(false);
             else if (EqualsIgnoreAsciiCase(c.args[0], u"missing")) c.machine.SetPowerFunctionsMissing(true);
             else return kUsage;
             return kOk;
         }},
        {u"size-query", u"size-query more-data|success",
         u"what PowerEnumerate answers when asked for a size: ERROR_MORE_DATA (234), or success as some systems do",
         1, 1,
         [](Context& c) {
             if (EqualsIgnoreAsciiCase(c.args[0], u"more-data")) c.machine.SetEnumerateSizeQuerySucceeds(false);
             else if (EqualsIgnoreAsciiCase(c.args[0], u"success")) c.machine.SetEnumerateSizeQuerySucceeds(true);
             else return kUsage;
             return kOk;
         }},
        {u"file-writes", u"file-writes fail|ok",
         u"the program's whole-file writes (profiles, exports, README.txt) stop half way, as on a full disk", 1, 1,
         [](Context& c) {
             if (EqualsIgnoreAsciiCase(c.args[0], u"fail")) c.machine.SetFileWritesFail(true);
             else if (EqualsIgnoreAsciiCase(c.args[0], u"ok")) c.machine.SetFileWritesFail(false);
             else return kUsage;
             return kOk;
         }},
        {u"last-input", u"last-input <tick>", u"the tick count (ms) of the last user input", 1, 1,
         [](Context& c) {
             uint32_t low = 0;
             if (!ParseNumber(c.args[0], 0xFFFFFFFFu, low)) return kUsage;
             c.machine.SetLastInputTick(low);
             return kOk;
         }},
        {u"idle", u"idle <seconds>", u"the last user input was that many seconds ago (on the machine's tick count)", 1,
         1,
         [](Context& c) {
             uint32_t seconds = 0;
             if (!ParseNumber(c.args[0], 0xFFFFFFFFu, seconds)) return kUsage;
             // The tick count the program reads: the platform's own clock.
             if (!c.platform.clock) return Failed(u"no clock");
             const uint64_t now = c.platform.clock->TickCount64();
             const uint64_t ago = uint64_t(seconds) * 1000;
             c.machine.SetLastInputTick(now > ago ? now - ago : 0);
             return kOk;
         }},
        {u"event", u"event <name> on|off", u"another program's named event (\"Global\\...\") is signalled or not", 2,
         2,
         [](Context& c) {
             bool on = false;
             if (!ParseOnOff(c.args[1], on)) return kUsage;
             c.machine.SetEventSignalled(c.args[0], on);
             return kOk;
         }},
        {u"computer-name", u"computer-name <name>", u"the computer's name", 1, 1,
         [](Context& c) {
             c.machine.SetComputerName(c.args[0]);
             return kOk;
         }},
        {u"ui-language", u"ui-language <id>", u"the user interface language (0x409 English, 0x407 German, ...)", 1, 1,
         [](Context& c) {
             uint32_t id = 0;
             if (!ParseNumber(c.args[0], 0xFFFF, id)) return kUsage;
             c.machine.SetUserDefaultUILanguage(static_cast<uint16_t>(id));
             return kOk;
         }},
        {u"instance", u"instance add [<process id> [<gone at find>]] | instance remove <window>",
         u"another running instance of the program (its tray window), optionally closing after some looks", 1, 3,
         Instance},
        {u"instances", u"instances", u"instance windows and the messages they received", 0, 0, Instances},
        {u"processes", u"processes [add <image name> [<id>] | remove <id>]", u"the other processes of the machine",
         0, 3, ProcessesCommand},
        {u"services", u"services", u"services (pla, winmgmt, ...) and the controls they received", 0, 0, Services},
        {u"service", u"service <name> running|stopped [auto|demand|disabled] [fails]",
         u"sets a service's state and start type", 2, 4, Service},
        {u"tasks", u"tasks", u"the scheduled tasks, field by field", 0, 0, Tasks},
        {u"scheduler", u"scheduler normal|no-logon-trigger|missing",
         u"the Task Scheduler works, refuses logon triggers (as Wine's), or is missing", 1, 1, Scheduler},
        {u"threadmark", u"threadmark <version>|none", u"installs Threadmark of that version (uninstall.exe's), or removes it",
         1, 1, Threadmark},
        {u"programs", u"programs", u"Threadmark, and the programs started on the machine (not powercfg)", 0, 0,
         Programs},
        {u"update",
         u"update [show] | update version <text>|none | update installer signed [<signer> [<serial>]]|unsigned|small|none"
         u" | update revocation ok|offline|failed | update offline on|off | update requests | update clear",
         u"the maker's update service: its answer, its installer, the requests it got", 0, 4, Update},
        {u"reset", u"reset [<layout>]",
         u"seeds the machine again (every plan, value and fact): a Windows 11 hybrid laptop unless a layout is given",
         0, 1, Reset},
        {u"registry", u"registry [<key path>]", u"dumps a key (HKLM\\... by default; the facts key without a path)", 0,
         1, RegistryDump},
        {u"powercfg", u"powercfg <arguments>", u"runs the machine's powercfg (/q, /l, -attributes, /export, ...)", 1,
         16, Powercfg},
    };
    return commands;
}

int Help(Context&) {
    Out(u"quellora-sim <command> [arguments]: looks at and changes the simulated machine.");
    Out(u"Plans by name, GUID or alias (balanced, high, saver, ultimate); settings by alias (CPMINCORES) or GUID.");
    Out(u"");
    for (const Command& command : Commands()) Out(Format(u"  %-48s %s", command.usage, command.help));
    return kOk;
}

int Run(const Args& all) {
    if (all.empty()) {
        Err(u"usage: quellora-sim <command> [arguments]   (quellora-sim help lists the commands)");
        return kUsage;
    }
    const Command* command = nullptr;
    for (const Command& candidate : Commands()) {
        if (EqualsIgnoreAsciiCase(all[0], candidate.name)) command = &candidate;
    }
    if (command == nullptr) {
        Err(u"unknown command: " + all[0] + u"   (quellora-sim help lists the commands)");
        return kUsage;
    }
    const Args args(all.begin() + 1, all.end());
    if (args.size() < command->minArgs || args.size() > command->maxArgs) {
        Err(u"usage: quellora-sim " + std::u16string(command->usage));
        return kUsage;
    }
    std::unique_ptr<PlatformAssembly> assembly = AssemblePlatform();
    if (assembly == nullptr || assembly->machine == nullptr) {
        Err(u"this is not a simulated machine");
        return kFailed;
    }
    Context context{*assembly->machine, args, assembly->platform};
    const int result = command->run(context);
    if (result == kUsage) Err(u"usage: quellora-sim " + std::u16string(command->usage));
    return result;
}

}  // namespace
}  // namespace quellora::sim

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        std::u16string arg;
        for (const wchar_t* p = argv[i]; *p; ++p) arg.push_back(static_cast<char16_t>(*p));
        args.push_back(arg);
    }
    return quellora::sim::Run(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(quellora::Utf8ToUtf16(argv[i]));
    return quellora::sim::Run(args);
}
#endif
