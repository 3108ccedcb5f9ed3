#include "model/probe.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <system_error>
#include <thread>

#include "model/plan_settings.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "power/processor_topology.h"

namespace quellora {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::u16string_view kOtherQuelloraLine =
    u"warning\tanother Quellora is running; Dynamic Boost or drift restore could switch plans during the tests. "
    u"Exit it for clean results.";
constexpr std::u16string_view kNoParkingSeen = u"no parking seen at 5% (not honored, or the system was busy)";
constexpr std::u16string_view kUnavailable = u"(unavailable)";

constexpr std::u16string_view kPerformanceCounter = u"\\Processor Information(_Total)\\% Processor Performance";
constexpr std::u16string_view kFrequencyCounter = u"\\Processor Information(_Total)\\Processor Frequency";

constexpr std::u16string_view kCurrentVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::u16string_view kCentralProcessorKey = u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

// SYSTEM_POWER_CAPABILITIES: its size and the bytes the report reads.
constexpr uint32_t kCapabilitiesSize = 76;
constexpr uint32_t kCapProcessorThrottle = 14;
constexpr uint32_t kCapProcessorMinThrottle = 15;
constexpr uint32_t kCapProcessorMaxThrottle = 16;
constexpr uint32_t kCapAoAc = 20;

const Guid kSub = guids::kSubProcessor;

// Where the report's lines go: the console (when attached) and the report file.
struct Report {
    Console* console = nullptr;
    std::u16string path;
};

void Line(Report& report, std::u16string_view text) {
    std::u16string line(text);
    line += u"\r\n";
    const std::string bytes = Utf16ToUtf8(line);
    if (report.console && !report.console->WriteConsoleText(line)) report.console->WriteBytes(bytes);
    AppendToFile(report.path, bytes, kByteOrderMark);
}

const char16_t* YesNo(bool yes) { return yes ? u"yes" : u"no"; }

std::u16string GuidOrUnavailable(bool known, const Guid& guid) {
    return known ? GuidToText(guid) : std::u16string(kUnavailable);
}

// ---- 2. System

std::u16string MachineName(uint16_t machine) {
    switch (machine) {
        case machine::kX86:
            return u"x86";
        case machine::kX64:
            return u"x64";
        case machine::kArm64:
            return u"ARM64";
        default:
            return u"unknown";
    }
}

std::u16string OsText() {
    std::u16string product, display, build;
    ReadString(Hive::LocalMachine, kCurrentVersionKey, u"ProductName", product);
    ReadString(Hive::LocalMachine, kCurrentVersionKey, u"DisplayVersion", display);
    ReadString(Hive::LocalMachine, kCurrentVersionKey, u"CurrentBuildNumber", build);
    uint32_t ubr = 0;
    ReadDword(Hive::LocalMachine, kCurrentVersionKey, u"UBR", ubr);
    // Windows 11 still calls itself "Windows 10" in the registry.
    if (ParseLeadingInt(build) > 21999) {
        const size_t at = product.find(u"Windows 10");
        if (at != std::u16string::npos) product.replace(at, 10, u"Windows 11");
    }
    return Format(u"os\t%s %s build %s.%u", product, display, build, ubr);
}

void SystemSection(Report& r) {
    Line(r, u"== System");
    Line(r, u"build\tx64");
    const uint16_t native = Sys().system ? Sys().system->NativeMachine() : machine::kUnknown;
    Line(r, Format(u"host\t%s", MachineName(native)));
    Line(r, Format(u"emulated\t%s", YesNo(native != machine::kX64)));
    Line(r, OsText());
    std::u16string identifier;
    ReadString(Hive::LocalMachine, kCentralProcessorKey, u"Identifier", identifier);
    Line(r, Format(u"cpu\t%s", ProcessorTopology::ReadProcessorName()));
    Line(r, Format(u"cpu id\t%s", identifier));
    const uint32_t logical = Sys().system ? Sys().system->ActiveProcessorCount(SystemInfo::kAllProcessorGroups) : 0;
    Line(r, Format(u"logical processors\t%u", logical));

    PowerApi* api = Sys().power;
    uint8_t caps[kCapabilitiesSize] = {};
    if (api && api->CallNtPowerInformation(PowerApi::kSystemPowerCapabilities, nullptr, 0, caps, sizeof caps) == 0) {
        Line(r, Format(u"modern standby (AoAc)\t%s", YesNo(caps[kCapAoAc] != 0)));
        Line(r, Format(u"processor throttle\t%s, min %u%%, max %u%%", YesNo(caps[kCapProcessorThrottle] != 0),
                       unsigned(caps[kCapProcessorMinThrottle]), unsigned(caps[kCapProcessorMaxThrottle])));
    }
    const int role = api && api->Has(PowerApi::Fn::DeterminePlatformRoleEx)
                         ? static_cast<int>(api->DeterminePlatformRoleEx(2))
                         : -1;
    Line(r, Format(u"platform role\t%d (1 desktop, 2 mobile, 8 slate)", role));

    PowerStatus status;
    if (Sys().input && !Sys().input->GetPowerStatus(status)) status = PowerStatus{};
    const char16_t* source = status.acLineStatus == 1 ? u"AC" : status.acLineStatus == 0 ? u"DC" : u"unknown";
    const unsigned battery = status.batteryLifePercent == 255 ? 0u : status.batteryLifePercent;
    Line(r, Format(u"power source\t%s, battery %u%%", source, battery));
}

// ---- 3. Power plans

std::u16string PlanName(PowerSchemeAccess& access, const Guid& plan) {
    std::u16string name;
    access.ReadPlanName(plan, name);
    return name;
}

void PlansSection(Report& r) {
    Line(r, u"== Power plans");
    PowerApi* api = Sys().power;
    if (!api) return;
    PowerSchemeAccess access;
    Guid active;
    if (api->GetActiveScheme(active) == 0) {
        Line(r, Format(u"active\t%s\t%s", GuidToText(active), PlanName(access, active)));
    }
    Guid actual, effective;
    const bool actualKnown =
        api->Has(PowerApi::Fn::GetActualOverlayScheme) && api->GetActualOverlayScheme(actual) == 0;
    const bool effectiveKnown =
        api->Has(PowerApi::Fn::GetEffectiveOverlayScheme) && api->GetEffectiveOverlayScheme(effective) == 0;
    Line(r, Format(u"overlay actual\t%s", GuidOrUnavailable(actualKnown, actual)));
    Line(r, Format(u"overlay effective\t%s", GuidOrUnavailable(effectiveKnown, effective)));
    for (uint32_t index = 0; index < 1024; ++index) {
        uint8_t buffer[16] = {};
        uint32_t size = sizeof buffer;
        if (api->Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, index, buffer, &size) != 0) break;
        Guid plan;
        GuidFromBytes(buffer, sizeof buffer, plan);
        Line(r, Format(u"plan\t%s\t%s", GuidToText(plan), PlanName(access, plan)));
    }
}

