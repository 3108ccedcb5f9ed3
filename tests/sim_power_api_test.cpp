// The simulated machine's power API: Windows' calling rules over the
// registry layout Windows uses, and the data the machine is seeded with.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/errors.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_power_api.h"
#include "platform/text.h"

namespace quellora {
namespace {

using namespace sim;

constexpr Guid kSub = guids::kSubProcessor;
constexpr Guid kCpMinCores = guids::kCoreParkingMin0;
constexpr Guid kCpMinCores1 = guids::kCoreParkingMin1;
constexpr Guid kCpDecreaseTime = GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82");
constexpr Guid kProcThrottleMax = guids::kMaxProcessorState0;
constexpr Guid kCpMaxCores = GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334028");

class SimPower : public ::testing::Test {
protected:
    std::vector<Guid> Enumerate(uint32_t flags, const Guid* subgroup = nullptr) {
        std::vector<Guid> out;
        for (uint32_t index = 0;; ++index) {
            uint32_t size = 0;
            uint32_t query = api.Enumerate(nullptr, subgroup, flags, index, nullptr, &size);
            if (query == err::kNoMoreItems) break;
            EXPECT_EQ(query, err::kMoreData);
            EXPECT_EQ(size, 16u);
            uint8_t buffer[16];
            EXPECT_EQ(api.Enumerate(nullptr, subgroup, flags, index, buffer, &size), 0u);
            Guid g;
            GuidFromBytes(buffer, size, g);
            out.push_back(g);
        }
        return out;
    }
    std::u16string Name(const Guid* scheme, const Guid* subgroup, const Guid* setting) {
        uint32_t size = 0;
        if (api.ReadFriendlyName(scheme, subgroup, setting, nullptr, &size) != 0) return u"<unreadable>";
        std::vector<uint8_t> buffer(size);
        EXPECT_EQ(api.ReadFriendlyName(scheme, subgroup, setting, buffer.data(), &size), 0u);
        return Utf16FromBytes(buffer.data(), buffer.size());
    }
    uint32_t Read(const Guid& plan, const Guid& setting, bool ac, uint32_t* value = nullptr) {
        uint32_t v = 0xFFFFFFFF;
        uint32_t result = api.ReadValueIndex(ac, &plan, &kSub, &setting, v);
        if (value) *value = v;
        return result;
    }
    uint32_t Value(const Guid& plan, const Guid& setting, bool ac) {
        uint32_t v = 0;
        EXPECT_EQ(Read(plan, setting, ac, &v), 0u);
        return v;
    }

    MemoryRegistry registry;
    SimMachine machine{registry, true};
    SimPowerApi api{machine};
};

TEST_F(SimPower, EnumeratesVisiblePlansWithSizeQueries) {
    EXPECT_EQ(Enumerate(PowerApi::kAccessScheme),
              (std::vector<Guid>{guids::kBalanced, guids::kHighPerformance, guids::kPowerSaver}));
    uint8_t small[8];
    uint32_t size = sizeof small;
    EXPECT_EQ(api.Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, 0, small, &size), err::kMoreData);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(api.Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, 3, nullptr, &size), err::kNoMoreItems);
    EXPECT_EQ(api.Enumerate(nullptr, nullptr, 99, 0, nullptr, &size), err::kInvalidParameter);
}

TEST_F(SimPower, UltimateIsHiddenFromEnumerationButReadableAndDuplicable) {
    EXPECT_EQ(Name(&guids::kUltimatePerformance, nullptr, nullptr), u"Ultimate Performance");
    EXPECT_EQ(Value(guids::kUltimatePerformance, kCpMinCores, true), 100u);
    Guid copy;
    ASSERT_EQ(api.DuplicateScheme(guids::kUltimatePerformance, copy), 0u);
    EXPECT_EQ(Name(&copy, nullptr, nullptr), u"Ultimate Performance");
    const auto plans = Enumerate(PowerApi::kAccessScheme);
    EXPECT_EQ(std::count(plans.begin(), plans.end(), copy), 1);
    EXPECT_EQ(std::count(plans.begin(), plans.end(), guids::kUltimatePerformance), 0);
    // Shown once the machine no longer hides it.
    machine.SetPlanHidden(guids::kUltimatePerformance, false);
    const auto shown = Enumerate(PowerApi::kAccessScheme);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), guids::kUltimatePerformance), 1);
}

