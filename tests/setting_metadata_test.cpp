#include <gtest/gtest.h>

#include <algorithm>

#include "platform/language.h"
#include "platform/sim/catalogue.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfEpp = GuidLiteral("36687f9e-e3a5-4dbf-b1dc-15eb381c6863");
constexpr Guid kSysCoolPol = GuidLiteral("94d3a615-a899-4ac5-ae2b-e4d8f634367f");
constexpr Guid kCpIncreasePol = GuidLiteral("c7be0679-2817-4d69-9d02-519a537ed0c6");
constexpr Guid kHeteroIncreaseThreshold = GuidLiteral("b000397d-9b0b-483d-98c9-692a6060cfbf");
constexpr Guid kHeteroDecreaseTime = GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec");
constexpr Guid kHeteroIncreaseTime = GuidLiteral("4009efa7-e72d-4cba-9edf-91084ea8cbc3");

TEST(SettingMetadata, EveryCatalogueSettingReadsAsCatalogued) {
    SimEnv env;
    auto listed = EnumerateProcessorSettings();
    size_t checked = 0;
    for (const auto& def : sim::Settings()) {
        if (std::find(listed.begin(), listed.end(), def.guid) == listed.end()) continue;
        SettingInfo info = ReadSettingInfo(def.guid);
        SCOPED_TRACE(Utf16ToUtf8(def.alias));
        EXPECT_EQ(info.name, def.friendlyName);
        EXPECT_EQ(info.attributes, def.hidden ? 1u : 0u);
        EXPECT_EQ(info.hasRange, def.range.present);
        if (def.range.present) {
            EXPECT_EQ(info.min, def.range.min);
            EXPECT_EQ(info.max, def.range.max);
            EXPECT_EQ(info.increment, def.range.increment);
            EXPECT_EQ(info.units, def.range.units ? def.range.units : u"");
            EXPECT_TRUE(info.possibleValues.empty());  // a range wins over registered values
        } else {
            // Possible values are walked from index 0; the registered threshold
            // values (indices 254 and 255) are not possible values.
            size_t walkable = 0;
            while (walkable < def.values.size() && def.values[walkable].index == walkable) ++walkable;
            ASSERT_EQ(info.possibleValues.size(), walkable);
            for (size_t i = 0; i < walkable; ++i) {
                EXPECT_EQ(info.possibleValues[i].first, def.valuesAsStrings ? def.values[i].index : def.values[i].value);
                EXPECT_EQ(info.possibleValues[i].second, def.values[i].name);
            }
        }
        ++checked;
    }
    EXPECT_EQ(checked, listed.size());
    EXPECT_GE(checked, 37u);
}

TEST(SettingMetadata, PossibleValuesStoredAsTextReportTheirIndices) {
    SimEnv env;
    SettingInfo info = ReadSettingInfo(kSysCoolPol);
    ASSERT_FALSE(info.hasRange);
    ASSERT_EQ(info.possibleValues.size(), 2u);
    EXPECT_EQ(info.possibleValues[0].first, 0u);
    EXPECT_EQ(info.possibleValues[1].first, 1u);
    SettingInfo range = ReadSettingInfo(kPerfEpp);
    EXPECT_TRUE(range.hasRange);
    EXPECT_TRUE(range.possibleValues.empty());
    EXPECT_FALSE(ReadRegisteredValues(kPerfEpp).empty());  // it has both
}

TEST(SettingMetadata, RegisteredThresholdValuesByIndex) {
    SimEnv env;
    auto values = ReadRegisteredValues(kHeteroIncreaseThreshold);
    ASSERT_FALSE(values.empty());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    for (const auto& [index, value] : values) {
        EXPECT_EQ(ThresholdByte(value, 0), ThresholdByte(value, 3)) << index;
    }
    EXPECT_TRUE(ReadRegisteredValues(kCpIncreasePol).size() >= 2);
    EXPECT_TRUE(ReadRegisteredValues(GuidLiteral("00000000-0000-0000-0000-000000000001")).empty());
}

