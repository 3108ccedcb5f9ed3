// The power settings probe: its report on the simulated machine, the write
// tests and their verdicts, and that the active plan always comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "model/probe.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/guid.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

// Moves the tick by what is asked but sleeps only a fiftieth of it, so the
// samples are quick and busy threads still show as load between them.
class FastClock : public testing::ManualClock {
public:
    void Sleep(uint32_t ms) override {
        tick += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(uint64_t(ms) * 1000 / 50));
    }
};

// The power API of the simulated machine with hooks that refuse calls.
class HookedPowerApi : public PowerApi {
public:
    explicit HookedPowerApi(PowerApi& inner) : inner_(inner) {}

    std::function<uint32_t(const Guid&)> onSetActive;  // answers an error to refuse, 0 to pass on
    uint32_t duplicateError = 0;

    bool Has(Fn fn) const override { return inner_.Has(fn); }
    uint32_t SetActiveScheme(const Guid& scheme) override {
        if (onSetActive) {
            if (uint32_t error = onSetActive(scheme)) return error;
        }
        return inner_.SetActiveScheme(scheme);
    }
    uint32_t GetActiveScheme(Guid& scheme) override { return inner_.GetActiveScheme(scheme); }
    uint32_t Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t flags, uint32_t index, uint8_t* buffer,
                       uint32_t* size) override {
        return inner_.Enumerate(scheme, subgroup, flags, index, buffer, size);
    }
    uint32_t ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                              uint32_t* size) override {
        return inner_.ReadFriendlyName(scheme, subgroup, setting, buffer, size);
    }
    uint32_t ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                             uint32_t* size) override {
        return inner_.ReadDescription(scheme, subgroup, setting, buffer, size);
    }
    uint32_t WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                               uint32_t size) override {
        return inner_.WriteFriendlyName(scheme, subgroup, setting, buffer, size);
    }
    uint32_t WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                              uint32_t size) override {
        return inner_.WriteDescription(scheme, subgroup, setting, buffer, size);
    }
    uint32_t DuplicateScheme(const Guid& source, Guid& created) override {
        return duplicateError ? duplicateError : inner_.DuplicateScheme(source, created);
    }
    uint32_t DeleteScheme(const Guid& scheme) override { return inner_.DeleteScheme(scheme); }
    uint32_t ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                            uint32_t& value) override {
        return inner_.ReadValueIndex(ac, scheme, subgroup, setting, value);
    }
    uint32_t WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                             uint32_t value) override {
        return inner_.WriteValueIndex(ac, scheme, subgroup, setting, value);
    }
    uint32_t ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                               uint8_t* buffer, uint32_t* size) override {
        return inner_.ReadPossibleValue(subgroup, setting, type, index, buffer, size);
    }
    uint32_t ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index, uint8_t* buffer,
                                      uint32_t* size) override {
        return inner_.ReadPossibleFriendlyName(subgroup, setting, index, buffer, size);
    }
    uint32_t ReadSettingAttributes(const Guid* subgroup, const Guid* setting) override {
        return inner_.ReadSettingAttributes(subgroup, setting);
    }
    uint32_t WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) override {
        return inner_.WriteSettingAttributes(subgroup, setting, attributes);
    }
    uint32_t ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) override {
        return inner_.ReadValueMin(subgroup, setting, value);
    }
    uint32_t ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) override {
        return inner_.ReadValueMax(subgroup, setting, value);
    }
    uint32_t ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) override {
        return inner_.ReadValueIncrement(subgroup, setting, value);
    }
    uint32_t ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                     uint32_t* size) override {
        return inner_.ReadValueUnitsSpecifier(subgroup, setting, buffer, size);
    }
    uint32_t GetActualOverlayScheme(Guid& overlay) override { return inner_.GetActualOverlayScheme(overlay); }
    uint32_t GetEffectiveOverlayScheme(Guid& overlay) override { return inner_.GetEffectiveOverlayScheme(overlay); }
    uint32_t SetActiveOverlayScheme(const Guid& overlay) override { return inner_.SetActiveOverlayScheme(overlay); }
    uint32_t DeterminePlatformRoleEx(uint32_t version) override { return inner_.DeterminePlatformRoleEx(version); }
    int32_t CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                   uint32_t outputSize) override {
        return inner_.CallNtPowerInformation(level, input, inputSize, output, outputSize);
    }