TEST_F(SimPower, NamesFollowTheSizeRules) {
    uint32_t size = 0;
    ASSERT_EQ(api.ReadFriendlyName(&guids::kBalanced, nullptr, nullptr, nullptr, &size), 0u);
    EXPECT_EQ(size, (std::u16string(u"Balanced").size() + 1) * 2);
    uint8_t small[4];
    uint32_t smallSize = sizeof small;
    EXPECT_EQ(api.ReadFriendlyName(&guids::kBalanced, nullptr, nullptr, small, &smallSize), err::kMoreData);
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(Name(nullptr, &kSub, &kCpMinCores), u"Processor performance core parking min cores");
    EXPECT_EQ(Name(nullptr, &kSub, nullptr), u"Processor power management");
    EXPECT_EQ(Name(&guids::kOverlay1, nullptr, nullptr), u"Best Power Efficiency");  // a Windows 11 laptop has them
    machine.RemoveOverlay(1);
    EXPECT_EQ(Name(&guids::kOverlay1, nullptr, nullptr), u"<unreadable>");
    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(api.ReadFriendlyName(&unknown, nullptr, nullptr, nullptr, &size), err::kFileNotFound);

    machine.SetPlanNameUnreadable(guids::kPowerSaver, true);
    EXPECT_EQ(api.ReadFriendlyName(&guids::kPowerSaver, nullptr, nullptr, nullptr, &size), err::kFileNotFound);
    // Its description and values stay readable.
    EXPECT_EQ(api.ReadDescription(&guids::kPowerSaver, nullptr, nullptr, nullptr, &size), 0u);

    const std::u16string name = u"Renamed \u00e9";
    const std::vector<uint8_t> bytes = RegValue::String(name).data;
    ASSERT_EQ(api.WriteFriendlyName(guids::kHighPerformance, nullptr, nullptr, bytes.data(), uint32_t(bytes.size())),
              0u);
    EXPECT_EQ(Name(&guids::kHighPerformance, nullptr, nullptr), name);
    EXPECT_EQ(api.WriteFriendlyName(unknown, nullptr, nullptr, bytes.data(), uint32_t(bytes.size())),
              err::kFileNotFound);
}

TEST_F(SimPower, ReadsFallBackToStoredDefaultsProvisionedFirst) {
    // Balanced's CPMINCORES: ACSettingIndex 10 and ProvAcSettingIndex 4 are stored; the provisioned one wins.
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, true), 4u);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, false), 4u);
    // A provisioned AC value alone leaves DC to the plain default.
    WriteDword(registry, Hive::LocalMachine, DefaultsKey(kSub, kCpDecreaseTime, guids::kBalanced), u"ProvAcSettingIndex", 2);
    EXPECT_EQ(Value(guids::kBalanced, kCpDecreaseTime, true), 2u);
    EXPECT_EQ(Value(guids::kBalanced, kCpDecreaseTime, false), 3u);
    EXPECT_EQ(Value(guids::kHighPerformance, kCpMinCores, true), 4u);
    // A value of the plan's own comes first.
    ASSERT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 37), 0u);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, true), 37u);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, false), 4u);
    uint32_t stored = 0;
    EXPECT_TRUE(ReadDword(registry, Hive::LocalMachine, PlanValueKey(guids::kBalanced, kSub, kCpMinCores),
                          u"ACSettingIndex", stored));
    EXPECT_EQ(stored, 37u);

    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(Read(unknown, kCpMinCores, true), err::kFileNotFound);
    EXPECT_EQ(Read(guids::kBalanced, unknown, true), err::kFileNotFound);
}

TEST_F(SimPower, RefusedWriteAnswersItsErrorAndStoresNothing) {
    machine.SetWriteRefusal(kCpMinCores, true, err::kAccessDenied);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 50), err::kAccessDenied);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, true), 4u);
    EXPECT_EQ(api.WriteValueIndex(false, guids::kBalanced, &kSub, &kCpMinCores, 50), 0u);
    machine.SetWriteRefusal(kCpMinCores, false, 1234);
    EXPECT_EQ(api.WriteValueIndex(false, guids::kBalanced, &kSub, &kCpMinCores, 51), 1234u);
    machine.ClearAllWriteRefusals();
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 50), 0u);
}

