#include "platform/sim/sim_powercfg.h"

#include <nlohmann/json.hpp>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/sim_power_api.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;
constexpr const char16_t* kInvalidParameters = u"Invalid Parameters -- try \"/?\" for help";
constexpr const char16_t* kDoesNotExist = u"The power scheme, subgroup or setting specified does not exist.";
constexpr uint64_t kMaxImportBytes = 4 * 1024 * 1024;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Collects what powercfg prints; lines end in CR LF as on a Windows console.
struct Printer {
    std::u16string text;
    void Line(std::u16string_view line = {}) {
        text.append(line);
        text.append(u"\r\n");
    }
};

PowercfgRun Finish(uint32_t exitCode, const Printer& printer) {
    return PowercfgRun{exitCode, Utf16ToUtf8(printer.text)};
}

PowercfgRun Fail(std::u16string_view message) {
    Printer p;
    p.Line(message);
    return Finish(1, p);
}

std::u16string Hex32(uint32_t v) { return Format(u"0x%08x", v); }

// The option without its "-" or "/", in lower case.
std::u16string OptionName(std::u16string_view arg) {
    if (arg.empty() || (arg[0] != u'-' && arg[0] != u'/')) return std::u16string();
    return LowerAscii(arg.substr(1));
}

bool ResolveScheme(SimMachine& machine, std::u16string_view text, Guid& plan) {
    if (EqualsIgnoreAsciiCase(text, u"SCHEME_CURRENT")) return machine.ActiveScheme(plan);
    for (const PlanDef& def : StockPlans()) {
        if (def.schemeAlias && EqualsIgnoreAsciiCase(text, def.schemeAlias)) {
            plan = def.guid;
            return true;
        }
    }
    return StringToGuid(text, plan);
}

bool ResolveSubgroup(std::u16string_view text, Guid& subgroup) {
    if (EqualsIgnoreAsciiCase(text, kProcessorSubgroupAlias)) {
        subgroup = guids::kSubProcessor;
        return true;
    }
    return StringToGuid(text, subgroup);
}

bool ResolveSetting(std::u16string_view text, Guid& setting) {
    if (const SettingDef* def = FindSettingByAlias(text)) {
        setting = def->guid;
        return true;
    }
    return StringToGuid(text, setting);
}

std::u16string ReadName(SimPowerApi& api, const Guid* scheme, const Guid* subgroup, const Guid* setting) {
    uint32_t size = 0;
    if (api.ReadFriendlyName(scheme, subgroup, setting, nullptr, &size) != err::kSuccess || size == 0) return {};
    std::vector<uint8_t> buffer(size);
    if (api.ReadFriendlyName(scheme, subgroup, setting, buffer.data(), &size) != err::kSuccess) return {};
    return Utf16FromBytes(buffer.data(), buffer.size());
}

std::u16string ReadDescriptionText(SimPowerApi& api, const Guid* scheme) {
    uint32_t size = 0;
    if (api.ReadDescription(scheme, nullptr, nullptr, nullptr, &size) != err::kSuccess || size == 0) return {};
    std::vector<uint8_t> buffer(size);
    if (api.ReadDescription(scheme, nullptr, nullptr, buffer.data(), &size) != err::kSuccess) return {};
    return Utf16FromBytes(buffer.data(), buffer.size());
}

const char16_t* SchemeAlias(const Guid& plan) {
    const PlanDef* def = FindStockPlan(plan);
    return def ? def->schemeAlias : nullptr;
}

std::u16string SchemeLine(SimPowerApi& api, const Guid& plan) {
    return u"Power Scheme GUID: " + GuidToBareText(plan) + u"  (" + ReadName(api, &plan, nullptr, nullptr) + u")";
}

// The hidden attribute as Windows' own listing honours it: a missing value counts as hidden.
bool HiddenInListing(SimMachine& machine, const Guid& subgroup, const Guid& setting) {
    uint32_t attributes = 1;
    ReadDword(machine.registry(), kLm, SettingKey(subgroup, setting), u"Attributes", attributes);
    return (attributes & 1) != 0;
}