private:
    PowerApi& inner_;
};

// Remembers each change of the Ctrl+C state with the active plan at that moment.
class CtrlCConsole : public testing::CapturingConsole {
public:
    explicit CtrlCConsole(PowerApi& api) : api_(api) {}
    void IgnoreCtrlC(bool ignore) override {
        CapturingConsole::IgnoreCtrlC(ignore);
        Guid active;
        api_.GetActiveScheme(active);
        changes.emplace_back(ignore, active);
    }
    std::vector<std::pair<bool, Guid>> changes;

private:
    PowerApi& api_;
};

class OtherQuellora : public Processes {
public:
    bool StartDetached(std::u16string_view, uint32_t&) override { return false; }
    ProcessRun Run(std::u16string_view, uint32_t, bool) override { return {}; }
    std::vector<uint32_t> ListByImageName(std::u16string_view name) override {
        asked = std::u16string(name);
        return {4711, 815};
    }
    uint32_t CurrentProcessId() override { return 4711; }
    std::u16string asked;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

int CountContaining(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Text(const Guid& g) { return Utf16ToUtf8(GuidToText(g)); }

constexpr const char* kBalancedText = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";

class ProbeTest : public ::testing::Test {
protected:
    explicit ProbeTest(std::u16string_view layout = u"hybrid-laptop") : env(layout) { env.UseClock(&clock); }

    struct Run {
        int code = -1;
        std::string out;
        std::vector<std::string> lines;
    };
    Run Probe(bool write) {
        env.console().out.clear();
        Run r;
        r.code = RunPowerSettingsProbe(write);
        r.out = env.console().out;
        r.lines = SplitLines(r.out);
        return r;
    }
    std::vector<Guid> Plans() {
        std::vector<Guid> plans;
        for (uint32_t i = 0;; ++i) {
            uint8_t buffer[16];
            uint32_t size = sizeof buffer;
            if (env.power().Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, i, buffer, &size) != 0) break;
            Guid g;
            GuidFromBytes(buffer, sizeof buffer, g);
            plans.push_back(g);
        }
        return plans;
    }
    Guid Active() {
        Guid g;
        env.power().GetActiveScheme(g);
        return g;
    }

    testing::SimEnv env;
    FastClock clock;
};

class DesktopProbeTest : public ProbeTest {
protected:
    DesktopProbeTest() : ProbeTest(u"desktop") {}
};

TEST_F(ProbeTest, ReportSectionsAndLineFormats) {
    const Run r = Probe(false);
    EXPECT_EQ(r.code, 0);
    const std::vector<std::string>& lines = r.lines;
    ASSERT_GT(lines.size(), 100u);
    // The clock says 2026-12-10 09:30.
    EXPECT_EQ(lines[0], "Quellora 6.0.2.18 power settings probe, 2026-12-10 09:30");
    for (const char* header :
         {"== System", "== Power plans", "== Cores (GetLogicalProcessorInformationEx)", "== CPU sets",
          "== Processor power information (CallNtPowerInformation)",
          "guid\tname\tmanaged\tattributes\trange or values\tdefault Balanced AC/DC\tCPU-tuned\tactive AC/DC\t"
          "overlay AC/DC"}) {
        EXPECT_TRUE(Has(lines, header)) << header;
    }
    for (const char* line : {
             "build\tx64", "host\tx64", "emulated\tno", "os\tWindows 11 Pro 24H2 build 26100.2605",
             "cpu\t13th Gen Intel(R) Core(TM) i7-13700HX", "cpu id\tIntel64 Family 6 Model 183 Stepping 1",
             "logical processors\t24", "modern standby (AoAc)\tyes", "processor throttle\tyes, min 5%, max 100%",
             "platform role\t2 (1 desktop, 2 mobile, 8 slate)", "power source\tAC, battery 100%",
             "active\t{381B4222-F694-41F0-9685-FF5BB260DF2E}\tBalanced",
             "overlay actual\t{00000000-0000-0000-0000-000000000000}",
             "overlay effective\t{00000000-0000-0000-0000-000000000000}",
             "plan\t{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}\tHigh performance",
             "core\t0\tgroup 0\tmask 0x3\tefficiency class 1\tSMT yes",
             "core\t15\tgroup 0\tmask 0x800000\tefficiency class 0\tSMT no",
             "class\t0\t8 cores\t8 logical", "class\t1\t8 cores\t16 logical", "heterogeneous\tyes",
             "cpuset\t256\tgroup 0\tlp 0\tcore 0\tefficiency class 1\tscheduling class 1\tparked 1",
             "cpuset\t279\tgroup 0\tlp 23\tcore 23\tefficiency class 0\tscheduling class 0\tparked 1",
             "cpu\t0\tmax 2100 MHz\tcurrent 840 MHz\tlimit 2100 MHz\tmax idle 2\tcurrent idle 2",
             "pdh % processor performance (idle)\t5.0", "pdh processor frequency (idle)\t2100",
             // A managed setting with a range and a provisioned default, and one of Windows' own with values.
             "{0CC5B647-C1DF-4637-891A-DEC35C318583}\tProcessor performance core parking min cores\tmanaged\t0x1\t"
             "0..100 step 1 %\t4/4\tyes\t4/4\t-",
             "{94D3A615-A899-4AC5-AE2B-E4D8F634367F}\tSystem cooling policy\t-\t0x0\t0=Passive | 1=Active\t1/0\tno\t"
             "1/0\t-",
             "== Write tests skipped (run with /armprobe /write to test that settings take effect)",
         }) {
        EXPECT_TRUE(Has(lines, line)) << line;
    }
    EXPECT_TRUE(HasPrefix(lines, "== Processor settings ("));
    EXPECT_FALSE(HasPrefix(lines, "== Write tests (temporary"));
    EXPECT_FALSE(HasPrefix(lines, "class\t2"));
    // Every managed setting exists on this machine.
    EXPECT_EQ(r.out.find("not present on this system"), std::string::npos);

    const std::u16string path = ProbeReportPath();
    EXPECT_EQ(path, env.dir().path16() + u"/Temp/quellora-armprobe-SIMULATED-PC-x64.txt");
    EXPECT_EQ(lines.back(), "report\t" + Utf16ToUtf8(path));
    // The file holds the same lines after a byte order mark.
    std::string file;
    ASSERT_TRUE(ReadWholeFile(path, 1 << 20, file));
    EXPECT_EQ(file, "\xEF\xBB\xBF" + r.out);
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "\r\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), std::count(r.out.begin(), r.out.end(), '\r'));

    // A second run writes the report anew.
    EXPECT_EQ(Probe(false).code, 0);
    ASSERT_TRUE(ReadWholeFile(path, 1 << 20, file));
    EXPECT_EQ(file.size(), 3 + r.out.size());
}

TEST_F(ProbeTest, OverlaysAndTheirValues) {
    env.machine().WriteActiveOverlay(true, guids::kOverlay3);
    env.machine().WritePlanValue(guids::kOverlay3, guids::kSubProcessor, guids::kCoreParkingMin0, true, 100);
    env.machine().WritePlanValue(guids::kOverlay3, guids::kSubProcessor, guids::kCoreParkingMin0, false, 50);
    Run r = Probe(false);
    EXPECT_TRUE(Has(r.lines, "overlay actual\t{DED574B5-45A0-4F42-8737-46345C09C238}"));
    EXPECT_TRUE(Has(r.lines, "overlay effective\t{DED574B5-45A0-4F42-8737-46345C09C238}"));
    EXPECT_TRUE(Has(r.lines,
                    "{0CC5B647-C1DF-4637-891A-DEC35C318583}\tProcessor performance core parking min cores\tmanaged\t"
                    "0x1\t0..100 step 1 %\t4/4\tyes\t4/4\t100/50"));

    // Without the overlay functions.
    env.machine().SetOverlayFunctions(false);
    r = Probe(false);
    EXPECT_TRUE(Has(r.lines, "overlay actual\t(unavailable)"));
    EXPECT_TRUE(Has(r.lines, "overlay effective\t(unavailable)"));
    EXPECT_TRUE(HasPrefix(r.lines, "{0CC5B647-C1DF-4637-891A-DEC35C318583}\tProcessor performance core parking min "
                                   "cores\tmanaged\t0x1\t0..100 step 1 %\t4/4\tyes\t4/4\t-"));
}

TEST_F(DesktopProbeTest, OneClassAndTheSettingsItLacks) {
    const Run r = Probe(false);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.lines, "class\t0\t8 cores\t16 logical"));
    EXPECT_FALSE(HasPrefix(r.lines, "class\t1"));
    EXPECT_TRUE(Has(r.lines, "heterogeneous\tno"));
    EXPECT_TRUE(Has(r.lines, "platform role\t1 (1 desktop, 2 mobile, 8 slate)"));
    EXPECT_TRUE(Has(r.lines, "power source\tAC, battery 0%"));  // no battery: 255 shows as 0
    // Windows registers the class-1 settings whatever the processor.
    EXPECT_TRUE(HasPrefix(r.lines, Text(guids::kCoreParkingMin1) +
                                       "\tProcessor performance core parking min cores for Processor Power "
                                       "Efficiency Class 1\tmanaged\t0x1\t"));
    EXPECT_EQ(r.out.find("not present on this system"), std::string::npos);
}

