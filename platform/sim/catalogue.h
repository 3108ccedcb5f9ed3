// What the simulated machine knows about Windows' processor power settings,
// its stock power plans and the power-mode overlays: the data it seeds the
// registry with.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace quellora::sim {

inline constexpr uint32_t kNoValue = 0xFFFFFFFFu;

struct PossibleValue {
    uint32_t index = 0;  // the number of its subkey
    uint32_t value = 0;  // "SettingValue"
    const char16_t* name = nullptr;
    const char16_t* description = nullptr;
};

struct ValueRange {
    bool present = false;
    uint32_t min = 0;
    uint32_t max = 0;
    uint32_t increment = 0;
    const char16_t* units = nullptr;
};

struct SettingDef {
    const char16_t* alias = nullptr;  // powercfg's alias ("CPMINCORES")
    Guid guid;
    const char16_t* friendlyName = nullptr;
    const char16_t* description = nullptr;
    bool hidden = false;    // "Attributes" = 1 on a stock system
    bool managed = false;   // one of the 37 settings the program manages
    bool classOne = false;  // concerns efficiency class 1: absent on a processor with one class
    ValueRange range;
    std::span<const PossibleValue> values;  // numbered subkeys
    bool valuesAsStrings = false;           // "SettingValue" stored as REG_SZ text
};

// Every processor setting of the simulated machine, managed ones first.
std::span<const SettingDef> Settings();
const SettingDef* FindSetting(const Guid& setting);
// By powercfg alias, without regard to case.
const SettingDef* FindSettingByAlias(std::u16string_view alias);

// The processor power management subgroup.
inline constexpr const char16_t* kProcessorSubgroupAlias = u"SUB_PROCESSOR";
inline constexpr const char16_t* kProcessorSubgroupName = u"Processor power management";
inline constexpr const char16_t* kProcessorSubgroupDescription = u"Configure processor power management settings";

struct PlanDef {
    Guid guid;
    const char16_t* shortAlias = nullptr;     // "balanced", "high", "saver", "ultimate"
    const char16_t* schemeAlias = nullptr;    // powercfg's SCHEME_BALANCED ...; null when it has none
    const char16_t* storedName = nullptr;     // "FriendlyName" as the registry holds it
    const char16_t* storedDescription = nullptr;
    bool hiddenFromEnumeration = false;
    uint32_t personality = 0;  // the plan's "power scheme personality" (kPersonality* below)
};

// The power scheme personality (a setting outside every subgroup, kept as a
// value of each plan): which stock plan's defaults a plan without a value of
// its own for a setting reads, as a copy of a Windows plan does.
inline constexpr Guid kPersonalitySetting = GuidLiteral("245d8541-3943-4422-b025-13a784f679b7");
inline constexpr uint32_t kPersonalityPowerSaver = 0;
inline constexpr uint32_t kPersonalityHighPerformance = 1;
inline constexpr uint32_t kPersonalityBalanced = 2;
// The stock plan whose defaults a personality stands for; null for an unknown one.
const Guid* PersonalityPlan(uint32_t personality);

// Balanced, High performance, Power saver, Ultimate Performance.
std::span<const PlanDef> StockPlans();
const PlanDef* FindStockPlan(const Guid& plan);

struct OverlayDef {
    int number = 0;  // 1, 2, 3
    Guid guid;
    const char16_t* friendlyName = nullptr;
    const char16_t* description = nullptr;
};

std::span<const OverlayDef> Overlays();
const OverlayDef* FindOverlay(const Guid& overlay);
const OverlayDef* FindOverlay(int number);

// One stored Windows default: DefaultPowerSchemeValues\<plan> of a setting.
struct DefaultEntry {
    Guid plan;
    Guid setting;
    uint32_t ac = 0;
    uint32_t dc = 0;
    uint32_t provAc = kNoValue;  // "ProvAcSettingIndex" (tuned for the processor) when not kNoValue
    uint32_t provDc = kNoValue;
};

// The stock defaults of the four plans and the overrides of the three overlays.
const std::vector<DefaultEntry>& StockDefaults();

// Text of "@<file>,-<id>,<text>" resource references: the text after the
// number; other texts unchanged.
std::u16string ResolveIndirectText(std::u16string_view stored);

}  // namespace quellora::sim