// ---- 4. Cores and CPU sets

void CoresSection(Report& r) {
    Line(r, u"== Cores (GetLogicalProcessorInformationEx)");
    std::vector<uint8_t> buffer;
    if (SystemInfo* system = Sys().system) {
        uint32_t size = 0;
        if (system->LogicalProcessorInformationEx(SystemInfo::kRelationAll, nullptr, &size) ==
                err::kInsufficientBuffer &&
            size > 0) {
            buffer.resize(size);
            if (system->LogicalProcessorInformationEx(SystemInfo::kRelationAll, buffer.data(), &size) != 0)
                buffer.clear();
            else
                buffer.resize(std::min<size_t>(size, buffer.size()));
        }
    }
    const LayoutRecords records = ParseLayoutRecords(buffer.data(), buffer.size());
    struct ClassCount {
        int cores = 0;
        int logical = 0;
    };
    std::map<uint32_t, ClassCount> classes;
    int number = 0;
    for (const CoreRecord& core : records.cores) {
        const GroupAffinity first = core.masks.empty() ? GroupAffinity{} : core.masks.front();
        // The whole 64-bit mask: a group's processors 32 to 63 show too.
        Line(r, Format(u"core\t%d\tgroup %u\tmask %s\tefficiency class %u\tSMT %s", number++, unsigned(first.group),
                       Format(u"0x%X", first.mask), unsigned(core.efficiencyClass), YesNo((core.flags & 1) != 0)));
        ClassCount& count = classes[core.efficiencyClass];
        ++count.cores;
        for (const GroupAffinity& mask : core.masks) count.logical += CountBits(mask.mask);
    }
    for (const auto& [efficiencyClass, count] : classes) {
        Line(r, Format(u"class\t%d\t%d cores\t%d logical", int(efficiencyClass), count.cores, count.logical));
    }
    Line(r, Format(u"heterogeneous\t%s", YesNo(classes.size() > 1)));

    Line(r, u"== CPU sets");
    for (const CpuSetRecord& set : MainTopology().CpuSets()) {
        Line(r, Format(u"cpuset\t%u\tgroup %u\tlp %u\tcore %u\tefficiency class %u\tscheduling class %u\tparked %u",
                       set.id, unsigned(set.group), unsigned(set.logicalProcessorIndex), unsigned(set.coreIndex),
                       unsigned(set.efficiencyClass), unsigned(set.schedulingClass), set.parked() ? 1u : 0u));
    }
}