void PrintSetting(SimMachine& machine, SimPowerApi& api, Printer& p, const Guid& plan, const Guid& subgroup,
                  const Guid& setting) {
    uint32_t ac = 0;
    uint32_t dc = 0;
    const bool hasAc = machine.ReadPlanValue(plan, subgroup, setting, true, ac) == err::kSuccess;
    const bool hasDc = machine.ReadPlanValue(plan, subgroup, setting, false, dc) == err::kSuccess;
    if (!hasAc && !hasDc) return;
    p.Line(u"    Power Setting GUID: " + GuidToBareText(setting) + u"  (" + ReadName(api, nullptr, &subgroup, &setting) +
           u")");
    if (const SettingDef* def = FindSetting(setting)) p.Line(u"      GUID Alias: " + std::u16string(def->alias));
    uint32_t min = 0;
    uint32_t max = 0;
    if (api.ReadValueMin(&subgroup, &setting, min) == err::kSuccess &&
        api.ReadValueMax(&subgroup, &setting, max) == err::kSuccess) {
        uint32_t increment = 1;
        api.ReadValueIncrement(&subgroup, &setting, increment);
        std::u16string units;
        uint32_t size = 0;
        if (api.ReadValueUnitsSpecifier(&subgroup, &setting, nullptr, &size) == err::kSuccess && size > 0) {
            std::vector<uint8_t> buffer(size);
            if (api.ReadValueUnitsSpecifier(&subgroup, &setting, buffer.data(), &size) == err::kSuccess) {
                units = Utf16FromBytes(buffer.data(), buffer.size());
            }
        }
        p.Line(u"      Minimum Possible Setting: " + Hex32(min));
        p.Line(u"      Maximum Possible Setting: " + Hex32(max));
        p.Line(u"      Possible Settings increment: " + Hex32(increment));
        p.Line(u"      Possible Settings units: " + units);
    } else {
        for (uint32_t index = 0; index < 64; ++index) {
            uint32_t size = 0;
            if (api.ReadPossibleValue(&subgroup, &setting, nullptr, index, nullptr, &size) != err::kSuccess) break;
            std::u16string name;
            uint32_t nameSize = 0;
            if (api.ReadPossibleFriendlyName(&subgroup, &setting, index, nullptr, &nameSize) == err::kSuccess) {
                std::vector<uint8_t> buffer(nameSize);
                if (api.ReadPossibleFriendlyName(&subgroup, &setting, index, buffer.data(), &nameSize) ==
                    err::kSuccess) {
                    name = Utf16FromBytes(buffer.data(), buffer.size());
                }
            }
            p.Line(Format(u"      Possible Setting Index: %03u", index));
            p.Line(u"      Possible Setting Friendly Name: " + name);
        }
    }
    if (hasAc) p.Line(u"    Current AC Power Setting Index: " + Hex32(ac));
    if (hasDc) p.Line(u"    Current DC Power Setting Index: " + Hex32(dc));
    p.Line();
}