TEST_F(SimPower, WritesOutsideTheRegisteredRangeAreRefused) {
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 101), err::kInvalidParameter);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 100), 0u);
    // The range is read from the registry at the time of the write: a broken ValueMax refuses until repaired.
    const std::u16string key = SettingKey(kSub, kCpMinCores);
    WriteDword(registry, Hive::LocalMachine, key, u"ValueMax", 0);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 50), err::kInvalidParameter);
    WriteDword(registry, Hive::LocalMachine, key, u"ValueMax", 100);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores, 50), 0u);
    // Missing plans and settings.
    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(api.WriteValueIndex(true, unknown, &kSub, &kCpMinCores, 50), err::kFileNotFound);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &unknown, 50), err::kFileNotFound);
}

TEST_F(SimPower, ACopyReadsItsPersonalitysDefaultsWhereItHasNoValue) {
    ASSERT_EQ(api.WriteValueIndex(false, guids::kBalanced, &kSub, &kProcThrottleMax, 80), 0u);
    Guid copy;
    ASSERT_EQ(api.DuplicateScheme(guids::kBalanced, copy), 0u);
    EXPECT_NE(copy, guids::kBalanced);
    EXPECT_EQ(Name(&copy, nullptr, nullptr), u"Balanced");
    uint32_t personality = 9;
    ASSERT_TRUE(machine.PlanPersonality(copy, personality));
    EXPECT_EQ(personality, kPersonalityBalanced);
    for (const SettingDef& def : Settings()) {
        for (bool ac : {true, false}) {
            SCOPED_TRACE(Utf16ToUtf8(def.alias));
            uint32_t original = 0;
            ASSERT_EQ(Read(guids::kBalanced, def.guid, ac, &original), 0u);
            ValueOrigin origin = ValueOrigin::Plan;
            uint32_t copied = 0;
            ASSERT_EQ(machine.ReadPlanValue(copy, kSub, def.guid, ac, copied, &origin), 0u);
            EXPECT_EQ(copied, original);
            // Only what Balanced holds of its own is the copy's own; the rest are Balanced's defaults.
            const bool own = def.guid == kProcThrottleMax && !ac;
            EXPECT_EQ(origin == ValueOrigin::Plan, own);
            EXPECT_FALSE(KeyExists(registry, Hive::LocalMachine, DefaultsKey(kSub, def.guid, copy)));
        }
    }
    EXPECT_EQ(Value(copy, kProcThrottleMax, false), 80u);
    // A copy changes independently of its source, and a changed default shows in both.
    ASSERT_EQ(api.WriteValueIndex(true, copy, &kSub, &kCpMinCores, 77), 0u);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, true), 4u);
    WriteDword(registry, Hive::LocalMachine, DefaultsKey(kSub, kCpDecreaseTime, guids::kBalanced), u"DCSettingIndex", 7);
    EXPECT_EQ(Value(copy, kCpDecreaseTime, false), 7u);
    // Removing a setting from a copy hides its personality's default too.
    ASSERT_EQ(machine.RemovePlanSetting(copy, kSub, kCpDecreaseTime), 0u);
    EXPECT_EQ(Read(copy, kCpDecreaseTime, false), err::kFileNotFound);
    EXPECT_EQ(Value(guids::kBalanced, kCpDecreaseTime, false), 7u);
    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(api.DuplicateScheme(unknown, copy), err::kFileNotFound);
}

TEST_F(SimPower, ACopyOfUltimatePerformanceStartsAsUltimateWithHighPerformancesPersonality) {
    Guid copy;
    ASSERT_EQ(api.DuplicateScheme(guids::kUltimatePerformance, copy), 0u);
    uint32_t personality = 9;
    ASSERT_TRUE(machine.PlanPersonality(copy, personality));
    EXPECT_EQ(personality, kPersonalityHighPerformance);
    for (const SettingDef& def : Settings()) {
        for (bool ac : {true, false}) {
            SCOPED_TRACE(Utf16ToUtf8(def.alias));
            EXPECT_EQ(Value(copy, def.guid, ac), Value(guids::kUltimatePerformance, def.guid, ac));
        }
    }
    // Ultimate's parking floor differs from High performance's: the copy holds it as its own.
    ValueOrigin origin = ValueOrigin::Default;
    uint32_t value = 0;
    ASSERT_EQ(machine.ReadPlanValue(copy, kSub, kCpMinCores, true, value, &origin), 0u);
    EXPECT_EQ(value, 100u);
    EXPECT_EQ(origin, ValueOrigin::Plan);
    ASSERT_EQ(machine.ReadPlanValue(copy, kSub, kCpMaxCores, true, value, &origin), 0u);
    EXPECT_EQ(origin, ValueOrigin::Default);
}

