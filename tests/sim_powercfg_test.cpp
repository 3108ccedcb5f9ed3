// powercfg.exe of the simulated machine, the processes that start it, the
// message boxes, and the quellora-sim command.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/host/journal_registry.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_interaction.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/sim/sim_processes.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using namespace sim;

constexpr Guid kSub = guids::kSubProcessor;
const std::u16string kPowercfg = u"\"C:\\Windows\\system32\\powercfg.exe\"";

class SimPowercfg : public ::testing::Test {
protected:
    ProcessRun Run(std::u16string_view arguments) { return processes.Run(kPowercfg + u" " + std::u16string(arguments), 1000, true); }
    uint32_t Attributes(const Guid& setting) {
        return DwordOr(registry, Hive::LocalMachine, SettingKey(kSub, setting), u"Attributes", 0xDEAD);
    }

    MemoryRegistry registry;
    SimMachine machine{registry, true};
    SimPowerApi api{machine};
    SimProcesses processes{machine};
};

TEST_F(SimPowercfg, QueryPrintsWindowsTextAndLeavesHiddenSettingsOut) {
    ASSERT_EQ(Run(u"-attributes SUB_PROCESSOR CPMINCORES +ATTRIB_HIDE").exitCode, 0u);  // as on stock Windows
    const ProcessRun all = Run(u"/q");
    ASSERT_TRUE(all.started && all.finished);
    EXPECT_EQ(all.exitCode, 0u);
    const std::string expectedStart =
        "Power Scheme GUID: 381b4222-f694-41f0-9685-ff5bb260df2e  (Balanced)\r\n"
        "  GUID Alias: SCHEME_BALANCED\r\n"
        "  Subgroup GUID: 54533251-82be-4824-96c1-47b60b740d00  (Processor power management)\r\n"
        "    GUID Alias: SUB_PROCESSOR\r\n"
        "    Power Setting GUID: 893dee8e-2bef-41e0-89c6-b55d0929964c  (Minimum processor state)\r\n"
        "      GUID Alias: PROCTHROTTLEMIN\r\n"
        "      Minimum Possible Setting: 0x00000000\r\n"
        "      Maximum Possible Setting: 0x00000064\r\n"
        "      Possible Settings increment: 0x00000001\r\n"
        "      Possible Settings units: %\r\n"
        "    Current AC Power Setting Index: 0x00000005\r\n"
        "    Current DC Power Setting Index: 0x00000005\r\n"
        "\r\n"
        "    Power Setting GUID: 94d3a615-a899-4ac5-ae2b-e4d8f634367f  (System cooling policy)\r\n"
        "      GUID Alias: SYSCOOLPOL\r\n"
        "      Possible Setting Index: 000\r\n"
        "      Possible Setting Friendly Name: Passive\r\n";
    EXPECT_EQ(all.output.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(all.output.find("CPMINCORES"), std::string::npos);

    // /qh shows the hidden ones too.
    EXPECT_NE(Run(u"/qh").output.find("GUID Alias: CPMINCORES\r\n"), std::string::npos);
}

TEST_F(SimPowercfg, AttributesCommandShowsAndHidesASetting) {
    const Guid cpMinCores = guids::kCoreParkingMin0;
    EXPECT_EQ(Attributes(cpMinCores), 1u);  // hidden, as Windows ships it
    ASSERT_EQ(Run(u"-attributes SUB_PROCESSOR CPMINCORES -ATTRIB_HIDE").exitCode, 0u);
    EXPECT_EQ(Attributes(cpMinCores), 0u);
    ASSERT_EQ(Run(u"-attributes SUB_PROCESSOR CPMINCORES +ATTRIB_HIDE").exitCode, 0u);
    EXPECT_EQ(Attributes(cpMinCores), 1u);
    // As the program starts it: braces removed from the whole command line.
    ProcessRun run = Run(u"-attributes SUB_PROCESSOR 0CC5B647-C1DF-4637-891A-DEC35C318583 -ATTRIB_HIDE");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Attributes(cpMinCores), 0u);
    for (bool ac : {true, false}) {
        ASSERT_EQ(api.WriteValueIndex(ac, guids::kBalanced, &kSub, &cpMinCores, ac ? 37 : 41), 0u);
    }
    run = Run(u"/q SCHEME_CURRENT SUB_PROCESSOR CPMINCORES");
    EXPECT_NE(run.output.find("    Current AC Power Setting Index: 0x00000025\r\n"
                              "    Current DC Power Setting Index: 0x00000029\r\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(Run(u"-attributes SUB_PROCESSOR CPMINCORES +ATTRIB_HIDE").exitCode, 0u);
    EXPECT_EQ(Attributes(cpMinCores), 1u);
    run = Run(u"/q scheme_current sub_processor cpmincores");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output.find("CPMINCORES"), std::string::npos);
    // Other attribute bits stay; a missing value counts as hidden.
    WriteDword(registry, Hive::LocalMachine, SettingKey(kSub, cpMinCores), u"Attributes", 3);
    Run(u"-attributes SUB_PROCESSOR CPMINCORES -ATTRIB_HIDE");
    EXPECT_EQ(Attributes(cpMinCores), 2u);
    registry.DeleteValue(Hive::LocalMachine, SettingKey(kSub, cpMinCores), u"Attributes");
    Run(u"-attributes SUB_PROCESSOR CPMINCORES +ATTRIB_HIDE");
    EXPECT_EQ(Attributes(cpMinCores), 1u);

    EXPECT_EQ(Run(u"-attributes SUB_PROCESSOR CPMINCORES ATTRIB_HIDE").exitCode, 1u);
    EXPECT_EQ(Run(u"-attributes SUB_PROCESSOR 01234567-89ab-cdef-0123-456789abcdef -ATTRIB_HIDE").exitCode, 1u);
}

TEST_F(SimPowercfg, SetActiveSchemeCurrentAppliesTheWrittenValues) {
    const uint32_t before = machine.ApplySequence();
    uint32_t error = 0;
    ASSERT_TRUE(processes.StartDetached(kPowercfg + u" -setactive scheme_current", error));
    EXPECT_EQ(machine.ApplySequence(), before + 1);
    EXPECT_EQ(Run(u"/setactive 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c").exitCode, 0u);
    Guid active;
    ASSERT_TRUE(machine.ActiveScheme(active));
    EXPECT_EQ(active, guids::kHighPerformance);
    EXPECT_EQ(Run(u"-setactive 01234567-89ab-cdef-0123-456789abcdef").exitCode, 1u);
    EXPECT_EQ(Run(u"-setactive").exitCode, 1u);
}

TEST_F(SimPowercfg, ExportWritesThePlanAndImportBringsItBack) {
    testing::TempDir dir;
    const std::u16string file = dir.path16() + u"/Balanced {381B4222-F694-41F0-9685-FF5BB260DF2E}.pow";
    ASSERT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &guids::kCoreParkingMin0, 37), 0u);
    ProcessRun run = Run(u"/export \"" + file + u"\" 381B4222F69441F09685FF5BB260DF2E");
    EXPECT_EQ(run.exitCode, 1u);  // not a GUID
    run = Run(u"/export \"" + file + u"\" 381B4222-F694-41F0-9685-FF5BB260DF2E");
    EXPECT_EQ(run.exitCode, 0u);
    const std::string text = testing::ReadBytes(Utf16ToUtf8(file));
    EXPECT_NE(text.find("\"name\": \"Balanced\""), std::string::npos);
    EXPECT_NE(text.find("\"alias\": \"CPMINCORES\""), std::string::npos);

    const std::u16string missing = dir.path16() + u"/missing.pow";
    EXPECT_EQ(Run(u"/export \"" + missing + u"\" 01234567-89AB-CDEF-0123-456789ABCDEF").exitCode, 1u);
    EXPECT_TRUE(testing::ReadBytes(Utf16ToUtf8(missing)).empty());

    run = Run(u"/import \"" + file + u"\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    const std::string prefix = "Imported Scheme Successfully. GUID: ";
    ASSERT_EQ(run.output.substr(0, prefix.size()), prefix);
    Guid imported;
    ASSERT_TRUE(StringToGuid(Utf8ToUtf16(run.output.substr(prefix.size(), 36)), imported));
    uint32_t value = 0;
    ValueOrigin origin = ValueOrigin::Default;
    ASSERT_EQ(machine.ReadPlanValue(imported, kSub, guids::kCoreParkingMin0, true, value, &origin), 0u);
    EXPECT_EQ(value, 37u);
    EXPECT_EQ(origin, ValueOrigin::Plan);
}