TEST_F(DesktopProbeTest, AWindowsReleaseWithoutTheClassOneSettings) {
    env.machine().SetWindows(sim::WindowsForBuild(9600));
    const Run r = Probe(false);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.lines, "os\tWindows 8.1 Pro  build 9600.0"));
    // The class-1 settings are not on this machine.
    for (const Guid& g : {guids::kCoreParkingMin1, guids::kMinProcessorState1, guids::kMaxProcessorState1}) {
        EXPECT_TRUE(Has(r.lines, Text(g) + "\t(managed by Quellora, not present on this system)")) << Text(g);
        EXPECT_EQ(CountContaining(r.lines, Text(g)), 1) << Text(g);
    }
}

TEST_F(ProbeTest, AManagedSettingRemovedFromTheMachine) {
    const Guid perfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
    ASSERT_EQ(env.registry().DeleteTree(Hive::LocalMachine, sim::SettingKey(guids::kSubProcessor, perfCheck)), 0u);
    const Run r = Probe(true);
    EXPECT_EQ(r.code, 0);
    const std::string missing = Text(perfCheck) + "\t(managed by Quellora, not present on this system)";
    EXPECT_TRUE(Has(r.lines, missing));
    // Listed only there, and left out of the write test.
    EXPECT_EQ(CountContaining(r.lines, Text(perfCheck)), 1);
    EXPECT_TRUE(Has(r.lines, "write/read back\t34 accepted, 0 refused or changed"));
}

