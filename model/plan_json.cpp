#include "model/plan_json.h"

#include <cmath>
#include <limits>

#include "platform/text.h"

namespace quellora {

namespace {

using json = nlohmann::json;

constexpr int kMaxNesting = 64;

json SideToJson(const SourceSettings& side) {
    json out = json::object();
    json advanced = json::object();
    for (const auto& [setting, value] : side.advanced) advanced[Utf16ToUtf8(GuidToText(setting))] = value;
    json parking = json::object();
    for (const auto& [cls, value] : side.coreParkingMin) parking[std::to_string(cls)] = value;
    json frequency = json::object();
    for (const auto& [cls, value] : side.minFrequency) frequency[std::to_string(cls)] = value;
    out["advanced"] = advanced;
    out["coreParkingMin"] = parking;
    out["minFrequency"] = frequency;
    if (side.hasHetero) {
        out["hetero"] = {{"long", side.heteroLongPolicy}, {"policy", side.heteroPolicy}, {"short", side.heteroShortPolicy}};
    }
    return out;
}

// A value of a class or setting: a number (fractions cut off) or a boolean.
bool ReadValue(const json& v, uint32_t& out) {
    if (v.is_boolean()) {
        out = v.get<bool>() ? 1 : 0;
        return true;
    }
    if (v.is_number_unsigned()) {
        out = static_cast<uint32_t>(v.get<uint64_t>());
        return true;
    }
    if (v.is_number_integer()) {
        out = static_cast<uint32_t>(static_cast<uint64_t>(v.get<int64_t>()));
        return true;
    }
    if (v.is_number_float()) {
        double d = std::trunc(v.get<double>());
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return false;
        out = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(d)));
        return true;
    }
    return false;
}

// An object member that must be an object; null and an empty array count as empty.
enum class Shape { Missing, Object, Empty, Wrong };
Shape ShapeOf(const json& side, const char* key) {
    auto it = side.find(key);
    if (it == side.end()) return Shape::Missing;
    if (it->is_object()) return Shape::Object;
    if (it->is_null() || (it->is_array() && it->empty())) return Shape::Empty;
    return Shape::Wrong;
}

bool ReadClassMap(const json& side, const char* key, std::map<int32_t, uint32_t>& out) {
    Shape shape = ShapeOf(side, key);
    if (shape == Shape::Wrong) return false;
    if (shape != Shape::Object) return true;
    for (const auto& [name, value] : side.at(key).items()) {
        bool digits = false;
        int64_t cls = ParseLeadingInt(Utf8ToUtf16(name), &digits);
        if (!digits || cls < std::numeric_limits<int32_t>::min() || cls > std::numeric_limits<int32_t>::max()) return false;
        uint32_t v = 0;
        if (!ReadValue(value, v)) return false;
        out[static_cast<int32_t>(cls)] = v;  // keys come in order: a later one wins
    }
    return true;
}

bool ReadSideJson(const json& side, SourceSettings& out) {
    if (!side.is_object()) return false;
    if (!ReadClassMap(side, "coreParkingMin", out.coreParkingMin)) return false;
    if (!ReadClassMap(side, "minFrequency", out.minFrequency)) return false;
    auto hetero = side.find("hetero");
    if (hetero != side.end() && hetero->is_object()) {
        out.hasHetero = true;
        auto field = [&](const char* name, uint32_t& target) {
            auto it = hetero->find(name);
            if (it == hetero->end()) return true;
            return ReadValue(*it, target);
        };
        if (!field("policy", out.heteroPolicy) || !field("short", out.heteroShortPolicy) ||
            !field("long", out.heteroLongPolicy))
            return false;
    }
    Shape shape = ShapeOf(side, "advanced");
    if (shape == Shape::Wrong) return false;
    if (shape == Shape::Object) {
        for (const auto& [name, value] : side.at("advanced").items()) {
            Guid setting;
            if (!StringToGuid(Utf8ToUtf16(name), setting)) return false;
            uint32_t v = 0;
            if (!ReadValue(value, v)) return false;
            // The five settings with fields of their own are never advanced
            // ones: an entry for one would override its field when written.
            if (HasOwnField(setting)) continue;
            out.advanced[setting] = v;
        }
    }
    return true;
}

}  // namespace

json ToJsonValue(const PlanSettings& settings) {
    json doc = json::object();
    doc["ac"] = SideToJson(settings.ac);
    doc["dc"] = SideToJson(settings.dc);
    doc["format"] = 1;
    doc["plan"] = Utf16ToUtf8(GuidToText(settings.plan));
    doc["planName"] = Utf16ToUtf8(settings.planName);
    return doc;
}

std::string ToJson(const PlanSettings& settings) {
    return ToJsonValue(settings).dump(2, ' ', false, json::error_handler_t::replace);
}

bool ParseJsonText(std::string_view text, json& out) {
    // Reject deep nesting before the parser sees it.
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        else if (c == '{' || c == '[') {
            if (++depth > kMaxNesting) return false;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    json parsed = json::parse(text.begin(), text.end(), nullptr, false);
    if (parsed.is_discarded()) return false;
    out = std::move(parsed);
    return true;
}

bool FromJsonValue(const json& doc, PlanSettings& target) {
    if (!doc.is_object()) return false;
    PlanSettings result;
    auto format = doc.find("format");
    if (format == doc.end() || !format->is_number()) return false;
    if (format->is_number_float()) {
        if (std::trunc(format->get<double>()) != 1.0) return false;
    } else if (format->is_number_unsigned() ? format->get<uint64_t>() != 1 : format->get<int64_t>() != 1) {
        return false;
    }
    auto plan = doc.find("plan");
    if (plan == doc.end() || !plan->is_string()) return false;
    if (!StringToGuid(Utf8ToUtf16(plan->get<std::string>()), result.plan)) return false;
    auto name = doc.find("planName");
    if (name != doc.end()) {
        if (!name->is_string()) return false;
        result.planName = Utf8ToUtf16(name->get<std::string>());
    }
    auto ac = doc.find("ac");
    auto dc = doc.find("dc");
    if (ac == doc.end() || dc == doc.end()) return false;
    if (!ReadSideJson(*ac, result.ac) || !ReadSideJson(*dc, result.dc)) return false;
    target = std::move(result);
    return true;
}

bool FromJson(std::string_view text, PlanSettings& target) {
    try {
        json doc;
        if (!ParseJsonText(text, doc)) return false;
        return FromJsonValue(doc, target);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace quellora