TEST_F(SimPower, DeleteRefusesTheActivePlanAndUnknownOnes) {
    EXPECT_EQ(api.DeleteScheme(guids::kBalanced), err::kAccessDenied);
    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(api.DeleteScheme(unknown), err::kFileNotFound);
    Guid copy;
    ASSERT_EQ(api.DuplicateScheme(guids::kBalanced, copy), 0u);
    ASSERT_EQ(api.WriteValueIndex(true, copy, &kSub, &kCpMinCores, 77), 0u);
    EXPECT_EQ(api.DeleteScheme(copy), 0u);
    EXPECT_FALSE(machine.PlanExists(copy));
    EXPECT_EQ(Read(copy, kCpMinCores, true), err::kFileNotFound);
}

TEST_F(SimPower, ActiveSchemeIsKeptInTheRegistry) {
    Guid active;
    ASSERT_EQ(api.GetActiveScheme(active), 0u);
    EXPECT_EQ(active, guids::kBalanced);
    const uint32_t applied = machine.ApplySequence();
    ASSERT_EQ(api.SetActiveScheme(guids::kHighPerformance), 0u);
    EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kPowerSchemes, u"ActivePowerScheme", u""),
              u"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c");
    EXPECT_GT(machine.ApplySequence(), applied);
    const Guid unknown = GuidLiteral("01234567-89ab-cdef-0123-456789abcdef");
    EXPECT_EQ(api.SetActiveScheme(unknown), err::kFileNotFound);
    ASSERT_EQ(api.GetActiveScheme(active), 0u);
    EXPECT_EQ(active, guids::kHighPerformance);
}

TEST_F(SimPower, OverlaysAreReadablePlansOfTheirOwnOverrides) {
    Guid overlay;
    ASSERT_EQ(api.GetActualOverlayScheme(overlay), 0u);
    EXPECT_TRUE(overlay.IsNull());
    // A Windows 11 laptop has them, the Balanced power mode (no overlay) in use.
    EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kPowerSchemes, u"ActiveOverlayAcPowerScheme", u"-"),
              u"00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kPowerSchemes, u"ActiveOverlayDcPowerScheme", u"-"),
              u"00000000-0000-0000-0000-000000000000");
    ASSERT_TRUE(machine.RemoveOverlay(3));
    EXPECT_EQ(api.SetActiveOverlayScheme(guids::kOverlay3), err::kFileNotFound);
    ASSERT_TRUE(machine.AddOverlay(3));
    EXPECT_EQ(Name(&guids::kOverlay3, nullptr, nullptr), u"Best Performance");
    ASSERT_EQ(api.SetActiveOverlayScheme(guids::kOverlay3), 0u);
    ASSERT_EQ(api.GetActualOverlayScheme(overlay), 0u);
    EXPECT_EQ(overlay, guids::kOverlay3);
    ASSERT_EQ(api.GetEffectiveOverlayScheme(overlay), 0u);
    EXPECT_EQ(overlay, guids::kOverlay3);
    // The overlay's own entries are its overrides; what it does not override it does not have.
    EXPECT_EQ(Value(guids::kOverlay3, kCpMinCores, true), 50u);
    EXPECT_EQ(Read(guids::kOverlay3, kProcThrottleMax, true), err::kFileNotFound);
    // In force: the override over Balanced.
    uint32_t applied = 0;
    ASSERT_TRUE(machine.AppliedValue(kCpMinCores, true, applied));
    EXPECT_EQ(applied, 50u);
    // Overlays never appear in the enumeration.
    const auto plans = Enumerate(PowerApi::kAccessScheme);
    EXPECT_EQ(std::count(plans.begin(), plans.end(), guids::kOverlay3), 0);
    // Another plan active: no overlay in effect, the actual one stays.
    ASSERT_EQ(api.SetActiveScheme(guids::kHighPerformance), 0u);
    ASSERT_EQ(api.GetEffectiveOverlayScheme(overlay), 0u);
    EXPECT_TRUE(overlay.IsNull());
    EXPECT_EQ(api.SetActiveScheme(guids::kOverlay3), err::kInvalidParameter);
    EXPECT_EQ(api.SetActiveOverlayScheme(guids::kBalanced), err::kInvalidParameter);
}