TEST_F(SimPowercfg, ListAndOtherCommands) {
    ProcessRun run = Run(u"/l");
    EXPECT_NE(run.output.find("Power Scheme GUID: 381b4222-f694-41f0-9685-ff5bb260df2e  (Balanced) *\r\n"),
              std::string::npos);
    EXPECT_EQ(run.output.find("Ultimate"), std::string::npos);
    run = Run(u"/duplicatescheme SCHEME_MIN 11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(machine.PlanExists(GuidLiteral("11111111-2222-3333-4444-555555555555")));
    EXPECT_EQ(Run(u"/changename 11111111-2222-3333-4444-555555555555 \"My plan\"").exitCode, 0u);
    EXPECT_NE(Run(u"/l").output.find("(My plan)"), std::string::npos);
    EXPECT_EQ(Run(u"/setacvalueindex 11111111-2222-3333-4444-555555555555 SUB_PROCESSOR CPMINCORES 101").exitCode, 1u);
    EXPECT_EQ(Run(u"/setacvalueindex 11111111-2222-3333-4444-555555555555 SUB_PROCESSOR CPMINCORES 55").exitCode, 0u);
    EXPECT_EQ(Run(u"/d SCHEME_CURRENT").exitCode, 1u);
    EXPECT_EQ(Run(u"/delete 11111111-2222-3333-4444-555555555555").exitCode, 0u);
    EXPECT_EQ(Run(u"/nonsense").exitCode, 1u);
    EXPECT_EQ(Run(u"/getactivescheme").output,
              "Power Scheme GUID: 381b4222-f694-41f0-9685-ff5bb260df2e  (Balanced)\r\n");
}

TEST_F(SimPowercfg, ProcessesRoutePowercfgAndLogEveryStart) {
    for (const char16_t* line : {u"powercfg -setactive scheme_current", u"C:\\WINDOWS\\System32\\POWERCFG.EXE /l",
                                 u"\"C:\\Program Files\\x\\powercfg\" /l"}) {
        EXPECT_TRUE(processes.Run(line, 1000, false).started) << Utf16ToUtf8(line);
    }
    EXPECT_TRUE(processes.Run(u"powercfg /l", 1000, false).output.empty());  // output only when asked for
    const ProcessRun other = processes.Run(u"\"C:\\Windows\\notepad.exe\" x.txt", 1000, true);
    EXPECT_FALSE(other.started);
    EXPECT_EQ(other.error, err::kFileNotFound);
    uint32_t error = 0;
    EXPECT_FALSE(processes.StartDetached(u"powercfgx.exe /l", error));
    EXPECT_EQ(error, err::kFileNotFound);
    const auto log = processes.StartedCommandLines();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], u"powercfg -setactive scheme_current");
    EXPECT_EQ(log[5], u"powercfgx.exe /l");
    processes.ClearLog();
    EXPECT_TRUE(processes.StartedCommandLines().empty());
    // Without real processes the list holds the current process only.
    EXPECT_EQ(processes.ListByImageName(u"quellora.exe"), std::vector<uint32_t>{processes.CurrentProcessId()});
}

