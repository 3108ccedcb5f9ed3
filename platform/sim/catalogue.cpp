// The processor settings, plans and overlays of the simulated machine.
//
// Names, descriptions, ranges, units, possible values and the hidden
// attribute of the 37 managed settings come from Windows' own listings of
// the processor power management subgroup (WMI Win32_PowerSetting, powercfg
// /q output, PowrProf and ETW setting metadata) and Microsoft's provisioning
// reference for these settings. Windows' per-plan AC/DC defaults are mostly
// unpublished and tuned per processor: where a value was seen in force in a
// stock plan of a Windows 11 hybrid laptop, the defaults table below holds it
// for mains and battery alike; the other values are plausible stock values in
// the ranges Windows reports. tests/sim_windows_data_test.cpp holds the
// machine to that data.
#include "platform/sim/catalogue.h"

#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr PossibleValue kCpincreasepolValues[] = {
    {0, 0x00000000, u"Ideal number of cores", nullptr},
    {1, 0x00000001, u"Single core", nullptr},
    {2, 0x00000002, u"All possible cores", nullptr},
    {3, 0x00000003, u"One eighth cores", nullptr},
};

constexpr PossibleValue kCpdecreasepolValues[] = {
    {0, 0x00000000, u"Ideal number of cores", nullptr},
    {1, 0x00000001, u"Single core", nullptr},
    {2, 0x00000002, u"All possible cores", nullptr},
    {3, 0x00000003, u"One eighth cores", nullptr},
};

constexpr PossibleValue kDistributeutilValues[] = {
    {0, 0x00000000, u"Disabled", nullptr},
    {1, 0x00000001, u"Enabled", nullptr},
};

constexpr PossibleValue kCpperfValues[] = {
    {0, 0x00000000, u"No Preference", nullptr},
    {1, 0x00000001, u"Deepest Performance State", nullptr},
    {2, 0x00000002, u"Lightest Performance State", nullptr},
};

constexpr PossibleValue kHeteroincreasethresholdValues[] = {
    {254, 0x3C3C3C3C, u"60,60,60,60", nullptr},
    {255, 0x5A5A5A5A, u"90,90,90,90", nullptr},
};

constexpr PossibleValue kCpperf1Values[] = {
    {0, 0x00000000, u"No Preference", nullptr},
    {1, 0x00000001, u"Deepest Performance State", nullptr},
    {2, 0x00000002, u"Lightest Performance State", nullptr},
};

constexpr PossibleValue kHeteropolicyValues[] = {
    {0, 0x00000000, u"Use heterogeneous policy 0", u"Heterogeneous policy 0."},
    {1, 0x00000001, u"Use heterogeneous policy 1", u"Heterogeneous policy 1."},
    {2, 0x00000002, u"Use heterogeneous policy 2", u"Heterogeneous policy 2."},
    {3, 0x00000003, u"Use heterogeneous policy 3", u"Heterogeneous policy 3."},
    {4, 0x00000004, u"Use heterogeneous policy 4", u"Heterogeneous policy 4."},
};

constexpr PossibleValue kSchedpolicyValues[] = {
    {0, 0x00000000, u"All processors", u"Schedule to any available processor."},
    {1, 0x00000001, u"Performant processors", u"Schedule exclusively to more performant processors."},
    {2, 0x00000002, u"Prefer performant processors", u"Schedule to more performant processors when possible."},
    {3, 0x00000003, u"Efficient processors", u"Schedule exclusively to more efficient processors."},
    {4, 0x00000004, u"Prefer efficient processors", u"Schedule to more efficient processors when possible."},
    {5, 0x00000005, u"Automatic", u"Let the system choose an appropriate policy."},
};

constexpr PossibleValue kShortschedpolicyValues[] = {
    {0, 0x00000000, u"All processors", u"Schedule to any available processor."},
    {1, 0x00000001, u"Performant processors", u"Schedule exclusively to more performant processors."},
    {2, 0x00000002, u"Prefer performant processors", u"Schedule to more performant processors when possible."},
    {3, 0x00000003, u"Efficient processors", u"Schedule exclusively to more efficient processors."},
    {4, 0x00000004, u"Prefer efficient processors", u"Schedule to more efficient processors when possible."},
    {5, 0x00000005, u"Automatic", u"Let the system choose an appropriate policy."},
};