TEST_F(SimPower, MissingOverlayFunctions) {
    machine.SetOverlayFunctions(false);
    for (auto fn : {PowerApi::Fn::GetActualOverlayScheme, PowerApi::Fn::SetActiveOverlayScheme,
                    PowerApi::Fn::GetEffectiveOverlayScheme}) {
        EXPECT_FALSE(api.Has(fn));
    }
    EXPECT_TRUE(api.Has(PowerApi::Fn::ReadACValueIndex));
    EXPECT_TRUE(api.Has(PowerApi::Fn::Enumerate));
    Guid overlay;
    EXPECT_EQ(api.GetActualOverlayScheme(overlay), err::kCallNotImplemented);
    EXPECT_EQ(api.SetActiveOverlayScheme(Guid{}), err::kCallNotImplemented);
    EXPECT_EQ(api.GetEffectiveOverlayScheme(overlay), err::kCallNotImplemented);
}

TEST_F(SimPower, ClassOneSettingsBelongToWindowsNotToTheProcessor) {
    const std::vector<Guid> hybrid = Enumerate(PowerApi::kAccessIndividualSetting, &kSub);
    EXPECT_EQ(hybrid.size(), Settings().size());
    // A processor with one efficiency class: Windows 10 and 11 register them all the same.
    ASSERT_TRUE(machine.SetLayout(u"desktop"));
    EXPECT_EQ(Enumerate(PowerApi::kAccessIndividualSetting, &kSub).size(), Settings().size());
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores1, true), 0u);
    // A release before Windows 10 has none of them.
    machine.SetWindows(WindowsForBuild(9600));
    const std::vector<Guid> old = Enumerate(PowerApi::kAccessIndividualSetting, &kSub);
    size_t classOne = 0;
    for (const SettingDef& def : Settings()) classOne += def.classOne ? 1 : 0;
    EXPECT_EQ(classOne, 16u);
    EXPECT_EQ(old.size(), Settings().size() - classOne);
    EXPECT_EQ(Read(guids::kBalanced, kCpMinCores1, true), err::kFileNotFound);
    EXPECT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kCpMinCores1, 50), err::kFileNotFound);
    uint32_t min = 0;
    EXPECT_EQ(api.ReadValueMin(&kSub, &kCpMinCores1, min), err::kFileNotFound);
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores, true), 4u);
    // The registry keeps them: a newer release has them again.
    EXPECT_TRUE(KeyExists(registry, Hive::LocalMachine, SettingKey(kSub, kCpMinCores1)));
    machine.SetWindows(WindowsForBuild(19045));
    EXPECT_EQ(Value(guids::kBalanced, kCpMinCores1, false), 0u);
}