TEST_F(ProbeTest, WriteTestsOnTheSimulatedMachine) {
    const std::vector<Guid> plansBefore = Plans();
    const auto start = std::chrono::steady_clock::now();
    const Run r = Probe(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("seconds", std::to_string(seconds));
    // About a second with other builds running beside it; a loaded machine
    // stretches a good run past 2 s. The ceiling only catches a probe that
    // waits out a time-out (a powercfg run allows 30 s).
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(r.code, 0);

    EXPECT_EQ(r.lines[0], "Quellora 6.0.2.18 power settings probe, 2026-12-10 09:30, with write tests");
    EXPECT_FALSE(HasPrefix(r.lines, "== Write tests skipped"));
    const auto header = std::find(r.lines.begin(), r.lines.end(), "== Write tests (temporary copy of the active plan)");
    ASSERT_NE(header, r.lines.end());
    const std::vector<std::string> tests(header + 1, r.lines.end());
    ASSERT_GE(tests.size(), 11u);
    EXPECT_TRUE(tests[0].rfind("temporary plan\t{", 0) == 0) << tests[0];
    EXPECT_TRUE(EndsWith(tests[0], std::string("}, copied from ") + kBalancedText)) << tests[0];
    EXPECT_EQ(tests[1], "write/read back\t35 accepted, 0 refused or changed");
    EXPECT_EQ(tests[2], "active after switch\ttemporary plan");
    EXPECT_EQ(tests[3], "parking\tmin cores 100%: parked 0..0\tmin cores 5%: parked 21..21 (idle)");
    EXPECT_EQ(tests[4], "parking honored\tyes");
    EXPECT_TRUE(tests[5].rfind("max state (load)\t100%: perf ", 0) == 0) << tests[5];
    EXPECT_EQ(tests[6], "max state honored\tyes") << tests[5];
    EXPECT_TRUE(tests[7].rfind("min state (idle)\t5%: perf ", 0) == 0) << tests[7];
    EXPECT_TRUE(EndsWith(tests[7], "\t100%: perf 100.0%, freq 2100 MHz, current 2100 MHz")) << tests[7];
    EXPECT_EQ(tests[8], "min state honored\tyes");
    EXPECT_EQ(tests[9], std::string("restore\tok, active plan ") + kBalancedText);
    EXPECT_EQ(tests[10].rfind("report\t", 0), 0u);

    // The original plan is active and the copy gone.
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Plans(), plansBefore);
    std::string file;
    ASSERT_TRUE(ReadWholeFile(ProbeReportPath(), 1 << 20, file));
    EXPECT_EQ(file, "\xEF\xBB\xBF" + r.out);
}