constexpr PossibleValue kPerfdecpol1Values[] = {
    {0, 0x00000000, u"Ideal", u"Select the ideal processor performance state."},
    {1, 0x00000001, u"Single", u"Select the processor performance state one closer to ideal than the current processor performance state."},
    {2, 0x00000002, u"Rocket", u"Select the lowest speed/power processor performance state."},
};

constexpr PossibleValue kPerfboostmodeValues[] = {
    {0, 0x00000000, u"Disabled", u"Don't use turbo frequencies."},
    {1, 0x00000001, u"Enabled", u"Use turbo frequencies when not efficient."},
    {2, 0x00000002, u"Aggressive", u"Always select the highest possible performance state."},
    {3, 0x00000003, u"Efficient Enabled", u"Use turbo frequencies only when efficient."},
    {4, 0x00000004, u"Efficient Aggressive", u"Select the highest possible performance state when efficient."},
    {5, 0x00000005, u"Aggressive At Guaranteed", u"Select the guaranteed performance state when allowed."},
    {6, 0x00000006, u"Efficient Aggressive At Guaranteed", u"Select the guaranteed performance state when efficient."},
};

constexpr PossibleValue kSyscoolpolValues[] = {
    {0, 0x00000000, u"Passive", u"Slow the processor before increasing fan speed"},
    {1, 0x00000001, u"Active", u"Increase fan speed before slowing the processor"},
};

constexpr PossibleValue kPerfautonomousValues[] = {
    {0, 0x00000000, u"Disabled", u"Disable autonomous mode"},
    {1, 0x00000001, u"Enabled", u"Enable autonomous mode"},
};

// Energy preference points registered beside the percentage range.
constexpr PossibleValue kPerfeppValues[] = {
    {0, 0x00000000, u"Maximum performance", nullptr},
    {1, 0x00000032, u"Balanced", nullptr},
    {2, 0x00000064, u"Maximum energy savings", nullptr},
};

