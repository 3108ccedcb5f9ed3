// GUIDs in the Windows layout and their text forms.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

// One 32-bit, two 16-bit and eight 8-bit fields, as Windows lays them out.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    constexpr bool IsNull() const { return *this == Guid{}; }
    constexpr bool operator==(const Guid&) const = default;
    // Orders by the 16 bytes of the in-memory layout (first three fields
    // little-endian), compared as unsigned bytes.
    std::strong_ordering operator<=>(const Guid& other) const;
};

// The 16 bytes of the in-memory layout (little-endian first three fields).
std::array<uint8_t, 16> GuidBytes(const Guid& guid);
// The inverse; false when fewer than 16 bytes are given.
bool GuidFromBytes(const uint8_t* bytes, size_t length, Guid& out);

// "{381B4222-F694-41F0-9685-FF5BB260DF2E}": braced, upper case.
std::u16string GuidToText(const Guid& guid);
// "381b4222-f694-41f0-9685-ff5bb260df2e": lower case, no braces; used in registry paths.
std::u16string GuidToBareText(const Guid& guid);
// Accepts either form, any case, braces optional. Anything else is refused.
bool StringToGuid(std::u16string_view text, Guid& out);
// A GUID written in the bare form "8-4-4-4-12", for tables of well-known GUIDs.
// Evaluated at compile time; a malformed literal does not compile.
consteval Guid GuidLiteral(std::string_view t) {
    auto hex = [](char c) -> uint32_t {
        if (c >= '0' && c <= '9') return uint32_t(c - '0');
        if (c >= 'a' && c <= 'f') return uint32_t(c - 'a' + 10);
        if (c >= 'A' && c <= 'F') return uint32_t(c - 'A' + 10);
        throw "not a hexadecimal digit";
    };
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') throw "not a GUID";
    auto field = [&](size_t pos, size_t digits) {
        uint32_t v = 0;
        for (size_t i = 0; i < digits; ++i) v = v << 4 | hex(t[pos + i]);
        return v;
    };
    Guid g;
    g.data1 = field(0, 8);
    g.data2 = static_cast<uint16_t>(field(9, 4));
    g.data3 = static_cast<uint16_t>(field(14, 4));
    g.data4[0] = static_cast<uint8_t>(field(19, 2));
    g.data4[1] = static_cast<uint8_t>(field(21, 2));
    for (size_t i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<uint8_t>(field(24 + 2 * i, 2));
    return g;
}

// Well-known plans, overlays and processor settings.
namespace guids {
inline constexpr Guid kBalanced = GuidLiteral("381b4222-f694-41f0-9685-ff5bb260df2e");
inline constexpr Guid kHighPerformance = GuidLiteral("8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c");
inline constexpr Guid kPowerSaver = GuidLiteral("a1841308-3541-4fab-bc81-f71556f20b4a");
inline constexpr Guid kUltimatePerformance = GuidLiteral("e9a42b02-d5df-448d-aa00-03f14749eb61");
inline constexpr Guid kOverlay1 = GuidLiteral("961cc777-2547-4f9d-8174-7d86181b8a7a");  // best power efficiency
inline constexpr Guid kOverlay2 = GuidLiteral("3af9b8d9-7c97-431d-ad78-34a8bfea439f");  // legacy high performance
inline constexpr Guid kOverlay3 = GuidLiteral("ded574b5-45a0-4f42-8737-46345c09c238");  // best performance
inline constexpr Guid kSubProcessor = GuidLiteral("54533251-82be-4824-96c1-47b60b740d00");        // SUB_PROCESSOR
inline constexpr Guid kCoreParkingMin0 = GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318583");     // CPMINCORES
inline constexpr Guid kCoreParkingMin1 = GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318584");     // CPMINCORES1
inline constexpr Guid kMinProcessorState0 = GuidLiteral("893dee8e-2bef-41e0-89c6-b55d0929964c");  // PROCTHROTTLEMIN
inline constexpr Guid kMinProcessorState1 = GuidLiteral("893dee8e-2bef-41e0-89c6-b55d0929964d");  // PROCTHROTTLEMIN1
inline constexpr Guid kMaxProcessorState0 = GuidLiteral("bc5038f7-23e0-4960-96da-33abaf5935ec");  // PROCTHROTTLEMAX
inline constexpr Guid kMaxProcessorState1 = GuidLiteral("bc5038f7-23e0-4960-96da-33abaf5935ed");  // PROCTHROTTLEMAX1
inline constexpr Guid kHeteroPolicy = GuidLiteral("7f2f5cfa-f10c-4823-b5e1-e93ae85f46b5");        // HETEROPOLICY
inline constexpr Guid kSchedPolicy = GuidLiteral("93b8b6dc-0698-4d1c-9ee4-0644e900c85d");         // SCHEDPOLICY
inline constexpr Guid kShortSchedPolicy = GuidLiteral("bae08b81-2d5e-4688-ad6a-13243356654b");    // SHORTSCHEDPOLICY
inline constexpr Guid kAutonomousMode = GuidLiteral("8baa4a8a-14c6-4451-8e8b-14bdbd197537");      // PERFAUTONOMOUS
}  // namespace guids

}  // namespace quellora