// ---- 5. Processor power information

void PowerInformationSection(Report& r) {
    Line(r, u"== Processor power information (CallNtPowerInformation)");
    const std::vector<ProcessorPowerInfo> list = ReadProcessorPowerInfo();
    if (list.empty()) Line(r, kUnavailable);
    for (const ProcessorPowerInfo& p : list) {
        Line(r, Format(u"cpu\t%u\tmax %u MHz\tcurrent %u MHz\tlimit %u MHz\tmax idle %u\tcurrent idle %u", p.number,
                       p.maxMhz, p.currentMhz, p.mhzLimit, p.maxIdleState, p.currentIdleState));
    }
    const CounterSample idle = SampleCounters(2);
    Line(r, Format(u"pdh %% processor performance (idle)\t%.1f", idle.performance));
    Line(r, Format(u"pdh processor frequency (idle)\t%.0f", idle.frequencyMhz));
}

// ---- 6. Processor settings

std::u16string RangeText(const SettingInfo& info) {
    if (info.hasRange) {
        std::u16string text = Format(u"%u..%u step %u", info.min, info.max, info.increment);
        if (!info.units.empty()) text += u" " + info.units;
        return text;
    }
    if (info.possibleValues.empty()) return u"-";
    std::u16string text;
    for (const auto& [value, name] : info.possibleValues) {
        if (!text.empty()) text += u" | ";
        text += ToDecimal(value) + u"=" + name;
    }
    return text;
}

std::u16string DefaultText(const Guid& setting, bool ac) {
    uint32_t value = 0;
    return ReadWindowsDefault(guids::kBalanced, setting, ac, value) ? ToDecimal(value) : u"-";
}

// Lists every processor setting; answers the managed ones that exist, in the order listed.
std::vector<SettingInfo> SettingsSection(Report& r) {
    const std::vector<Guid> settings = EnumerateProcessorSettings();
    const std::vector<Guid> managed = ProbeManagedSettings();
    auto isManaged = [&](const Guid& g) { return std::find(managed.begin(), managed.end(), g) != managed.end(); };

    Line(r, Format(u"== Processor settings (%u)", static_cast<uint32_t>(settings.size())));
    Line(r, u"guid\tname\tmanaged\tattributes\trange or values\tdefault Balanced AC/DC\tCPU-tuned\tactive AC/DC\t"
            u"overlay AC/DC");
    PowerApi* api = Sys().power;
    Guid active, overlay;
    const bool hasActive = api && api->GetActiveScheme(active) == 0;
    const bool hasOverlay = api && api->Has(PowerApi::Fn::GetEffectiveOverlayScheme) &&
                            api->GetEffectiveOverlayScheme(overlay) == 0 && !overlay.IsNull();

    std::vector<SettingInfo> found;
    for (const Guid& setting : settings) {
        const SettingInfo info = ReadSettingInfo(setting);
        const bool own = isManaged(setting);
        Line(r, Format(u"%s\t%s\t%s\t%s\t%s\t%s/%s\t%s\t%s\t%s", GuidToText(setting), info.name,
                       own ? u"managed" : u"-", Format(u"0x%X", info.attributes), RangeText(info),
                       DefaultText(setting, true), DefaultText(setting, false),
                       YesNo(HasProvisionedDefault(guids::kBalanced, setting)),
                       SettingValueText(hasActive ? &active : nullptr, setting),
                       SettingValueText(hasOverlay ? &overlay : nullptr, setting)));
        if (own) found.push_back(info);
    }
    for (const Guid& setting : managed) {
        if (std::find(settings.begin(), settings.end(), setting) == settings.end()) {
            Line(r, Format(u"%s\t(managed by Quellora, not present on this system)", GuidToText(setting)));
        }
    }
    return found;
}