constexpr SettingDef kSettings[] = {
    {u"PERFCHECK", GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5"), u"Processor performance time check interval",
     u"Specify the amount that must expire before processor performance states and parked cores may be reevaluated (in milliseconds).",
     true, true, false, {true, 1, 5000, 1, u"Milliseconds"}, {}, false},
    {u"CPINCREASETIME", GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732"), u"Processor performance core parking increase time",
     u"Specify the minimum number of perf check intervals that must elapse before more cores/packages can be unparked.",
     true, true, false, {true, 1, 100, 1, u"Time check intervals"}, {}, false},
    {u"CPDECREASETIME", GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82"), u"Processor performance core parking decrease time",
     u"Specify the minimum number of perf check intervals that must elapse before more cores/packages can be parked.",
     true, true, false, {true, 1, 100, 1, u"Time check intervals"}, {}, false},
    {u"CPINCREASEPOL", GuidLiteral("c7be0679-2817-4d69-9d02-519a537ed0c6"), u"Processor performance core parking increase policy",
     u"Specify the number of cores/packages to unpark when more cores are required.",
     true, true, false, {}, {kCpincreasepolValues}, false},
    {u"CPDECREASEPOL", GuidLiteral("71021b41-c749-4d21-be74-a00f335d582b"), u"Processor performance core parking decrease policy",
     u"Specify the number of cores/packages to park when fewer cores are required.",
     true, true, false, {}, {kCpdecreasepolValues}, false},
    {u"CPMINCORES", GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318583"), u"Processor performance core parking min cores",
     u"Specify the minimum number of unparked cores/packages allowed (in percentage).",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPMAXCORES", GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334028"), u"Processor performance core parking max cores",
     u"Specify the maximum number of unparked cores/packages allowed (in percentage).",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPCONCURRENCY", GuidLiteral("2430ab6f-a520-44a2-9601-f7f23b5134b1"), u"Processor performance core parking concurrency threshold",
     u"Specify the busy threshold that must be met when calculating the concurrency of a node.",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPHEADROOM", GuidLiteral("f735a673-2066-4f80-a0c5-ddee0cf1bf5d"), u"Processor performance core parking concurrency headroom threshold",
     u"Specify the busy threshold that must be met by all cores in a concurrency set to unpark an extra core.",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPDISTRIBUTION", GuidLiteral("4bdaf4e9-d103-46d7-a5f0-6280121616ef"), u"Processor performance core parking distribution threshold",
     u"Specify the percentage utilization used to calculate the distribution concurrency (in percentage).",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"DISTRIBUTEUTIL", GuidLiteral("e0007330-f589-42ed-a401-5ddb10e785d3"), u"Processor performance core parking utility distribution",
     u"Specify whether the core parking engine should distribute utility across processors.",
     true, true, false, {}, {kDistributeutilValues}, true},
    {u"CPOVERUTIL", GuidLiteral("943c8cb6-6f93-4227-ad87-e9a3feec08d1"), u"Processor performance core parking overutilization threshold",
     u"Specify the busy threshold that must be met before a parked core is considered overutilized (in percentage).",
     true, true, false, {true, 5, 100, 1, u"%"}, {}, false},
    {u"CPPERF", GuidLiteral("447235c7-6a8d-4cc0-8e24-9eaf70b96e2b"), u"Processor performance core parking parked performance state",
     u"Specify what performance state a processor enters when parked.",
     true, true, false, {}, {kCpperfValues}, false},
    {u"HETERODECREASETIME", GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec"), u"Processor performance decrease time for Processor Power Efficiency Class 1",
     u"Specify the minimum number of perf check intervals since the last performance state change before the performance state may be decreased for Processor Power Efficiency Class 1.",
     true, true, true, {true, 1, 100, 1, u"Time check intervals"}, {}, false},
    {u"HETEROINCREASETIME", GuidLiteral("4009efa7-e72d-4cba-9edf-91084ea8cbc3"), u"Processor performance increase time for Processor Power Efficiency Class 1",
     u"Specify the minimum number of perf check intervals since the last performance state change before the performance state may be increased for Processor Power Efficiency Class 1.",
     true, true, true, {true, 1, 100, 1, u"Time check intervals"}, {}, false},
    {u"HETERODECREASETHRESHOLD", GuidLiteral("f8861c27-95e7-475c-865b-13c0cb3f9d6b"), u"Processor performance level decrease threshold for Processor Power Efficiency Class 1 processor count decrease",
     u"Specifies the performance level decrease threshold at which the Processor Power Efficiency Class 1 processor count is decreased (in units of Processor Power Efficiency Class 0 processor performance).",
     true, true, true, {}, {}, false},
    {u"HETEROINCREASETHRESHOLD", GuidLiteral("b000397d-9b0b-483d-98c9-692a6060cfbf"), u"Processor performance level increase threshold for Processor Power Efficiency Class 1 processor count increase",
     u"Specifies the performance level increase threshold at which the Processor Power Efficiency Class 1 processor count is increased (in units of Processor Power Efficiency Class 0 processor performance).",
     true, true, true, {}, {kHeteroincreasethresholdValues}, false},
    {u"HETEROCLASS1INITIALPERF", GuidLiteral("1facfc65-a930-4bc5-9f38-504ec097bbc0"), u"Initial performance for Processor Power Efficiency Class 1 when unparked",
     u"Initial performance state for Processor Power Efficiency Class 1 when woken from a parked state.",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"HETEROCLASS0FLOORPERF", GuidLiteral("fddc842b-8364-4edc-94cf-c17f60de1c80"), u"A floor performance for Processor Power Efficiency Class 0 when there are Processor Power Efficiency Class 1 processors unparked",
     u"Performance state floor for Processor Power Efficiency Class 0 when Processor Power Efficiency Class 1 is woken from a parked state.",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPMINCORES1", GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318584"), u"Processor performance core parking min cores for Processor Power Efficiency Class 1",
     u"Specify the minimum number of unparked cores/packages allowed for Processor Power Efficiency Class 1 (in percentage).",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPMAXCORES1", GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334029"), u"Processor performance core parking max cores for Processor Power Efficiency Class 1",
     u"Specify the maximum number of unparked cores/packages allowed for Processor Power Efficiency Class 1 (in percentage).",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"CPPERF1", GuidLiteral("447235c7-6a8d-4cc0-8e24-9eaf70b96e2c"), u"Processor performance core parking parked performance state for Processor Power Efficiency Class 1",
     u"Specify what performance state a Processor Power Efficiency Class 1 processor enters when parked.",
     true, true, true, {}, {kCpperf1Values}, false},
    {u"HETEROPOLICY", GuidLiteral("7f2f5cfa-f10c-4823-b5e1-e93ae85f46b5"), u"Heterogeneous policy in effect",
     u"Specify what policy to be used on systems with at least two different Processor Power Efficiency Classes.",
     true, true, false, {}, {kHeteropolicyValues}, false},
    {u"SCHEDPOLICY", GuidLiteral("93b8b6dc-0698-4d1c-9ee4-0644e900c85d"), u"Heterogeneous thread scheduling policy",
     u"Specify what thread scheduling policy to use on heterogeneous systems.",
     true, true, false, {}, {kSchedpolicyValues}, false},
    {u"SHORTSCHEDPOLICY", GuidLiteral("bae08b81-2d5e-4688-ad6a-13243356654b"), u"Heterogeneous short running thread scheduling policy",
     u"Specify what thread scheduling policy to use for short running threads on heterogeneous systems.",
     true, true, false, {}, {kShortschedpolicyValues}, false},
    {u"LATENCYHINTUNPARK", GuidLiteral("616cdaa5-695e-4545-97ad-97dc2d1bdd88"), u"Latency sensitivity hint min unparked cores/packages",
     u"Specify the minimum number of unparked cores/packages when a latency hint is active (in percentage).",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"LATENCYHINTUNPARK1", GuidLiteral("616cdaa5-695e-4545-97ad-97dc2d1bdd89"), u"Latency sensitivity hint min unparked cores/packages for Processor Power Efficiency Class 1",
     u"Specify the minimum number of unparked cores/packages when a latency hint is active for Processor Power Efficiency Class 1 (in percentage).",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"LATENCYHINTPERF", GuidLiteral("619b7505-003b-4e82-b7a6-4dd29c300971"), u"Latency sensitivity hint processor performance",
     u"Specify the processor performance in response to latency sensitivity hints.",
     true, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"LATENCYHINTPERF1", GuidLiteral("619b7505-003b-4e82-b7a6-4dd29c300972"), u"Latency sensitivity hint processor performance for Processor Power Efficiency Class 1",
     u"Specify the processor performance in response to latency sensitivity hints for Processor Power Efficiency Class 1.",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PERFDECPOL1", GuidLiteral("40fbefc7-2e9d-4d25-a185-0cfd8574bac7"), u"Processor performance decrease policy for Processor Power Efficiency Class 1",
     u"Specify the algorithm used to select a new performance state when the ideal performance state is lower than the current performance state for Processor Power Efficiency Class 1.",
     true, true, true, {}, {kPerfdecpol1Values}, false},
    {u"PERFDECTHRESHOLD1", GuidLiteral("12a0ab44-fe28-4fa9-b3bd-4b64f44960a7"), u"Processor performance decrease threshold for Processor Power Efficiency Class 1",
     u"Specify the lower busy threshold that must be met before decreasing the processor's performance state (in percentage) for Processor Power Efficiency Class 1.",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PERFDECTIME1", GuidLiteral("d8edeb9b-95cf-4f95-a73c-b061973693c9"), u"Processor performance decrease time for Processor Power Efficiency Class 1",
     u"Specify the minimum number of perf check intervals since the last performance state change before the performance state may be decreased for Processor Power Efficiency Class 1.",
     true, true, true, {true, 1, 100, 1, u"Time check intervals"}, {}, false},
    {u"PERFEPP1", GuidLiteral("36687f9e-e3a5-4dbf-b1dc-15eb381c6864"), u"Processor energy performance preference policy for Processor Power Efficiency Class 1",
     u"Specify how much Processor Power Efficiency Class 1 processors should favor energy savings over performance when operating in autonomous mode.",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PROCTHROTTLEMIN", GuidLiteral("893dee8e-2bef-41e0-89c6-b55d0929964c"), u"Minimum processor state",
     u"Specify the minimum performance state of your processor (in percentage).",
     false, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PROCTHROTTLEMIN1", GuidLiteral("893dee8e-2bef-41e0-89c6-b55d0929964d"), u"Minimum processor state for Processor Power Efficiency Class 1",
     u"Specify the minimum performance state of your Processor Power Efficiency Class 1 processor (in percentage).",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PROCTHROTTLEMAX", GuidLiteral("bc5038f7-23e0-4960-96da-33abaf5935ec"), u"Maximum processor state",
     u"Specify the maximum performance state of your processor (in percentage).",
     false, true, false, {true, 0, 100, 1, u"%"}, {}, false},
    {u"PROCTHROTTLEMAX1", GuidLiteral("bc5038f7-23e0-4960-96da-33abaf5935ed"), u"Maximum processor state for Processor Power Efficiency Class 1",
     u"Specify the maximum performance state of your Processor Power Efficiency Class 1 processor (in percentage).",
     true, true, true, {true, 0, 100, 1, u"%"}, {}, false},
    // Processor settings the program does not manage, present so that the
    // subgroup lists as it does on Windows.
    {u"PERFBOOSTMODE", GuidLiteral("be337238-0d82-4146-a960-4f3749d470c7"), u"Processor performance boost mode",
     u"Specify how processors select a target frequency when allowed to boost above maximum frequency.",
     true, false, false, {}, {kPerfboostmodeValues}, false},
    {u"SYSCOOLPOL", GuidLiteral("94d3a615-a899-4ac5-ae2b-e4d8f634367f"), u"System cooling policy",
     u"Specify the cooling mode for your system.",
     false, false, false, {}, {kSyscoolpolValues}, true},
    {u"PERFEPP", GuidLiteral("36687f9e-e3a5-4dbf-b1dc-15eb381c6863"), u"Processor energy performance preference policy",
     u"Specify how much processors should favor energy savings over performance when operating in autonomous mode.",
     true, false, false, {true, 0, 100, 1, u"%"}, {kPerfeppValues}, false},
    {u"PERFAUTONOMOUS", GuidLiteral("8baa4a8a-14c6-4451-8e8b-14bdbd197537"), u"Processor performance autonomous mode",
     u"Specify whether processors should autonomously determine their target performance state.",
     true, false, false, {}, {kPerfautonomousValues}, false},
};

