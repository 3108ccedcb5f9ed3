// Small typed helpers over the Registry interface, shared by the parts of the
// simulated machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"
#include "platform/registry.h"

namespace quellora::sim {

// The first (at most) four bytes of a value, little-endian, whatever its type.
bool ReadDword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name, uint32_t& out);
uint32_t DwordOr(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                 uint32_t fallback);
bool ReadQword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name, uint64_t& out);
// A REG_SZ / REG_EXPAND_SZ value up to its first NUL.
bool ReadText(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
              std::u16string& out);
std::u16string TextOr(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                      std::u16string_view fallback);
uint32_t WriteDword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                    uint32_t value);
uint32_t WriteQword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                    uint64_t value);
uint32_t WriteText(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                   std::u16string_view value);
bool KeyExists(Registry& registry, Hive hive, std::u16string_view key);

// A log kept in a key: its lines are REG_SZ values named "0", "1", ... in order.
void AppendLine(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view line);
std::vector<std::u16string> ReadLines(Registry& registry, Hive hive, std::u16string_view key);

// Copies a key with its values and subkeys to another path of the same hive.
void CopyTree(Registry& registry, Hive hive, std::u16string_view from, std::u16string_view to);

uint32_t DwordFromBytes(const uint8_t* data, size_t size);

// GuidToBareText's form ("381b4222-f694-41f0-9685-ff5bb260df2e"), made without printf: key paths are built often.
std::u16string BareGuid(const Guid& guid);

std::u16string JoinKey(std::u16string_view a, std::u16string_view b);
std::u16string JoinKey(std::u16string_view a, std::u16string_view b, std::u16string_view c);

}  // namespace quellora::sim