PowercfgRun Query(SimMachine& machine, const std::vector<std::u16string>& args, bool includeHidden) {
    SimPowerApi api(machine);
    Guid plan;
    if (args.size() < 2) {
        if (!machine.ActiveScheme(plan)) return Fail(kDoesNotExist);
    } else if (!ResolveScheme(machine, args[1], plan) || !machine.PlanExists(plan)) {
        return Fail(kDoesNotExist);
    }
    std::vector<Guid> subgroups;
    if (args.size() >= 3) {
        Guid subgroup;
        if (!ResolveSubgroup(args[2], subgroup) || !KeyExists(machine.registry(), kLm, SubgroupKey(subgroup))) {
            return Fail(kDoesNotExist);
        }
        subgroups.push_back(subgroup);
    } else {
        std::vector<std::u16string> names;
        machine.registry().EnumKeys(kLm, paths::kPowerSettings, names);
        for (const auto& name : names) {
            Guid g;
            if (StringToGuid(name, g)) subgroups.push_back(g);
        }
    }
    Guid onlySetting;
    const bool oneSetting = args.size() >= 4;
    if (oneSetting && (!ResolveSetting(args[3], onlySetting) || !machine.SettingPresent(subgroups[0], onlySetting))) {
        return Fail(kDoesNotExist);
    }

    Printer p;
    p.Line(SchemeLine(api, plan));
    if (const char16_t* alias = SchemeAlias(plan)) p.Line(u"  GUID Alias: " + std::u16string(alias));
    for (const Guid& subgroup : subgroups) {
        p.Line(u"  Subgroup GUID: " + GuidToBareText(subgroup) + u"  (" + ReadName(api, nullptr, &subgroup, nullptr) +
               u")");
        if (subgroup == guids::kSubProcessor) p.Line(u"    GUID Alias: " + std::u16string(kProcessorSubgroupAlias));
        std::vector<Guid> settings;
        if (oneSetting) {
            settings.push_back(onlySetting);
        } else {
            for (uint32_t index = 0;; ++index) {
                uint8_t buffer[16];
                uint32_t size = sizeof buffer;
                if (api.Enumerate(nullptr, &subgroup, PowerApi::kAccessIndividualSetting, index, buffer, &size) !=
                    err::kSuccess) {
                    break;
                }
                Guid g;
                GuidFromBytes(buffer, size, g);
                settings.push_back(g);
            }
        }
        for (const Guid& setting : settings) {
            if (!includeHidden && HiddenInListing(machine, subgroup, setting)) continue;
            PrintSetting(machine, api, p, plan, subgroup, setting);
        }
    }
    return Finish(0, p);
}

// Each run of powercfg is a process of its own.
ProcessIdentity PowercfgProcess(SimMachine& machine) {
    const uint32_t runs = machine.FactDword(u"PowercfgRuns", 0) + 1;
    machine.SetFactDword(u"PowercfgRuns", runs);
    return ProcessIdentity{std::u16string(kPowercfgPath), 6000 + (runs % 2000) * 4};
}

PowercfgRun SetActive(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 2) return Fail(kInvalidParameters);
    if (EqualsIgnoreAsciiCase(args[1], u"SCHEME_CURRENT")) {
        Guid active;
        if (!machine.ActiveScheme(active)) return Fail(kDoesNotExist);
        machine.ApplyActivePlan();  // Windows puts the active plan's written values in force
        RecordPlanChange(machine, active, active, PowercfgProcess(machine));
        return Finish(0, Printer{});
    }
    Guid plan;
    if (!ResolveScheme(machine, args[1], plan)) return Fail(kInvalidParameters);
    SimPowerApi api(machine);
    api.SetActivator(PowercfgProcess(machine));
    if (api.SetActiveScheme(plan) != err::kSuccess) return Fail(kDoesNotExist);
    return Finish(0, Printer{});
}

PowercfgRun Attributes(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 4) return Fail(kInvalidParameters);
    Guid subgroup;
    Guid setting;
    if (!ResolveSubgroup(args[1], subgroup) || !ResolveSetting(args[2], setting)) return Fail(kInvalidParameters);
    const std::u16string key = SettingKey(subgroup, setting);
    if (!KeyExists(machine.registry(), kLm, key)) return Fail(kDoesNotExist);
    uint32_t attributes = 1;  // a setting without the value counts as hidden
    ReadDword(machine.registry(), kLm, key, u"Attributes", attributes);
    const std::u16string& change = args[3];
    if (EqualsIgnoreAsciiCase(change, u"+ATTRIB_HIDE")) {
        attributes |= 1u;
    } else if (EqualsIgnoreAsciiCase(change, u"-ATTRIB_HIDE")) {
        attributes &= ~1u;
    } else {
        return Fail(kInvalidParameters);
    }
    WriteDword(machine.registry(), kLm, key, u"Attributes", attributes);
    return Finish(0, Printer{});
}