TEST_F(ProbeTest, VerdictsOfAMachineThatIgnoresTheSettings) {
    env.machine().SetIgnoresParking(true);
    Run r = Probe(true);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.lines, "parking\tmin cores 100%: parked 0..0\tmin cores 5%: parked 0..0 (idle)"));
    EXPECT_TRUE(Has(r.lines, "parking honored\tno parking seen at 5% (not honored, or the system was busy)"));
    EXPECT_TRUE(Has(r.lines, "max state honored\tyes"));

    env.machine().SetIgnoresParking(false);
    env.machine().SetIgnoresMaxState(true);
    r = Probe(true);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.lines, "parking honored\tyes"));
    EXPECT_TRUE(Has(r.lines, "max state honored\tno"));
    EXPECT_TRUE(Has(r.lines, "min state honored\tyes"));
    EXPECT_EQ(Active(), guids::kBalanced);
}

TEST_F(ProbeTest, ARefusedWriteOfTheCopyStillEndsWithThePlanRestored) {
    const std::vector<Guid> plansBefore = Plans();
    env.machine().SetWriteRefusal(guids::kCoreParkingMin0, true, err::kAccessDenied);
    const Run r = Probe(true);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.lines, "write\t{0CC5B647-C1DF-4637-891A-DEC35C318583}\tProcessor performance core parking min "
                             "cores\twrote 0 (error 5), read back 4"));
    EXPECT_TRUE(Has(r.lines, "write/read back\t34 accepted, 1 refused or changed"));
    // The copy keeps Balanced's 4 %, so cores are parked even at "100 %".
    EXPECT_TRUE(Has(r.lines, "parking honored\tunclear"));
    EXPECT_TRUE(Has(r.lines, std::string("restore\tok, active plan ") + kBalancedText));
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Plans(), plansBefore);
}

TEST_F(ProbeTest, FailuresOfTheCopyActivationAndRestore) {
    HookedPowerApi hooked(env.power());
    env.platform().power = &hooked;
    const std::vector<Guid> plansBefore = Plans();

    // The copy cannot be made: nothing to restore.
    hooked.duplicateError = err::kAccessDenied;
    Run r = Probe(true);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.lines, "FAIL\tcould not copy the active plan (error 5)"));
    EXPECT_FALSE(HasPrefix(r.lines, "temporary plan"));
    EXPECT_FALSE(HasPrefix(r.lines, "restore"));
    EXPECT_EQ(r.lines.back().rfind("report\t", 0), 0u);
    hooked.duplicateError = 0;

    // The copy cannot be activated: the tests end, the plan is restored, and the
    // run does not pass for a success.
    hooked.onSetActive = [](const Guid& plan) { return plan == guids::kBalanced ? 0u : err::kAccessDenied; };
    r = Probe(true);
    EXPECT_EQ(r.code, 1);
    const auto fail =
        std::find(r.lines.begin(), r.lines.end(), "FAIL\tcould not activate the temporary plan (error 5)");
    ASSERT_NE(fail, r.lines.end());
    ASSERT_NE(fail + 1, r.lines.end());
    EXPECT_EQ(fail[1], std::string("restore\tok, active plan ") + kBalancedText);
    EXPECT_FALSE(HasPrefix(r.lines, "parking"));
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Plans(), plansBefore);

    // The original plan cannot be activated again: the restore fails and says so.
    Guid copy;
    hooked.onSetActive = [&](const Guid& plan) {
        if (plan != guids::kBalanced) copy = plan;
        return plan == guids::kBalanced && !copy.IsNull() ? err::kAccessDenied : 0u;
    };
    r = Probe(true);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.lines, "restore\tFAILED, active plan " + Text(copy)));
    hooked.onSetActive = nullptr;
    env.platform().power = &env.power();
}