// ---- 7. Write tests

// Ctrl+C cannot end the process while the object lives.
class CtrlCIgnored {
public:
    CtrlCIgnored() {
        if (Sys().console) Sys().console->IgnoreCtrlC(true);
    }
    ~CtrlCIgnored() {
        if (Sys().console) Sys().console->IgnoreCtrlC(false);
    }
    CtrlCIgnored(const CtrlCIgnored&) = delete;
    CtrlCIgnored& operator=(const CtrlCIgnored&) = delete;
};

// The temporary copy of the active plan: however the tests end, the plan that
// was active before is activated again and the copy deleted.
class TemporaryPlan {
public:
    TemporaryPlan(PowerApi& api, const Guid& original, const Guid& copy)
        : api_(api), original_(original), copy_(copy) {}
    ~TemporaryPlan() {
        if (!restored_) Restore();
    }
    TemporaryPlan(const TemporaryPlan&) = delete;
    TemporaryPlan& operator=(const TemporaryPlan&) = delete;

    const Guid& copy() const { return copy_; }
    // True when the original plan is active again and the copy is gone.
    bool Restore() {
        restored_ = true;
        const bool activated = api_.SetActiveScheme(original_) == 0;
        const bool deleted = api_.DeleteScheme(copy_) == 0;
        return activated && deleted;
    }

private:
    PowerApi& api_;
    Guid original_;
    Guid copy_;
    bool restored_ = false;
};

