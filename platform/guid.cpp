#include "platform/guid.h"

#include <cstdio>

namespace quellora {

std::array<uint8_t, 16> GuidBytes(const Guid& g) {
    std::array<uint8_t, 16> b{};
    b[0] = static_cast<uint8_t>(g.data1);
    b[1] = static_cast<uint8_t>(g.data1 >> 8);
    b[2] = static_cast<uint8_t>(g.data1 >> 16);
    b[3] = static_cast<uint8_t>(g.data1 >> 24);
    b[4] = static_cast<uint8_t>(g.data2);
    b[5] = static_cast<uint8_t>(g.data2 >> 8);
    b[6] = static_cast<uint8_t>(g.data3);
    b[7] = static_cast<uint8_t>(g.data3 >> 8);
    for (int i = 0; i < 8; ++i) b[8 + i] = g.data4[i];
    return b;
}

bool GuidFromBytes(const uint8_t* b, size_t length, Guid& out) {
    if (b == nullptr || length < 16) return false;
    out.data1 = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    out.data2 = static_cast<uint16_t>(b[4] | b[5] << 8);
    out.data3 = static_cast<uint16_t>(b[6] | b[7] << 8);
    for (int i = 0; i < 8; ++i) out.data4[i] = b[8 + i];
    return true;
}

std::strong_ordering Guid::operator<=>(const Guid& other) const {
    auto a = GuidBytes(*this);
    auto b = GuidBytes(other);
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return a[i] <=> b[i];
    }
    return std::strong_ordering::equal;
}

namespace {

std::u16string Widen(const char* s) {
    std::u16string out;
    while (*s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
    return out;
}

std::u16string FormatGuid(const Guid& g, bool upper, bool braces) {
    char buf[64];
    const char* fmt = upper ? "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X"
                            : "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";
    std::snprintf(buf, sizeof buf, fmt, static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                  static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    std::u16string text = Widen(buf);
    return braces ? u"{" + text + u"}" : text;
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Parses exactly 8-4-4-4-12 hexadecimal digits between braces (the registry form).
bool ParseBraced(std::u16string_view t, Guid& out) {
    if (t.size() != 38 || t.front() != u'{' || t.back() != u'}') return false;
    std::u16string_view body = t.substr(1, 36);
    static const int kGroups[] = {8, 4, 4, 4, 12};
    size_t pos = 0;
    uint8_t bytes[16];
    int byteIndex = 0;
    for (int group = 0; group < 5; ++group) {
        if (group > 0) {
            if (body[pos] != u'-') return false;
            ++pos;
        }
        for (int i = 0; i < kGroups[group]; i += 2) {
            int hi = HexValue(body[pos]);
            int lo = HexValue(body[pos + 1]);
            if (hi < 0 || lo < 0) return false;
            bytes[byteIndex++] = static_cast<uint8_t>(hi << 4 | lo);
            pos += 2;
        }
    }
    Guid g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    g.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    out = g;
    return true;
}

}  // namespace

std::u16string GuidToText(const Guid& guid) { return FormatGuid(guid, true, true); }

std::u16string GuidToBareText(const Guid& guid) { return FormatGuid(guid, false, false); }

bool StringToGuid(std::u16string_view text, Guid& out) {
    if (!text.empty() && text.front() == u'{') return ParseBraced(text, out);
    std::u16string wrapped = u"{";
    wrapped.append(text);
    wrapped.push_back(u'}');
    return ParseBraced(wrapped, out);
}

}  // namespace quellora