TEST_F(ProbeTest, CtrlCIsIgnoredUntilThePlanIsRestored) {
    CtrlCConsole console(env.power());
    env.platform().console = &console;
    HookedPowerApi hooked(env.power());
    std::vector<bool> ignoredAtActivation;
    hooked.onSetActive = [&](const Guid&) {
        ignoredAtActivation.push_back(console.ctrlCIgnored);
        return 0u;
    };
    env.platform().power = &hooked;

    EXPECT_EQ(RunPowerSettingsProbe(true), 0);
    ASSERT_EQ(console.changes.size(), 2u);
    EXPECT_TRUE(console.changes[0].first);
    EXPECT_FALSE(console.changes[1].first);
    EXPECT_EQ(console.changes[1].second, guids::kBalanced);  // released after the restore
    ASSERT_FALSE(ignoredAtActivation.empty());
    EXPECT_TRUE(std::all_of(ignoredAtActivation.begin(), ignoredAtActivation.end(), [](bool b) { return b; }));

    // Without the write tests Ctrl+C is left alone.
    console.changes.clear();
    EXPECT_EQ(RunPowerSettingsProbe(false), 0);
    EXPECT_TRUE(console.changes.empty());
    env.platform().power = &env.power();
    env.platform().console = &env.console();
}

TEST_F(ProbeTest, AnotherQuelloraIsReported) {
    EXPECT_EQ(OtherQuelloraWarning({}, 7), u"");
    EXPECT_EQ(OtherQuelloraWarning({7}, 7), u"");
    const std::u16string warning =
        u"warning\tanother Quellora is running; Dynamic Boost or drift restore could switch plans during the tests. "
        u"Exit it for clean results.";
    EXPECT_EQ(OtherQuelloraWarning({7, 9}, 7), warning);

    OtherQuellora processes;
    env.platform().processes = &processes;
    const Run r = Probe(true);
    env.platform().processes = &env.processes();
    EXPECT_EQ(processes.asked, u"quellora.exe");
    const auto header = std::find(r.lines.begin(), r.lines.end(), "== Write tests (temporary copy of the active plan)");
    ASSERT_NE(header, r.lines.end());
    EXPECT_EQ(header[1], Utf16ToUtf8(warning));
}

TEST_F(ProbeTest, StartedWithoutAConsoleTheReportIsOpened) {
    class OwnConsole : public testing::CapturingConsole {
    public:
        bool AttachOrAllocate(bool& own) override {
            CapturingConsole::AttachOrAllocate(own);
            own = true;
            return true;
        }
    } console;
    env.platform().console = &console;
    EXPECT_EQ(RunPowerSettingsProbe(false), 0);
    env.platform().console = &env.console();
    EXPECT_EQ(env.interaction().LastOpened(), ProbeReportPath());
}

TEST_F(ProbeTest, ReportPathFallsBackToTheProgramsFolder) {
    class Folders : public host::HostFolders {
    public:
        using HostFolders::HostFolders;
        std::u16string TempPath() override { return temp; }
        std::u16string ExecutablePath() override { return exe; }
        std::u16string temp, exe;
    } folders(env.dir().path16());
    KnownFolders* previous = env.platform().folders;
    env.platform().folders = &folders;
    env.machine().SetComputerName(u"DESK-7");
    struct Case {
        const char16_t* temp;
        const char16_t* exe;
        const char16_t* expected;
    };
    for (const Case& c : {Case{u"/tmp/x/", u"/opt/q/quellora", u"/tmp/x/quellora-armprobe-DESK-7-x64.txt"},
                          Case{u"/tmp/x", u"/opt/q/quellora", u"/tmp/x/quellora-armprobe-DESK-7-x64.txt"},
                          Case{u"", u"/opt/q/quellora", u"/opt/q/quellora-armprobe-DESK-7-x64.txt"},
                          Case{u"", u"quellora", u"./quellora-armprobe-DESK-7-x64.txt"}}) {
        folders.temp = c.temp;
        folders.exe = c.exe;
        EXPECT_EQ(Utf16ToUtf8(ProbeReportPath()), Utf16ToUtf8(c.expected));
    }
    env.platform().folders = previous;
}