constexpr PlanDef kPlans[] = {
    {guids::kBalanced, u"balanced", u"SCHEME_BALANCED", u"Balanced",
     u"Automatically balances performance with energy consumption on capable hardware.", false,
     kPersonalityBalanced},
    {guids::kHighPerformance, u"high", u"SCHEME_MIN", u"High performance",
     u"Favors performance, but may use more energy.", false, kPersonalityHighPerformance},
    {guids::kPowerSaver, u"saver", u"SCHEME_MAX", u"Power saver",
     u"Saves energy by reducing your computer\u2019s performance where possible.", false, kPersonalityPowerSaver},
    // A template Windows keeps out of its plan list until it is duplicated.
    {guids::kUltimatePerformance, u"ultimate", nullptr,
     u"@%SystemRoot%\\system32\\powrprof.dll,-19,Ultimate Performance",
     u"@%SystemRoot%\\system32\\powrprof.dll,-18,Provides ultimate performance on higher end PCs.", true,
     kPersonalityHighPerformance},
};

constexpr OverlayDef kOverlays[] = {
    {1, guids::kOverlay1, u"Best Power Efficiency", u"Favors battery life over performance."},
    {2, guids::kOverlay2, u"Legacy High Performance", u"The high performance power mode of earlier releases."},
    {3, guids::kOverlay3, u"Best Performance", u"Favors performance over battery life."},
};