// One thread per logical processor, each spinning until stopped.
class BusyThreads {
public:
    explicit BusyThreads(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            try {
                threads_.emplace_back([this] {
                    while (!stop_.load(std::memory_order_relaxed)) {
                    }
                });
            } catch (const std::system_error&) {
                break;  // as many as the system would start
            }
        }
    }
    ~BusyThreads() { Stop(); }
    BusyThreads(const BusyThreads&) = delete;
    BusyThreads& operator=(const BusyThreads&) = delete;

    void Stop() {
        stop_.store(true);
        for (std::thread& t : threads_) {
            if (t.joinable()) t.join();
        }
        threads_.clear();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// AC first; DC only when the AC write succeeded.
void WriteBoth(PowerApi& api, const Guid& plan, const Guid& setting, uint32_t value) {
    if (api.WriteValueIndex(true, plan, &kSub, &setting, value) == 0) {
        api.WriteValueIndex(false, plan, &kSub, &setting, value);
    }
}

void WriteBothClasses(PowerApi& api, const Guid& plan, const Guid& classZero, const Guid& classOne, uint32_t value) {
    WriteBoth(api, plan, classZero, value);
    WriteBoth(api, plan, classOne, value);
}

int ParkedCpuSets() {
    const std::vector<CpuSetRecord> sets = MainTopology().CpuSets();
    return static_cast<int>(std::count_if(sets.begin(), sets.end(), [](const CpuSetRecord& s) { return s.parked(); }));
}

struct ParkedRange {
    int least = 0;
    int most = 0;
};

ParkedRange SampleParking(uint32_t samples) {
    ParkedRange range;
    for (uint32_t i = 0; i < samples; ++i) {
        if (Sys().clock) Sys().clock->Sleep(500);
        const int parked = ParkedCpuSets();
        range.least = i == 0 ? parked : std::min(range.least, parked);
        range.most = i == 0 ? parked : std::max(range.most, parked);
    }
    return range;
}

void WriteReadBack(Report& r, PowerApi& api, const Guid& copy, const std::vector<SettingInfo>& managed) {
    int accepted = 0;
    int refused = 0;
    for (const SettingInfo& info : managed) {
        uint32_t current = 0;
        const bool haveCurrent = api.ReadValueIndex(true, &copy, &kSub, &info.setting, current) == 0;
        uint32_t test = 0;
        if (!ProbeTestValue(info, current, test)) continue;
        const uint32_t result = api.WriteValueIndex(true, copy, &kSub, &info.setting, test);
        uint32_t readBack = 0;
        const bool readOk = api.ReadValueIndex(true, &copy, &kSub, &info.setting, readBack) == 0;
        if (result != 0 || !readOk || readBack != test) {
            Line(r, Format(u"write\t%s\t%s\twrote %u (error %u), read back %u", GuidToText(info.setting), info.name,
                           test, result, readBack));
            ++refused;
        } else {
            ++accepted;
        }
        if (haveCurrent) api.WriteValueIndex(true, copy, &kSub, &info.setting, current);
    }
    Line(r, Format(u"write/read back\t%d accepted, %d refused or changed", accepted, refused));
}

std::u16string SampleText(const CounterSample& s) {
    return Format(u"perf %.1f%%, freq %.0f MHz, current %.0f MHz", s.performance, s.frequencyMhz, s.currentMhz);
}

// Steps 3 to 7 on the copy; false at a step that ends the tests.
bool TestsOnCopy(Report& r, PowerApi& api, const Guid& copy, const std::vector<SettingInfo>& managed) {
    using namespace guids;
    WriteReadBack(r, api, copy, managed);

    WriteBothClasses(api, copy, kMinProcessorState0, kMinProcessorState1, 5);
    WriteBothClasses(api, copy, kMaxProcessorState0, kMaxProcessorState1, 100);
    if (const uint32_t error = api.SetActiveScheme(copy); error != 0) {
        Line(r, Format(u"FAIL\tcould not activate the temporary plan (error %u)", error));
        return false;
    }
    Guid active;
    const bool activeKnown = api.GetActiveScheme(active) == 0;
    Line(r, Format(u"active after switch\t%s", activeKnown && active == copy ? std::u16string(u"temporary plan")
                                                                             : GuidOrUnavailable(activeKnown, active)));

    // Parking: none parked with every core required, some when 5 % suffice.
    WriteBothClasses(api, copy, kCoreParkingMin0, kCoreParkingMin1, 100);
    api.SetActiveScheme(copy);
    const ParkedRange full = SampleParking(8);
    WriteBothClasses(api, copy, kCoreParkingMin0, kCoreParkingMin1, 5);
    api.SetActiveScheme(copy);
    const ParkedRange five = SampleParking(16);
    Line(r, Format(u"parking\tmin cores 100%%: parked %d..%d\tmin cores 5%%: parked %d..%d (idle)", full.least,
                   full.most, five.least, five.most));
    Line(r, u"parking honored\t" + ParkingVerdict(full.most, five.most));

    // Maximum state under load.
    WriteBothClasses(api, copy, kCoreParkingMin0, kCoreParkingMin1, 100);
    WriteBothClasses(api, copy, kMaxProcessorState0, kMaxProcessorState1, 100);
    api.SetActiveScheme(copy);
    CounterSample loadFull, loadHalf;
    {
        const uint32_t logical = Sys().system ? Sys().system->ActiveProcessorCount(SystemInfo::kAllProcessorGroups) : 1;
        BusyThreads busy(std::max<uint32_t>(logical, 1));
        loadFull = SampleCounters(4);
        WriteBothClasses(api, copy, kMaxProcessorState0, kMaxProcessorState1, 50);
        api.SetActiveScheme(copy);
        loadHalf = SampleCounters(4);
    }
    Line(r, u"max state (load)\t100%: " + SampleText(loadFull) + u"\t50%: " + SampleText(loadHalf));
    Line(r, u"max state honored\t" + MaxStateVerdict(loadFull.performance, loadHalf.performance));

    // Minimum state when idle.
    WriteBothClasses(api, copy, kMaxProcessorState0, kMaxProcessorState1, 100);
    WriteBothClasses(api, copy, kMinProcessorState0, kMinProcessorState1, 5);
    api.SetActiveScheme(copy);
    const CounterSample idleFive = SampleCounters(3);
    WriteBothClasses(api, copy, kMinProcessorState0, kMinProcessorState1, 100);
    api.SetActiveScheme(copy);
    const CounterSample idleFull = SampleCounters(3);
    Line(r, u"min state (idle)\t5%: " + SampleText(idleFive) + u"\t100%: " + SampleText(idleFull));
    Line(r, u"min state honored\t" + MinStateVerdict(idleFive.performance, idleFull.performance));
    return true;
}

// Section 7; true when the plan active before is active again and the copy is gone.
bool WriteTests(Report& r, const std::vector<SettingInfo>& managed) {
    Line(r, u"== Write tests (temporary copy of the active plan)");
    if (Sys().processes) {
        const std::u16string warning = OtherQuelloraWarning(Sys().processes->ListByImageName(u"quellora.exe"),
                                                            Sys().processes->CurrentProcessId());
        if (!warning.empty()) Line(r, warning);
    }
    const CtrlCIgnored ctrlC;
    PowerApi* api = Sys().power;
    Guid original, copy;
    uint32_t error = api ? api->GetActiveScheme(original) : err::kCallNotImplemented;
    if (error == 0) error = api->DuplicateScheme(original, copy);
    if (error != 0) {
        Line(r, Format(u"FAIL\tcould not copy the active plan (error %u)", error));
        return false;
    }
    TemporaryPlan temporary(*api, original, copy);
    const std::vector<uint8_t> name = Utf16Bytes(kProbePlanName);
    api->WriteFriendlyName(copy, nullptr, nullptr, name.data(), static_cast<uint32_t>(name.size()));
    Line(r, Format(u"temporary plan\t%s, copied from %s", GuidToText(copy), GuidToText(original)));

    // A test that ended with a FAIL line fails the run even when the plan was
    // restored: a script must not take tests that never ran for a success.
    const bool testsRan = TestsOnCopy(r, *api, copy, managed);

    const bool restored = temporary.Restore();
    Guid now;
    const bool nowKnown = api->GetActiveScheme(now) == 0;
    Line(r, Format(u"restore\t%s, active plan %s", restored ? u"ok" : u"FAILED", GuidOrUnavailable(nowKnown, now)));
    return restored && testsRan;
}

void Header(Report& r, bool write) {
    const CalendarTime now = Sys().clock ? Sys().clock->LocalNow() : CalendarTime{};
    Line(r, Format(u"Quellora %s power settings probe, %04u-%02u-%02u %02u:%02u%s", kProgramVersion,
                   unsigned(now.year), unsigned(now.month), unsigned(now.day), unsigned(now.hour),
                   unsigned(now.minute), write ? u", with write tests" : u""));
}

}  // namespace