TEST_F(SimPower, SettingMetadata) {
    uint32_t min = 0, max = 0, increment = 0;
    ASSERT_EQ(api.ReadValueMin(&kSub, &kCpMinCores, min), 0u);
    ASSERT_EQ(api.ReadValueMax(&kSub, &kCpMinCores, max), 0u);
    ASSERT_EQ(api.ReadValueIncrement(&kSub, &kCpMinCores, increment), 0u);
    EXPECT_EQ(min, 0u);
    EXPECT_EQ(max, 100u);
    EXPECT_EQ(increment, 1u);
    uint32_t size = 0;
    ASSERT_EQ(api.ReadValueUnitsSpecifier(&kSub, &kCpMinCores, nullptr, &size), 0u);
    std::vector<uint8_t> units(size);
    ASSERT_EQ(api.ReadValueUnitsSpecifier(&kSub, &kCpMinCores, units.data(), &size), 0u);
    EXPECT_EQ(Utf16FromBytes(units.data(), units.size()), u"%");

    EXPECT_EQ(api.ReadSettingAttributes(&kSub, &kCpMinCores), 1u);  // hidden, as Windows ships it
    EXPECT_EQ(api.ReadSettingAttributes(&kSub, &kProcThrottleMax), 0u);
    ASSERT_EQ(api.WriteSettingAttributes(&kSub, &kCpMinCores, 0), 0u);
    EXPECT_EQ(api.ReadSettingAttributes(&kSub, &kCpMinCores), 0u);

    // Possible values: DWORDs by index, with names.
    const Guid cpPerf = GuidLiteral("447235c7-6a8d-4cc0-8e24-9eaf70b96e2b");
    uint32_t type = 0;
    uint8_t buffer[64];
    size = sizeof buffer;
    ASSERT_EQ(api.ReadPossibleValue(&kSub, &cpPerf, &type, 2, buffer, &size), 0u);
    EXPECT_EQ(type, regtype::kDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(DwordFromBytes(buffer, size), 2u);
    size = sizeof buffer;
    ASSERT_EQ(api.ReadPossibleFriendlyName(&kSub, &cpPerf, 1, buffer, &size), 0u);
    EXPECT_EQ(Utf16FromBytes(buffer, size), u"Deepest Performance State");
    size = sizeof buffer;
    EXPECT_EQ(api.ReadPossibleValue(&kSub, &cpPerf, &type, 3, buffer, &size), err::kFileNotFound);
    // Values stored as text.
    const Guid coolingPolicy = GuidLiteral("94d3a615-a899-4ac5-ae2b-e4d8f634367f");
    size = sizeof buffer;
    ASSERT_EQ(api.ReadPossibleValue(&kSub, &coolingPolicy, &type, 1, buffer, &size), 0u);
    EXPECT_EQ(type, regtype::kSz);
    EXPECT_EQ(Utf16FromBytes(buffer, size), u"1");
    // The threshold settings register packed values under high indices only, with no range.
    const Guid increaseThreshold = GuidLiteral("b000397d-9b0b-483d-98c9-692a6060cfbf");
    size = 0;
    EXPECT_EQ(api.ReadPossibleValue(&kSub, &increaseThreshold, &type, 0, nullptr, &size), err::kFileNotFound);
    EXPECT_EQ(api.ReadValueMin(&kSub, &increaseThreshold, min), err::kFileNotFound);
    size = 2;
    EXPECT_EQ(api.ReadPossibleValue(&kSub, &increaseThreshold, &type, 254, buffer, &size), err::kMoreData);
    EXPECT_EQ(size, 4u);
    ASSERT_EQ(api.ReadPossibleValue(&kSub, &increaseThreshold, &type, 254, buffer, &size), 0u);
    EXPECT_EQ(DwordFromBytes(buffer, size), 0x3C3C3C3Cu);
    // A setting with both a range and numbered values.
    const Guid perfEpp = GuidLiteral("36687f9e-e3a5-4dbf-b1dc-15eb381c6863");
    EXPECT_EQ(api.ReadValueMax(&kSub, &perfEpp, max), 0u);
    size = sizeof buffer;
    EXPECT_EQ(api.ReadPossibleValue(&kSub, &perfEpp, &type, 0, buffer, &size), 0u);
}

TEST_F(SimPower, PlatformRoleAndProcessorInformation) {
    EXPECT_EQ(api.DeterminePlatformRoleEx(2), 2u);  // the default layout is a laptop
    std::vector<uint8_t> records(24 * kProcessorPowerInformationSize);
    EXPECT_EQ(api.CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, records.data(),
                                         uint32_t(records.size() - 1)),
              kStatusBufferTooSmall);
    ASSERT_EQ(api.CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, records.data(),
                                         uint32_t(records.size())),
              kStatusSuccess);
    for (uint32_t i = 0; i < 24; ++i) {
        const uint8_t* r = records.data() + i * kProcessorPowerInformationSize;
        EXPECT_EQ(DwordFromBytes(r, 4), i);
        EXPECT_EQ(DwordFromBytes(r + 4, 4), 2100u);             // MaxMhz
        EXPECT_LE(DwordFromBytes(r + 8, 4), DwordFromBytes(r + 12, 4));  // CurrentMhz <= MhzLimit
    }
    uint8_t caps[spc::kSize];
    EXPECT_EQ(api.CallNtPowerInformation(PowerApi::kSystemPowerCapabilities, nullptr, 0, caps, spc::kSize - 1),
              kStatusBufferTooSmall);
    ASSERT_EQ(api.CallNtPowerInformation(PowerApi::kSystemPowerCapabilities, nullptr, 0, caps, spc::kSize),
              kStatusSuccess);
    EXPECT_EQ(caps[spc::kAoAc], 1);
    EXPECT_EQ(caps[spc::kProcessorThrottle], 1);
    EXPECT_EQ(caps[spc::kProcessorMaxThrottle], 100);
    EXPECT_EQ(caps[spc::kSystemBatteriesPresent], 1);

    ASSERT_TRUE(machine.SetLayout(u"desktop"));
    EXPECT_EQ(api.DeterminePlatformRoleEx(2), 1u);
    ASSERT_EQ(api.CallNtPowerInformation(PowerApi::kSystemPowerCapabilities, nullptr, 0, caps, spc::kSize),
              kStatusSuccess);
    EXPECT_EQ(caps[spc::kAoAc], 0);
    EXPECT_EQ(caps[spc::kLidPresent], 0);
    // The maximum processor state in force limits the clock, unless the machine ignores it.
    ASSERT_EQ(api.WriteValueIndex(true, guids::kBalanced, &kSub, &kProcThrottleMax, 50), 0u);
    machine.ApplyActivePlan();
    ASSERT_EQ(api.CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, records.data(),
                                         uint32_t(records.size())),
              kStatusSuccess);
    EXPECT_EQ(DwordFromBytes(records.data() + 12, 4), 3801u / 2);
    machine.SetIgnoresMaxState(true);
    ASSERT_EQ(api.CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, records.data(),
                                         uint32_t(records.size())),
              kStatusSuccess);
    EXPECT_EQ(DwordFromBytes(records.data() + 12, 4), 3801u);
}

