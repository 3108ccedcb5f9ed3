// The JSON document of a plan's settings: the settings part of every profile
// file, and what /status prints. A stored format: documents written by one
// version load in every later one.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "model/plan_settings.h"

namespace quellora {

// Keys sorted, two-space indentation, non-ASCII characters unescaped.
std::string ToJson(const PlanSettings& settings);
nlohmann::json ToJsonValue(const PlanSettings& settings);
// All or nothing: on failure `target` is left exactly as it was.
bool FromJson(std::string_view text, PlanSettings& target);
bool FromJsonValue(const nlohmann::json& document, PlanSettings& target);
// Parses a JSON text into `out`; false for malformed text or nesting deeper
// than any document of the program (a guard against hostile files).
bool ParseJsonText(std::string_view text, nlohmann::json& out);

}  // namespace quellora