// Every readable AC and DC value of the plan, with its name and description.
PowercfgRun Export(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 3) return Fail(kInvalidParameters);
    Guid plan;
    if (!ResolveScheme(machine, args[2], plan) || !machine.PlanExists(plan)) return Fail(kDoesNotExist);
    SimPowerApi api(machine);
    nlohmann::ordered_json doc;
    doc["format"] = "quellora-sim-powercfg-export";
    doc["version"] = 1;
    doc["scheme"] = Utf16ToUtf8(GuidToBareText(plan));
    doc["name"] = Utf16ToUtf8(ReadName(api, &plan, nullptr, nullptr));
    doc["description"] = Utf16ToUtf8(ReadDescriptionText(api, &plan));
    uint32_t personality = 0;
    if (machine.PlanPersonality(plan, personality)) doc["personality"] = personality;
    nlohmann::ordered_json values = nlohmann::ordered_json::array();
    std::vector<std::u16string> subgroupNames;
    machine.registry().EnumKeys(kLm, paths::kPowerSettings, subgroupNames);
    for (const auto& subgroupName : subgroupNames) {
        Guid subgroup;
        if (!StringToGuid(subgroupName, subgroup)) continue;
        std::vector<std::u16string> settingNames;
        machine.registry().EnumKeys(kLm, SubgroupKey(subgroup), settingNames);
        for (const auto& settingName : settingNames) {
            Guid setting;
            if (!StringToGuid(settingName, setting)) continue;
            uint32_t ac = 0;
            uint32_t dc = 0;
            const bool hasAc = machine.ReadPlanValue(plan, subgroup, setting, true, ac) == err::kSuccess;
            const bool hasDc = machine.ReadPlanValue(plan, subgroup, setting, false, dc) == err::kSuccess;
            if (!hasAc && !hasDc) continue;
            nlohmann::ordered_json entry;
            entry["subgroup"] = Utf16ToUtf8(GuidToBareText(subgroup));
            entry["setting"] = Utf16ToUtf8(GuidToBareText(setting));
            if (const SettingDef* def = FindSetting(setting)) entry["alias"] = Utf16ToUtf8(def->alias);
            if (hasAc) entry["ac"] = ac;
            if (hasDc) entry["dc"] = dc;
            values.push_back(std::move(entry));
        }
    }
    doc["values"] = std::move(values);
    const std::string text = doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    if (!WriteFileAtomic(args[1], text)) {
        return Fail(u"Unable to perform operation. The file could not be written.");
    }
    return Finish(0, Printer{});
}

PowercfgRun Import(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 2 && args.size() != 3) return Fail(kInvalidParameters);
    std::string bytes;
    if (!ReadWholeFile(args[1], kMaxImportBytes, bytes)) return Fail(u"The system cannot find the file specified.");
    const nlohmann::json doc = nlohmann::json::parse(bytes, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("values") || !doc["values"].is_array()) {
        return Fail(u"Unable to perform operation. The file is not a power scheme.");
    }
    Guid plan;
    if (args.size() == 3) {
        if (!StringToGuid(args[2], plan)) return Fail(kInvalidParameters);
        if (machine.PlanExists(plan)) return Fail(u"Unable to perform operation. The power scheme already exists.");
        machine.registry().CreateKey(kLm, SchemeKey(plan));
    } else {
        // A fresh GUID, as Windows gives an imported plan.
        do {
            plan = NewPlanGuid();
        } while (machine.PlanExists(plan));
        machine.registry().CreateKey(kLm, SchemeKey(plan));
    }
    auto text = [&](const char* name) {
        return doc.contains(name) && doc[name].is_string() ? Utf8ToUtf16(doc[name].get<std::string>())
                                                           : std::u16string();
    };
    WriteText(machine.registry(), kLm, SchemeKey(plan), u"FriendlyName", text("name"));
    WriteText(machine.registry(), kLm, SchemeKey(plan), u"Description", text("description"));
    if (doc.contains("personality") && doc["personality"].is_number_unsigned()) {
        const uint32_t personality = doc["personality"].get<uint32_t>();
        WriteDword(machine.registry(), kLm, PersonalityKey(plan), u"ACSettingIndex", personality);
        WriteDword(machine.registry(), kLm, PersonalityKey(plan), u"DCSettingIndex", personality);
    }
    for (const auto& entry : doc["values"]) {
        if (!entry.is_object() || !entry.contains("subgroup") || !entry["subgroup"].is_string() ||
            !entry.contains("setting") || !entry["setting"].is_string()) {
            continue;
        }
        Guid subgroup;
        Guid setting;
        if (!StringToGuid(Utf8ToUtf16(entry["subgroup"].get<std::string>()), subgroup) ||
            !StringToGuid(Utf8ToUtf16(entry["setting"].get<std::string>()), setting)) {
            continue;
        }
        for (bool ac : {true, false}) {
            const char* side = ac ? "ac" : "dc";
            if (entry.contains(side) && entry[side].is_number_unsigned()) {
                machine.WritePlanValue(plan, subgroup, setting, ac, entry[side].get<uint32_t>());
            }
        }
    }
    Printer p;
    p.Line(u"Imported Scheme Successfully. GUID: " + GuidToBareText(plan));
    return Finish(0, p);
}