TEST(SimCommandLine, SplitsAsWindowsDoes) {
    EXPECT_EQ(SplitCommandLine(u"\"C:\\Program Files\\a.exe\" /export \"C:\\x y\\b.pow\" GUID"),
              (std::vector<std::u16string>{u"C:\\Program Files\\a.exe", u"/export", u"C:\\x y\\b.pow", u"GUID"}));
    EXPECT_EQ(SplitCommandLine(u"a.exe  one\ttwo \"\" \"in\"\"side\" back\\\\\"q\" x\\\"y"),
              (std::vector<std::u16string>{u"a.exe", u"one", u"two", u"", u"in\"side", u"back\\q", u"x\"y"}));
    EXPECT_TRUE(IsPowercfgCommand(u"powercfg.exe /q"));
    EXPECT_TRUE(IsPowercfgCommand(u"\"C:\\Windows\\system32\\PowerCfg.Exe\" /q"));
    EXPECT_FALSE(IsPowercfgCommand(u"\"C:\\powercfg.exe dir\\other.exe\" /q"));
    EXPECT_FALSE(IsPowercfgCommand(u"notpowercfg.exe /q"));
}

TEST(SimMessageBoxes, AnsweredWithTheMachinesAnswer) {
    MemoryRegistry registry;
    SimMachine machine(registry, true);
    SimInteraction interaction(machine);
    AskedQuestion asked;
    EXPECT_FALSE(interaction.LastQuestion(asked));
    EXPECT_EQ(interaction.MessageBox(u"Delete?", u"Quellora", mb::kYesNo | mb::kIconQuestion), mb::kIdNo);
    machine.SetMessageBoxAnswer(mb::kIdYes);
    EXPECT_EQ(interaction.MessageBox(u"Really?", u"Quellora", mb::kYesNo), mb::kIdYes);
    EXPECT_EQ(interaction.MessageBox(u"Done.", u"Quellora", mb::kOk | mb::kIconInformation), mb::kIdOk);
    ASSERT_TRUE(interaction.LastQuestion(asked));
    EXPECT_EQ(asked.text, u"Done.");
    EXPECT_EQ(asked.caption, u"Quellora");
    EXPECT_EQ(asked.style, mb::kOk | mb::kIconInformation);
    EXPECT_EQ(interaction.QuestionCount(), 3u);
}