std::u16string ProbeReportPath() {
    std::u16string folder = Sys().folders ? Sys().folders->TempPath() : std::u16string();
    if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    if (folder.empty()) {
        folder = Sys().folders ? FolderPart(Sys().folders->ExecutablePath()) : std::u16string();
        if (folder.empty()) folder = u".";
    }
    const std::u16string computer = Sys().system ? Sys().system->ComputerName() : std::u16string();
    return JoinPath(folder, u"quellora-armprobe-" + computer + u"-x64.txt");
}

std::vector<Guid> ProbeManagedSettings() {
    std::vector<Guid> list = AdvancedSettingGuids();
    for (const Guid& g : {guids::kMinProcessorState0, guids::kMinProcessorState1, guids::kMaxProcessorState0,
                          guids::kMaxProcessorState1}) {
        if (std::find(list.begin(), list.end(), g) == list.end()) list.push_back(g);
    }
    return list;
}

CounterSample SampleCounters(uint32_t samples) {
    PerfCounters* counters = Sys().counters;
    PerfCounters::Query query = 0;
    PerfCounters::Counter performance = 0, frequency = 0;
    bool havePerformance = false, haveFrequency = false;
    const bool open = counters && counters->OpenQuery(query);
    if (open) {
        havePerformance = counters->AddEnglishCounter(query, kPerformanceCounter, performance);
        haveFrequency = counters->AddEnglishCounter(query, kFrequencyCounter, frequency);
        counters->Collect(query);
    }
    double performanceSum = 0, frequencySum = 0, currentSum = 0;
    uint32_t performanceCount = 0, frequencyCount = 0;
    for (uint32_t i = 0; i < samples; ++i) {
        if (Sys().clock) Sys().clock->Sleep(1000);
        currentSum += AverageCurrentMhz();
        if (!open) continue;
        counters->Collect(query);
        double value = 0;
        if (havePerformance && counters->ReadDouble(performance, value)) {
            performanceSum += value;
            ++performanceCount;
        }
        if (haveFrequency && counters->ReadDouble(frequency, value)) {
            frequencySum += value;
            ++frequencyCount;
        }
    }
    if (open) counters->CloseQuery(query);
    CounterSample result;
    if (performanceCount > 0) result.performance = performanceSum / performanceCount;
    if (frequencyCount > 0) result.frequencyMhz = frequencySum / frequencyCount;
    if (samples > 0) result.currentMhz = currentSum / samples;
    return result;
}