TEST(SettingMetadata, WindowsDefaultsPreferTheProvisionedValue) {
    SimEnv env;
    uint32_t value = 0;
    ASSERT_TRUE(ReadWindowsDefault(guids::kBalanced, guids::kCoreParkingMin0, true, value));
    EXPECT_EQ(value, 4u);  // CPU-tuned 4 over the plain default 10
    EXPECT_TRUE(HasProvisionedDefault(guids::kBalanced, guids::kCoreParkingMin0));
    ASSERT_TRUE(ReadWindowsDefault(guids::kPowerSaver, guids::kCoreParkingMin0, false, value));
    EXPECT_EQ(value, 100u);
    EXPECT_FALSE(HasProvisionedDefault(guids::kPowerSaver, guids::kCoreParkingMin0));
    EXPECT_FALSE(HasProvisionedDefault(guids::kHighPerformance, guids::kCoreParkingMin0));
    PowerSchemeAccess power;
    Guid copy;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
    EXPECT_FALSE(ReadWindowsDefault(copy, guids::kCoreParkingMin0, true, value));  // a copy has none
}

TEST(SettingMetadata, ValueTextShowsBothSidesAndDashes) {
    SimEnv env;
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, guids::kMinProcessorState0, true, 7);
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, guids::kMinProcessorState0, false, 9);
    EXPECT_EQ(SettingValueText(&guids::kBalanced, guids::kMinProcessorState0), u"7/9");
    EXPECT_EQ(SettingValueText(nullptr, guids::kMinProcessorState0), u"-");
    env.machine().RemovePlanSetting(guids::kBalanced, guids::kSubProcessor, guids::kMinProcessorState0);
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, guids::kMinProcessorState0, true, 7);
    EXPECT_EQ(SettingValueText(&guids::kBalanced, guids::kMinProcessorState0), u"7/-");
}

TEST(SettingMetadata, TwoDescriptionsAreTheProgramsOwn) {
    SimEnv env;
    EXPECT_EQ(ReadSettingDescription(kHeteroDecreaseTime), LoadText(9989));
    EXPECT_EQ(ReadSettingDescription(kHeteroIncreaseTime), LoadText(9990));
    EXPECT_FALSE(LoadText(9989).empty());
    const auto* def = sim::FindSetting(guids::kCoreParkingMin0);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(ReadSettingDescription(guids::kCoreParkingMin0), def->description);
}

TEST(SettingMetadata, ClassOneSettingsAreWindowsOwnNotTheProcessors) {
    SimEnv env(u"desktop");
    auto listed = EnumerateProcessorSettings();
    EXPECT_NE(std::find(listed.begin(), listed.end(), guids::kCoreParkingMin1), listed.end());
    env.machine().SetWindows(sim::WindowsForBuild(9600));
    listed = EnumerateProcessorSettings();
    EXPECT_EQ(std::find(listed.begin(), listed.end(), guids::kCoreParkingMin1), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), guids::kCoreParkingMin0), listed.end());
}

TEST(SettingMetadata, ProcessorPowerInformationHasOneRecordPerProcessor) {
    SimEnv env;
    auto info = ReadProcessorPowerInfo();
    ASSERT_EQ(info.size(), 24u);
    for (uint32_t i = 0; i < info.size(); ++i) EXPECT_EQ(info[i].number, i);
    EXPECT_GT(info[0].maxMhz, 0u);
}

TEST(SettingMetadata, HidingAndShowingCoreParkingGoesThroughPowercfg) {
    SimEnv env;
    EXPECT_TRUE(IsCoreParkingHidden());  // as Windows ships it
    ASSERT_TRUE(SetSettingHidden(false, 0));
    EXPECT_FALSE(IsCoreParkingHidden());
    ASSERT_TRUE(SetSettingHidden(true, 0));
    EXPECT_TRUE(IsCoreParkingHidden());
    ASSERT_TRUE(SetSettingHidden(false, 0));
    EXPECT_FALSE(IsCoreParkingHidden());
    ASSERT_TRUE(SetSettingHidden(true, 0));
    EXPECT_TRUE(IsCoreParkingHidden());
    ASSERT_TRUE(SetSettingHidden(false, 1));
    EXPECT_FALSE(IsProcessorSettingHidden(guids::kCoreParkingMin1));
    size_t started = env.processes().StartedCommandLines().size();
    EXPECT_TRUE(SetSettingHidden(true, 2));  // not addressable: nothing to do
    EXPECT_EQ(env.processes().StartedCommandLines().size(), started);
}

}  // namespace
}  // namespace quellora