// The stock AC/DC defaults of the four plans, in one place. Every value lies
// in the setting's range, or is one of its registered values. The provisioned
// ("CPU-tuned") columns apply to Balanced.
struct DefaultRow {
    const char16_t* alias;
    uint32_t balancedAc, balancedDc;
    uint32_t highAc, highDc;
    uint32_t saverAc, saverDc;
    uint32_t ultimateAc, ultimateDc;
    uint32_t provAc = kNoValue;
    uint32_t provDc = kNoValue;
};

constexpr DefaultRow kDefaults[] = {
    //  alias                        Balanced        High           Saver          Ultimate       Prov (Balanced)
    {u"PERFCHECK",                   30, 30,         15, 15,        200, 200,      15, 15},
    {u"CPINCREASETIME",              1, 1,           1, 1,          1, 1,          1, 1},
    {u"CPDECREASETIME",              3, 3,           3, 3,          2, 2,          3, 3},
    {u"CPINCREASEPOL",               0, 0,           0, 0,          0, 0,          2, 2},
    {u"CPDECREASEPOL",               0, 0,           0, 0,          0, 0,          1, 1},
    {u"CPMINCORES",                  10, 10,         4, 4,          100, 100,      100, 100,      4, 4},
    {u"CPMAXCORES",                  100, 100,       100, 100,      100, 100,      100, 100},
    {u"CPCONCURRENCY",               95, 95,         95, 95,        97, 97,        95, 95},
    {u"CPHEADROOM",                  50, 50,         50, 50,        20, 20,        50, 50},
    {u"CPDISTRIBUTION",              90, 90,         90, 90,        90, 90,        90, 90},
    {u"DISTRIBUTEUTIL",              0, 0,           0, 0,          0, 0,          0, 0},
    {u"CPOVERUTIL",                  85, 85,         60, 60,        90, 90,        60, 60},
    {u"CPPERF",                      0, 0,           0, 0,          0, 0,          0, 0},
    {u"HETERODECREASETIME",          2, 3,           1, 1,          3, 3,          1, 1},
    {u"HETEROINCREASETIME",          1, 2,           1, 1,          2, 2,          1, 1},
    {u"HETERODECREASETHRESHOLD",     0x19191919, 0x19191919, 0x19191919, 0x19191919, 0x32323232, 0x32323232, 0x19191919, 0x19191919},
    {u"HETEROINCREASETHRESHOLD",     0x3C3C3C3C, 0x3C3C3C3C, 0x3C3C3C3C, 0x3C3C3C3C, 0x5A5A5A5A, 0x5A5A5A5A, 0x3C3C3C3C, 0x3C3C3C3C},
    {u"HETEROCLASS1INITIALPERF",     100, 100,       100, 100,      50, 50,        100, 100},
    {u"HETEROCLASS0FLOORPERF",       0, 0,           0, 0,          0, 0,          0, 0},
    {u"CPMINCORES1",                 0, 0,           0, 0,          0, 0,          100, 100},
    {u"CPMAXCORES1",                 100, 100,       100, 100,      100, 100,      100, 100},
    {u"CPPERF1",                     0, 0,           0, 0,          0, 0,          0, 0},
    {u"HETEROPOLICY",                0, 0,           0, 0,          4, 4,          0, 0},
    {u"SCHEDPOLICY",                 5, 5,           5, 5,          5, 5,          5, 5},
    {u"SHORTSCHEDPOLICY",            5, 5,           5, 5,          5, 5,          5, 5},
    {u"LATENCYHINTUNPARK",           10, 10,         100, 100,      0, 0,          100, 100},
    {u"LATENCYHINTUNPARK1",          10, 10,         100, 100,      0, 0,          100, 100},
    {u"LATENCYHINTPERF",             99, 99,         99, 99,        0, 0,          99, 99},
    {u"LATENCYHINTPERF1",            99, 99,         99, 99,        0, 0,          99, 99},
    {u"PERFDECPOL1",                 0, 0,           1, 1,          2, 2,          1, 1},
    {u"PERFDECTHRESHOLD1",           20, 20,         10, 10,        60, 60,        10, 10},
    {u"PERFDECTIME1",                1, 1,           1, 1,          3, 3,          1, 1},
    {u"PERFEPP1",                    50, 50,         0, 0,          60, 60,        0, 0},
    {u"PROCTHROTTLEMIN",             5, 5,           100, 100,      5, 5,          100, 100},
    {u"PROCTHROTTLEMIN1",            5, 5,           100, 100,      5, 5,          100, 100},
    {u"PROCTHROTTLEMAX",             100, 100,       100, 100,      100, 100,      100, 100},
    {u"PROCTHROTTLEMAX1",            100, 100,       100, 100,      75, 75,        100, 100},
    {u"PERFBOOSTMODE",               2, 1,           2, 2,          1, 1,          2, 2},
    {u"SYSCOOLPOL",                  1, 0,           1, 1,          0, 0,          1, 1},
    {u"PERFEPP",                     50, 50,         0, 0,          70, 70,        0, 0},
    {u"PERFAUTONOMOUS",              1, 1,           1, 1,          1, 1,          1, 1},
};