// ---- quellora-sim, run as a user would, on a machine in a folder of its own.

class SimTool : public ::testing::Test {
protected:
    testing::ProgramResult Sim(const std::vector<std::string>& args) {
        return testing::RunProgram("quellora-sim", args, {{"QUELLORA_SIM_DIR", dir.path()}});
    }
    testing::TempDir dir;
};

TEST_F(SimTool, ChangesTheMachineAnotherProcessSees) {
    ASSERT_EQ(Sim({"reset"}).exitCode, 0);
    EXPECT_EQ(Sim({"set", "Balanced", "CPMINCORES", "both", "37"}).exitCode, 0);
    EXPECT_EQ(Sim({"refuse", "cpmincores1", "dc", "1234"}).exitCode, 0);
    EXPECT_EQ(Sim({"layout", "desktop"}).exitCode, 0);
    EXPECT_EQ(Sim({"overlay", "add", "all"}).exitCode, 0);
    EXPECT_EQ(Sim({"overlay", "active", "3"}).exitCode, 0);
    EXPECT_EQ(Sim({"remove-setting", "high", "PROCTHROTTLEMAX"}).exitCode, 0);
    EXPECT_EQ(Sim({"answer", "yes"}).exitCode, 0);

    JournalRegistry registry(dir.path() + "/registry.journal");
    SimMachine machine(registry, true);
    uint32_t value = 0;
    ASSERT_EQ(machine.ReadPlanValue(guids::kBalanced, kSub, guids::kCoreParkingMin0, false, value), 0u);
    EXPECT_EQ(value, 37u);
    uint32_t error = 0;
    ASSERT_TRUE(machine.WriteRefusal(guids::kCoreParkingMin1, false, error));
    EXPECT_EQ(error, 1234u);
    EXPECT_EQ(machine.LayoutName(), u"desktop");
    Guid overlay;
    ASSERT_TRUE(machine.ActiveOverlay(true, overlay));
    EXPECT_EQ(overlay, guids::kOverlay3);
    EXPECT_EQ(machine.ReadPlanValue(guids::kHighPerformance, kSub, guids::kMaxProcessorState0, true, value),
              err::kFileNotFound);
    EXPECT_EQ(machine.MessageBoxAnswer(), mb::kIdYes);

    const auto values = Sim({"values", "balanced", "CPMINCORES"});
    EXPECT_EQ(values.exitCode, 0);
    EXPECT_NE(values.out.find("AC 37"), std::string::npos) << values.out;
    const auto plans = Sim({"plans"});
    EXPECT_NE(plans.out.find("* {381B4222-F694-41F0-9685-FF5BB260DF2E}  Balanced"), std::string::npos) << plans.out;
    EXPECT_NE(plans.out.find("Best Performance [overlay] [active overlay AC]"), std::string::npos) << plans.out;
}

TEST_F(SimTool, UsageAndFailures) {
    EXPECT_EQ(Sim({}).exitCode, 1);
    const auto unknown = Sim({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 1);
    const auto usage = Sim({"set", "balanced"});
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_NE(usage.err.find("usage: quellora-sim set <plan> <setting> ac|dc|both <value>"), std::string::npos);
    EXPECT_EQ(Sim({"set", "balanced", "CPMINCORES", "sideways", "3"}).exitCode, 1);
    EXPECT_EQ(Sim({"values", "No Such Plan"}).exitCode, 2);
    EXPECT_EQ(Sim({"layout", "mainframe"}).exitCode, 2);
    const auto help = Sim({"help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"plans", "active", "values", "set", "unset", "remove-setting", "rename", "overlay",
                                "overlay-functions", "refuse", "allow", "unreadable-name", "hide-plan", "layout",
                                "windows", "answer", "reset", "registry"}) {
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
    }
    const auto layouts = Sim({"layout"});
    EXPECT_NE(layouts.out.find("* hybrid-laptop"), std::string::npos) << layouts.out;
    EXPECT_NE(Sim({"registry", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes"})
                  .out.find("\"ActivePowerScheme\" = REG_SZ \"381b4222-f694-41f0-9685-ff5bb260df2e\""),
              std::string::npos);
}

}  // namespace
}  // namespace quellora