TEST_F(SimPower, CountsEveryCall) {
    api.ResetCallCounts();
    uint32_t v = 0;
    api.ReadValueIndex(true, &guids::kBalanced, &kSub, &kCpMinCores, v);
    api.ReadValueIndex(true, &guids::kBalanced, &kSub, &kCpMinCores, v);
    api.ReadValueIndex(false, &guids::kBalanced, &kSub, &kCpMinCores, v);
    Guid g;
    api.GetActiveScheme(g);
    EXPECT_EQ(api.CallCount(PowerApi::Fn::ReadACValueIndex), 2u);
    EXPECT_EQ(api.CallCount(PowerApi::Fn::ReadDCValueIndex), 1u);
    EXPECT_EQ(api.CallCount(PowerApi::Fn::GetActiveScheme), 1u);
    EXPECT_EQ(api.TotalCalls(), 4u);
}

// ---- The seeded data

TEST(SimCatalogue, HoldsTheManagedSettingsWithTheirWindowsData) {
    size_t managed = 0;
    std::set<Guid> seen;
    for (const SettingDef& def : Settings()) {
        SCOPED_TRACE(Utf16ToUtf8(def.alias));
        EXPECT_TRUE(seen.insert(def.guid).second);
        managed += def.managed ? 1 : 0;
        EXPECT_NE(def.friendlyName, nullptr);
        EXPECT_NE(def.description, nullptr);
        EXPECT_EQ(FindSettingByAlias(LowerAscii(def.alias)), &def);
    }
    EXPECT_EQ(managed, 37u);
    EXPECT_GE(Settings().size(), 39u);
    EXPECT_FALSE(FindSettingByAlias(u"PROCTHROTTLEMAX")->hidden);
    EXPECT_TRUE(FindSettingByAlias(u"CPMAXCORES")->hidden);
    EXPECT_TRUE(FindSettingByAlias(u"CPMINCORES")->hidden);
    // Windows registers no value list for the decrease threshold (the platform may provision one).
    EXPECT_TRUE(FindSettingByAlias(u"HETERODECREASETHRESHOLD")->values.empty());
    EXPECT_FALSE(FindSettingByAlias(u"HETERODECREASETHRESHOLD")->range.present);
}

TEST(SimCatalogue, EveryStoredDefaultIsAllowed) {
    for (const DefaultEntry& entry : StockDefaults()) {
        const SettingDef* def = FindSetting(entry.setting);
        ASSERT_NE(def, nullptr);
        SCOPED_TRACE(Utf16ToUtf8(def->alias) + " " + Utf16ToUtf8(GuidToBareText(entry.plan)));
        for (uint32_t v : {entry.ac, entry.dc, entry.provAc, entry.provDc}) {
            if (v == kNoValue) continue;
            if (def->range.present) {
                EXPECT_GE(v, def->range.min);
                EXPECT_LE(v, def->range.max);
            } else if (!def->values.empty()) {
                EXPECT_TRUE(std::any_of(def->values.begin(), def->values.end(),
                                        [&](const PossibleValue& p) { return p.value == v; }));
            }
        }
    }
}