PowercfgRun List(SimMachine& machine) {
    SimPowerApi api(machine);
    Guid active;
    machine.ActiveScheme(active);
    Printer p;
    p.Line();
    p.Line(u"Existing Power Schemes (* Active)");
    p.Line(u"-----------------------------------");
    for (uint32_t index = 0;; ++index) {
        uint8_t buffer[16];
        uint32_t size = sizeof buffer;
        if (api.Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, index, buffer, &size) != err::kSuccess) break;
        Guid plan;
        GuidFromBytes(buffer, size, plan);
        p.Line(SchemeLine(api, plan) + (plan == active ? u" *" : u""));
    }
    return Finish(0, p);
}

PowercfgRun GetActive(SimMachine& machine) {
    SimPowerApi api(machine);
    Guid active;
    if (!machine.ActiveScheme(active)) return Fail(kDoesNotExist);
    Printer p;
    p.Line(SchemeLine(api, active));
    return Finish(0, p);
}

PowercfgRun Duplicate(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 2 && args.size() != 3) return Fail(kInvalidParameters);
    Guid source;
    if (!ResolveScheme(machine, args[1], source)) return Fail(kInvalidParameters);
    SimPowerApi api(machine);
    Guid created;
    if (api.DuplicateScheme(source, created) != err::kSuccess) return Fail(kDoesNotExist);
    if (args.size() == 3) {
        Guid wanted;
        if (!StringToGuid(args[2], wanted) || machine.PlanExists(wanted)) {
            api.DeleteScheme(created);
            return Fail(kInvalidParameters);
        }
        // Moves the copy to the GUID asked for.
        Registry& r = machine.registry();
        CopyTree(r, kLm, SchemeKey(created), SchemeKey(wanted));
        r.DeleteTree(kLm, SchemeKey(created));
        created = wanted;
    }
    Printer p;
    p.Line(SchemeLine(api, created));
    return Finish(0, p);
}

PowercfgRun Delete(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 2) return Fail(kInvalidParameters);
    Guid plan;
    if (!ResolveScheme(machine, args[1], plan)) return Fail(kInvalidParameters);
    SimPowerApi api(machine);
    const uint32_t result = api.DeleteScheme(plan);
    if (result == err::kAccessDenied) return Fail(u"Unable to perform operation. The active power scheme cannot be deleted.");
    if (result != err::kSuccess) return Fail(kDoesNotExist);
    return Finish(0, Printer{});
}

PowercfgRun ChangeName(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.size() != 3 && args.size() != 4) return Fail(kInvalidParameters);
    Guid plan;
    if (!ResolveScheme(machine, args[1], plan) || !machine.PlanExists(plan)) return Fail(kDoesNotExist);
    WriteText(machine.registry(), kLm, SchemeKey(plan), u"FriendlyName", args[2]);
    if (args.size() == 4) WriteText(machine.registry(), kLm, SchemeKey(plan), u"Description", args[3]);
    return Finish(0, Printer{});
}