TEST(ProbeVerdictTest, Parking) {
    struct Case {
        int full, five;
        const char16_t* verdict;
    } const cases[] = {
        {0, 14, u"yes"},
        {0, 0, u"no parking seen at 5% (not honored, or the system was busy)"},
        {2, 0, u"no parking seen at 5% (not honored, or the system was busy)"},
        {2, 14, u"unclear"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParkingVerdict(c.full, c.five), c.verdict) << c.full << " " << c.five;
}

TEST(ProbeVerdictTest, MaximumAndMinimumState) {
    struct Case {
        double a, b;
        const char16_t* verdict;
    };
    for (const Case& c : {Case{100, 50, u"yes"}, Case{100, 84.9, u"yes"}, Case{100, 85, u"no"}, Case{100, 0, u"yes"},
                          Case{0, 50, u"unknown (no performance counter)"},
                          Case{-1, -1, u"unknown (no performance counter)"},
                          Case{100, -1, u"unknown (no performance counter)"}}) {
        EXPECT_EQ(MaxStateVerdict(c.a, c.b), c.verdict) << c.a << " " << c.b;
    }
    for (const Case& c : {Case{5, 100, u"yes"}, Case{100, 100, u"no or already at full speed"},
                          Case{50, 57.4, u"no or already at full speed"}, Case{50, 57.6, u"yes"},
                          Case{0, 100, u"unknown (no performance counter)"},
                          Case{5, -1, u"unknown (no performance counter)"}}) {
        EXPECT_EQ(MinStateVerdict(c.a, c.b), c.verdict) << c.a << " " << c.b;
    }
}

TEST(ProbeTestValueTest, RangeOrPossibleValues) {
    SettingInfo range;
    range.hasRange = true;
    range.min = 0;
    range.max = 100;
    SettingInfo flat = range;
    flat.max = 0;
    SettingInfo choice;
    choice.possibleValues = {{0, u"Off"}, {1, u"On"}, {2, u"Aggressive"}};
    SettingInfo single;
    single.possibleValues = {{3, u"Only"}};
    SettingInfo none;
    struct Case {
        const SettingInfo* info;
        uint32_t current;
        bool tested;
        uint32_t test;
    } const cases[] = {
        {&range, 40, true, 0}, {&range, 0, true, 100}, {&flat, 0, false, 0},  {&choice, 0, true, 1},
        {&choice, 1, true, 0}, {&single, 3, false, 0}, {&single, 1, true, 3}, {&none, 0, false, 0},
    };
    for (const Case& c : cases) {
        uint32_t test = 12345;
        EXPECT_EQ(ProbeTestValue(*c.info, c.current, test), c.tested);
        if (c.tested) {
            EXPECT_EQ(test, c.test);
        }
    }
}

TEST(ProbeManagedSettingsTest, ThirtySevenWithoutRepeats) {
    std::vector<Guid> list = ProbeManagedSettings();
    EXPECT_EQ(list.size(), 37u);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(std::adjacent_find(list.begin(), list.end()), list.end());
}

TEST(ProbeProgramTest, PlainProbeOfTheHostProgram) {
    testing::TempDir state;
    const auto r = testing::RunProgram("quellora", {"/armprobe"}, {{"QUELLORA_SIM_DIR", state.path()}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Quellora 6.0.2.18 power settings probe, ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "== System");
    EXPECT_EQ(lines[2], "build\tx64");
    const std::string path = state.path() + "/Temp/quellora-armprobe-SIMULATED-PC-x64.txt";
    EXPECT_EQ(lines.back(), "report\t" + path);
    EXPECT_EQ(testing::ReadBytes(path), "\xEF\xBB\xBF" + r.out);
}

}  // namespace
}  // namespace quellora