// What each power-mode overlay changes over Balanced.
struct OverlayRow {
    int overlay;
    const char16_t* alias;
    uint32_t ac, dc;
};

constexpr OverlayRow kOverlayDefaults[] = {
    {1, u"PERFEPP", 80, 80},
    {1, u"PERFEPP1", 80, 80},
    {1, u"LATENCYHINTPERF", 50, 50},
    {1, u"SCHEDPOLICY", 4, 4},
    {2, u"CPMINCORES", 100, 100},
    {2, u"CPMINCORES1", 100, 100},
    {2, u"PERFEPP", 10, 10},
    {2, u"PERFEPP1", 10, 10},
    {3, u"CPMINCORES", 50, 50},
    {3, u"PERFEPP", 20, 20},
    {3, u"PERFEPP1", 20, 20},
    {3, u"SCHEDPOLICY", 2, 2},
};

std::vector<DefaultEntry> BuildDefaults() {
    std::vector<DefaultEntry> out;
    for (const DefaultRow& row : kDefaults) {
        const SettingDef* def = FindSettingByAlias(row.alias);
        if (def == nullptr) continue;
        out.push_back(DefaultEntry{guids::kBalanced, def->guid, row.balancedAc, row.balancedDc, row.provAc, row.provDc});
        out.push_back(DefaultEntry{guids::kHighPerformance, def->guid, row.highAc, row.highDc});
        out.push_back(DefaultEntry{guids::kPowerSaver, def->guid, row.saverAc, row.saverDc});
        out.push_back(DefaultEntry{guids::kUltimatePerformance, def->guid, row.ultimateAc, row.ultimateDc});
    }
    for (const OverlayRow& row : kOverlayDefaults) {
        const SettingDef* def = FindSettingByAlias(row.alias);
        const OverlayDef* overlay = FindOverlay(row.overlay);
        if (def == nullptr || overlay == nullptr) continue;
        out.push_back(DefaultEntry{overlay->guid, def->guid, row.ac, row.dc});
    }
    return out;
}

}  // namespace

