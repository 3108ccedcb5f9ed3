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
};

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
