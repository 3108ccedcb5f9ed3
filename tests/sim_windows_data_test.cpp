// The simulated machine against real Windows data: names, descriptions,
// ranges, possible values, the hidden attribute and the values seen in force
// in the stock plans of a Windows 11 hybrid laptop, as Windows' own listings
// and Microsoft's documentation give them (tests/data/windows-processor-settings.json).
// Where the machine differs from that data, the machine is wrong.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/errors.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using namespace sim;
using json = nlohmann::json;

json WindowsData() {
    const std::string text = testing::ReadBytes(testing::SourceDir() + "/tests/data/windows-processor-settings.json");
    return json::parse(text);
}

std::u16string Text(const json& value) { return Utf8ToUtf16(value.get<std::string>()); }

const Guid* StockPlanByName(const std::string& name) {
    static const Guid balanced = guids::kBalanced, high = guids::kHighPerformance, saver = guids::kPowerSaver;
    if (name == "Balanced") return &balanced;
    if (name == "High performance") return &high;
    if (name == "Power saver") return &saver;
    return nullptr;
}

TEST(SimWindowsData, EveryManagedSettingIsRegisteredAsWindowsDescribesIt) {
    const json data = WindowsData();
    size_t checked = 0;
    for (const json& s : data.at("settings")) {
        const std::string alias = s.at("alias");
        SCOPED_TRACE(alias);
        Guid guid;
        ASSERT_TRUE(StringToGuid(Text(s.at("guid")), guid));
        const SettingDef* def = FindSetting(guid);
        ASSERT_NE(def, nullptr);
        ++checked;
        EXPECT_EQ(Utf16ToUtf8(def->alias), alias);
        EXPECT_TRUE(def->managed);
        EXPECT_EQ(Utf16ToUtf8(def->friendlyName), s.at("friendlyName").get<std::string>());
        if (s.contains("description")) {
            EXPECT_EQ(Utf16ToUtf8(def->description), s.at("description").get<std::string>());
        }
        if (s.contains("range")) {
            const json& r = s.at("range");
            ASSERT_TRUE(def->range.present);
            EXPECT_EQ(def->range.min, r.at("min").get<uint32_t>());
            EXPECT_EQ(def->range.max, r.at("max").get<uint32_t>());
            EXPECT_EQ(def->range.increment, r.at("increment").get<uint32_t>());
            EXPECT_EQ(Utf16ToUtf8(def->range.units), r.at("units").get<std::string>());
        } else {
            EXPECT_FALSE(def->range.present);
        }
        // Possible values exactly as found, and none where none were found.
        const json values = s.value("possibleValues", json::array());
        ASSERT_EQ(def->values.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(def->values[i].index, values[i].at("index").get<uint32_t>());
            EXPECT_EQ(def->values[i].value, values[i].at("value").get<uint32_t>());
            EXPECT_EQ(Utf16ToUtf8(def->values[i].name), values[i].at("name").get<std::string>());
        }
        if (s.at("hiddenByDefault").is_boolean()) {
            EXPECT_EQ(def->hidden, s.at("hiddenByDefault").get<bool>());
        }
    }
    EXPECT_EQ(checked, 37u);
}

// The stock plans of the default machine (the Windows 11 hybrid laptop) hold
// the values seen in force on such a machine, on mains and on battery alike,
// and the AC/DC pairs found in plain powercfg listings.
TEST(SimWindowsData, StockPlansHoldTheValuesWindowsHasInForce) {
    const json data = WindowsData();
    MemoryRegistry registry;
    SimMachine machine(registry, true);
    size_t compared = 0;
    for (const json& s : data.at("settings")) {
        const std::string alias = s.at("alias");
        Guid setting;
        ASSERT_TRUE(StringToGuid(Text(s.at("guid")), setting));
        auto expect = [&](const std::string& planName, bool ac, uint32_t wanted) {
            const Guid* plan = StockPlanByName(planName);
            if (plan == nullptr) return;
            SCOPED_TRACE(alias + " " + planName + (ac ? " AC" : " DC"));
            uint32_t value = 0;
            ASSERT_EQ(machine.ReadPlanValue(*plan, guids::kSubProcessor, setting, ac, value), err::kSuccess);
            EXPECT_EQ(value, wanted);
            ++compared;
        };
        if (s.contains("observedEffective")) {
            for (const auto& [planName, value] : s.at("observedEffective").items()) {
                if (!value.is_number_unsigned()) continue;
                if (s.value("defaults", json::object()).contains(planName)) continue;
                expect(planName, true, value.get<uint32_t>());
                expect(planName, false, value.get<uint32_t>());
            }
        }
        const json defaults = s.value("defaults", json::object());
        for (const auto& [planName, pair] : defaults.items()) {
            expect(planName, true, pair.at("ac").get<uint32_t>());
            expect(planName, false, pair.at("dc").get<uint32_t>());
        }
    }
    EXPECT_GT(compared, 150u);
}

TEST(SimWindowsData, PlanNamesAndDescriptionsAreWindowsOwn) {
    const json data = WindowsData();
    for (const json& p : data.at("planFriendlyNames")) {
        Guid plan;
        ASSERT_TRUE(StringToGuid(Text(p.at("guid")), plan));
        const PlanDef* def = FindStockPlan(plan);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(ResolveIndirectText(def->storedName), Text(p.at("friendlyName")));
        EXPECT_EQ(ResolveIndirectText(def->storedDescription), Text(p.at("description")));
    }
}

}  // namespace
}  // namespace quellora