PowercfgRun SetValueIndex(SimMachine& machine, const std::vector<std::u16string>& args, bool ac) {
    if (args.size() != 5) return Fail(kInvalidParameters);
    Guid plan;
    Guid subgroup;
    Guid setting;
    bool digits = false;
    const int64_t value = ParseLeadingInt(args[4], &digits);
    if (!ResolveScheme(machine, args[1], plan) || !ResolveSubgroup(args[2], subgroup) ||
        !ResolveSetting(args[3], setting) || !digits || value < 0 || value > 0xFFFFFFFFll) {
        return Fail(kInvalidParameters);
    }
    SimPowerApi api(machine);
    const uint32_t result = api.WriteValueIndex(ac, plan, &subgroup, &setting, static_cast<uint32_t>(value));
    if (result == err::kFileNotFound) return Fail(kDoesNotExist);
    if (result != err::kSuccess) {
        return Fail(Format(u"Unable to perform operation. An unexpected error (0x%x) has occurred.", result));
    }
    return Finish(0, Printer{});
}

PowercfgRun Help() {
    Printer p;
    p.Line(u"POWERCFG /COMMAND [ARGUMENTS]");
    p.Line();
    p.Line(u"Commands: /LIST, /QUERY, /SETACVALUEINDEX, /SETDCVALUEINDEX, /CHANGENAME, /DUPLICATESCHEME, /DELETE,");
    p.Line(u"/SETACTIVE, /GETACTIVESCHEME, /ATTRIBUTES, /EXPORT, /IMPORT, /QH");
    return Finish(0, p);
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
    std::vector<std::u16string> args;
    size_t i = 0;
    // The program name: up to the next blank, or between quotes, with no escapes.
    std::u16string program;
    if (i < line.size() && line[i] == u'"') {
        ++i;
        while (i < line.size() && line[i] != u'"') program.push_back(line[i++]);
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && !IsBlank(line[i])) program.push_back(line[i++]);
    }
    args.push_back(program);
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::u16string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (line[i] == u'\\') {
                size_t slashes = 0;
                while (i < line.size() && line[i] == u'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < line.size() && line[i] == u'"') {
                    arg.append(slashes / 2, u'\\');
                    if (slashes % 2 == 1) {
                        arg.push_back(u'"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, u'\\');
                }
            } else if (line[i] == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    arg.push_back(u'"');  // a doubled quote inside quotes
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(arg);
    }
    return args;
}

bool IsPowercfgCommand(std::u16string_view commandLine) {
    const std::vector<std::u16string> args = SplitCommandLine(commandLine);
    if (args.empty()) return false;
    std::u16string_view program = args[0];
    const size_t cut = program.find_last_of(u"\\/");
    if (cut != std::u16string_view::npos) program = program.substr(cut + 1);
    return EqualsIgnoreAsciiCase(program, u"powercfg.exe") || EqualsIgnoreAsciiCase(program, u"powercfg");
}

PowercfgRun RunPowercfg(SimMachine& machine, const std::vector<std::u16string>& args) {
    if (args.empty()) return Fail(kInvalidParameters);
    const std::u16string option = OptionName(args[0]);
    if (option == u"setactive" || option == u"s") return SetActive(machine, args);
    if (option == u"attributes") return Attributes(machine, args);
    if (option == u"export") return Export(machine, args);
    if (option == u"import") return Import(machine, args);
    if (option == u"q" || option == u"query") return Query(machine, args, false);
    if (option == u"qh") return Query(machine, args, true);
    if (option == u"l" || option == u"list") return List(machine);
    if (option == u"getactivescheme") return GetActive(machine);
    if (option == u"duplicatescheme") return Duplicate(machine, args);
    if (option == u"d" || option == u"delete") return Delete(machine, args);
    if (option == u"changename") return ChangeName(machine, args);
    if (option == u"setacvalueindex") return SetValueIndex(machine, args, true);
    if (option == u"setdcvalueindex") return SetValueIndex(machine, args, false);
    if (option == u"?" || option == u"help") return Help();
    return Fail(kInvalidParameters);
}

}  // namespace quellora::sim