TEST(SimCatalogue, StockPlansHaveDefaultsForEverySetting) {
    const char16_t* presetSettings[] = {u"CPMINCORES",         u"CPMINCORES1",         u"PERFCHECK",
                                        u"CPINCREASETIME",     u"CPDECREASETIME",      u"CPINCREASEPOL",
                                        u"CPDECREASEPOL",      u"HETERODECREASETIME",  u"HETEROINCREASETIME",
                                        u"HETEROCLASS0FLOORPERF"};
    for (const char16_t* alias : presetSettings) {
        const Guid setting = FindSettingByAlias(alias)->guid;
        EXPECT_TRUE(std::any_of(StockDefaults().begin(), StockDefaults().end(), [&](const DefaultEntry& e) {
            return e.plan == guids::kBalanced && e.setting == setting;
        })) << Utf16ToUtf8(alias);
    }
    for (const PlanDef& plan : StockPlans()) {
        for (const SettingDef& def : Settings()) {
            EXPECT_EQ(std::count_if(StockDefaults().begin(), StockDefaults().end(),
                                    [&](const DefaultEntry& e) { return e.plan == plan.guid && e.setting == def.guid; }),
                      1)
                << Utf16ToUtf8(plan.shortAlias) << " " << Utf16ToUtf8(def.alias);
        }
    }
    EXPECT_EQ(ResolveIndirectText(u"@%SystemRoot%\\system32\\powrprof.dll,-19,Ultimate Performance"),
              u"Ultimate Performance");
    EXPECT_EQ(ResolveIndirectText(u"Plain, -1, text"), u"Plain, -1, text");
}

TEST(SimMachineSeed, SeedsOnceAndAgainForAnOlderSchema) {
    MemoryRegistry registry;
    {
        SimMachine machine(registry, true);
        machine.WritePlanValue(guids::kBalanced, kSub, kCpMinCores, true, 33);
        EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kCurrentVersion, u"CurrentBuildNumber", u""), u"26100");
        EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kCentralProcessor, u"ProcessorNameString", u""),
                  u"13th Gen Intel(R) Core(TM) i7-13700HX");
    }
    {
        SimMachine again(registry, true);  // the machine as it was left
        uint32_t v = 0;
        ASSERT_EQ(again.ReadPlanValue(guids::kBalanced, kSub, kCpMinCores, true, v), 0u);
        EXPECT_EQ(v, 33u);
        // The processor key is put right on open.
        WriteText(registry, Hive::LocalMachine, paths::kCentralProcessor, u"ProcessorNameString", u"changed");
    }
    {
        SimMachine reopened(registry, true);
        EXPECT_EQ(TextOr(registry, Hive::LocalMachine, paths::kCentralProcessor, u"ProcessorNameString", u""),
                  u"13th Gen Intel(R) Core(TM) i7-13700HX");
        reopened.SetLayout(u"intel12-win10");
        EXPECT_EQ(reopened.Windows().build, 19045u);
        WriteDword(registry, Hive::LocalMachine, paths::kFacts, u"SchemaVersion", kSchemaVersion - 1);
    }
    SimMachine reseeded(registry, true);
    uint32_t v = 0;
    ASSERT_EQ(reseeded.ReadPlanValue(guids::kBalanced, kSub, kCpMinCores, true, v), 0u);
    EXPECT_EQ(v, 4u);
    EXPECT_EQ(reseeded.LayoutName(), u"intel12-win10");  // the layout survives a new seed
}

TEST(SimMachineSeed, UnderWineTheWindowsVersionValuesAreLeftAlone) {
    MemoryRegistry registry;
    SimMachine machine(registry, false);
    EXPECT_FALSE(KeyExists(registry, Hive::LocalMachine, paths::kCurrentVersion));
    machine.SetWindows(WindowsForBuild(19045));
    EXPECT_FALSE(KeyExists(registry, Hive::LocalMachine, paths::kCurrentVersion));
    EXPECT_EQ(machine.Windows().displayVersion, u"22H2");
}

}  // namespace
}  // namespace quellora