std::span<const SettingDef> Settings() { return kSettings; }

const SettingDef* FindSetting(const Guid& setting) {
    for (const SettingDef& def : kSettings) {
        if (def.guid == setting) return &def;
    }
    return nullptr;
}

const SettingDef* FindSettingByAlias(std::u16string_view alias) {
    for (const SettingDef& def : kSettings) {
        if (EqualsIgnoreAsciiCase(def.alias, alias)) return &def;
    }
    return nullptr;
}

std::span<const PlanDef> StockPlans() { return kPlans; }

const PlanDef* FindStockPlan(const Guid& plan) {
    for (const PlanDef& def : kPlans) {
        if (def.guid == plan) return &def;
    }
    return nullptr;
}

const Guid* PersonalityPlan(uint32_t personality) {
    static constexpr Guid kSaver = guids::kPowerSaver;
    static constexpr Guid kHigh = guids::kHighPerformance;
    static constexpr Guid kBalanced = guids::kBalanced;
    switch (personality) {
        case kPersonalityPowerSaver: return &kSaver;
        case kPersonalityHighPerformance: return &kHigh;
        case kPersonalityBalanced: return &kBalanced;
        default: return nullptr;
    }
}

std::span<const OverlayDef> Overlays() { return kOverlays; }

const OverlayDef* FindOverlay(const Guid& overlay) {
    for (const OverlayDef& def : kOverlays) {
        if (def.guid == overlay) return &def;
    }
    return nullptr;
}

const OverlayDef* FindOverlay(int number) {
    for (const OverlayDef& def : kOverlays) {
        if (def.number == number) return &def;
    }
    return nullptr;
}

const std::vector<DefaultEntry>& StockDefaults() {
    static const std::vector<DefaultEntry> defaults = BuildDefaults();
    return defaults;
}

std::u16string ResolveIndirectText(std::u16string_view stored) {
    // "@%SystemRoot%\system32\powrprof.dll,-19,Ultimate Performance"
    if (stored.empty() || stored.front() != u'@') return std::u16string(stored);
    size_t pos = 0;
    while ((pos = stored.find(u",-", pos)) != std::u16string_view::npos) {
        size_t digits = pos + 2;
        size_t end = digits;
        while (end < stored.size() && stored[end] >= u'0' && stored[end] <= u'9') ++end;
        if (end > digits && end < stored.size() && stored[end] == u',') return std::u16string(stored.substr(end + 1));
        pos = digits;
    }
    return std::u16string(stored);
}

}  // namespace quellora::sim