bool ProbeTestValue(const SettingInfo& info, uint32_t current, uint32_t& test) {
    if (info.hasRange) {
        if (info.min >= info.max) return false;
        test = current == info.min ? info.max : info.min;
        return true;
    }
    for (const auto& entry : info.possibleValues) {
        if (entry.first != current) {
            test = entry.first;
            return true;
        }
    }
    return false;
}

std::u16string OtherQuelloraWarning(const std::vector<uint32_t>& processIds, uint32_t self) {
    const bool other = std::any_of(processIds.begin(), processIds.end(), [&](uint32_t id) { return id != self; });
    return other ? std::u16string(kOtherQuelloraLine) : std::u16string();
}

std::u16string ParkingVerdict(int mostParkedAtFull, int mostParkedAtFive) {
    if (mostParkedAtFull == 0 && mostParkedAtFive > 0) return u"yes";
    if (mostParkedAtFive == 0) return std::u16string(kNoParkingSeen);
    return u"unclear";
}

std::u16string MaxStateVerdict(double performanceAtFull, double performanceAtHalf) {
    if (!(performanceAtFull > 0) || performanceAtHalf < 0) return u"unknown (no performance counter)";
    return performanceAtHalf < 0.85 * performanceAtFull ? u"yes" : u"no";
}

std::u16string MinStateVerdict(double performanceAtFive, double performanceAtFull) {
    if (!(performanceAtFive > 0) || !(performanceAtFull > 0)) return u"unknown (no performance counter)";
    return performanceAtFull > 1.15 * performanceAtFive ? u"yes" : u"no or already at full speed";
}

int RunPowerSettingsProbe(bool write) {
    Console* console = Sys().console;
    bool ownConsole = false;
    const bool attached = console && console->AttachOrAllocate(ownConsole);
    Report report;
    report.console = attached ? console : nullptr;
    report.path = ProbeReportPath();
    // A new report every run.
    WriteFileAtomic(report.path, kByteOrderMark);

    int code = write ? 1 : 0;
    try {
        Header(report, write);
        SystemSection(report);
        PlansSection(report);
        CoresSection(report);
        PowerInformationSection(report);
        const std::vector<SettingInfo> managed = SettingsSection(report);
        if (write) {
            code = WriteTests(report, managed) ? 0 : 1;
        } else {
            Line(report, u"== Write tests skipped (run with /armprobe /write to test that settings take effect)");
        }
    } catch (...) {
        // Out of memory and the like: the report ends here; a temporary plan was restored on the way out.
        code = 1;
    }
    Line(report, Format(u"report\t%s", report.path));
    if (ownConsole && Sys().interaction) Sys().interaction->OpenWithShell(report.path);
    if (attached) console->Detach();
    return code;
}

}  // namespace quellora
