#include "platform/text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace quellora {

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    while (i < n) {
        unsigned char c = byte(i);
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (i + len > n) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = byte(i + k);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = cp << 6 | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed.
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // unpaired surrogate
        }
        AppendUtf8(out, cp);
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::u16string Utf16FromBytes(const uint8_t* bytes, size_t size) {
    std::u16string text;
    for (size_t i = 0; bytes && i + 1 < size; i += 2) {
        char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

std::vector<uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::u16string Widen(std::string_view ascii) {
    std::u16string out;
    out.reserve(ascii.size());
    for (char c : ascii) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::u16string LowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = LowerAscii(c);
    return out;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

char16_t FoldCase(char16_t c) {
    if (c < 0x80) return LowerAscii(c);
    // Latin-1 Supplement: À..Þ except ×.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    // Latin Extended-A: pairs, upper case at the even (or odd) code point.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c | 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x178) return 0xFF;
    // Greek capitals.
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
    // Cyrillic capitals.
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c >= 0x460 && c <= 0x4FF && !(c >= 0x482 && c <= 0x489)) {
        if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
        if (c == 0x4C0) return 0x4CF;
        return static_cast<char16_t>(c | 1);
    }
    // Full-width Latin capitals.
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
    return c;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = FoldCase(c);
    return out;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool EndsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view suffix) {
    return text.size() >= suffix.size() && EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

namespace {
bool IsWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }
}  // namespace

std::u16string TrimWhite(std::u16string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsWhite(text[b])) ++b;
    while (e > b && IsWhite(text[e - 1])) --e;
    return std::u16string(text.substr(b, e - b));
}

std::u16string ControlCharactersAsBlanks(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c < 0x20 || c == 0x7F) c = u' ';
    }
    return out;
}

std::vector<std::u16string> Split(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

int64_t ParseLeadingInt(std::u16string_view text, bool* digits) {
    size_t i = 0;
    while (i < text.size() && IsWhite(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool any = false;
    uint64_t value = 0;
    bool overflow = false;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        any = true;
        uint64_t d = static_cast<uint64_t>(text[i] - u'0');
        if (value > (std::numeric_limits<uint64_t>::max() - d) / 10) overflow = true;
        if (!overflow) value = value * 10 + d;
        ++i;
    }
    if (digits) *digits = any;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    if (overflow || value > limit) value = limit;
    if (negative) return value == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
    return static_cast<int64_t>(value);
}

std::u16string ToDecimal(int64_t value) { return Widen(std::to_string(value)); }
std::u16string ToDecimal(uint64_t value) { return Widen(std::to_string(value)); }

namespace {

struct Spec {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = -1;
    int precision = -1;
    char16_t conv = 0;
};

// `numeric`: the "0" flag pads with zeros after the sign (an integer's
// precision turns it off, a real number's does not).
std::u16string Pad(std::u16string body, const Spec& spec, bool numeric) {
    if (spec.width < 0 || static_cast<int>(body.size()) >= spec.width) return body;
    size_t fill = static_cast<size_t>(spec.width) - body.size();
    if (spec.left) return body + std::u16string(fill, u' ');
    const bool real = spec.conv == u'f' || spec.conv == u'F' || spec.conv == u'e' || spec.conv == u'E' ||
                      spec.conv == u'g' || spec.conv == u'G';
    const bool finite = body.find_first_of(u"0123456789") != std::u16string::npos;
    if (spec.zero && numeric && finite && (real || spec.precision < 0)) {
        size_t signEnd = (!body.empty() && (body[0] == u'-' || body[0] == u'+' || body[0] == u' ')) ? 1 : 0;
        if (body.size() > signEnd + 1 && body[signEnd] == u'0' && (body[signEnd + 1] == u'x' || body[signEnd + 1] == u'X'))
            signEnd += 2;
        return body.substr(0, signEnd) + std::u16string(fill, u'0') + body.substr(signEnd);
    }
    return std::u16string(fill, u' ') + body;
}

std::u16string IntegerText(uint64_t magnitude, bool negative, const Spec& spec) {
    int base = (spec.conv == u'x' || spec.conv == u'X') ? 16 : 10;
    const char* digits = spec.conv == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string d;
    if (magnitude == 0) {
        if (spec.precision != 0) d = u"0";
    } else {
        while (magnitude) {
            d.insert(d.begin(), static_cast<char16_t>(digits[magnitude % base]));
            magnitude /= base;
        }
    }
    if (spec.precision > static_cast<int>(d.size())) d.insert(0, static_cast<size_t>(spec.precision) - d.size(), u'0');
    std::u16string prefix;
    if (negative)
        prefix = u"-";
    else if (spec.plus && base == 10 && (spec.conv == u'd' || spec.conv == u'i'))
        prefix = u"+";
    else if (spec.space && base == 10 && (spec.conv == u'd' || spec.conv == u'i'))
        prefix = u" ";
    if (spec.alt && base == 16 && !d.empty() && d != u"0") prefix += spec.conv == u'X' ? u"0X" : u"0x";
    return Pad(prefix + d, spec, true);
}

std::u16string FloatText(double v, const Spec& spec) {
    char fmt[32];
    std::snprintf(fmt, sizeof fmt, "%%%s%s%s%s.%d%c", spec.plus ? "+" : "", spec.space ? " " : "", spec.alt ? "#" : "",
                  "", spec.precision < 0 ? 6 : spec.precision, static_cast<char>(spec.conv));
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, v);
    return Pad(Widen(buf), spec, true);
}

}  // namespace

std::u16string FormatV(std::u16string_view format, const std::vector<FormatArg>& args) {
    std::u16string out;
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        char16_t c = format[i];
        if (c != u'%') {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t start = i++;
        if (i < format.size() && format[i] == u'%') {
            out.push_back(u'%');
            ++i;
            continue;
        }
        Spec spec;
        for (; i < format.size(); ++i) {
            char16_t f = format[i];
            if (f == u'-') spec.left = true;
            else if (f == u'+') spec.plus = true;
            else if (f == u' ') spec.space = true;
            else if (f == u'#') spec.alt = true;
            else if (f == u'0') spec.zero = true;
            else break;
        }
        auto number = [&](int& target) {
            if (i < format.size() && format[i] == u'*') {
                // A width taken from the arguments.
                int64_t w = 0;
                if (next < args.size()) {
                    if (auto p = std::get_if<int64_t>(&args[next].value)) w = *p;
                    else if (auto q = std::get_if<uint64_t>(&args[next].value)) w = static_cast<int64_t>(*q);
                    ++next;
                }
                target = static_cast<int>(std::min<int64_t>(w < 0 ? 0 : w, 4096));
                ++i;
                return;
            }
            int v = -1;
            while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
                v = (v < 0 ? 0 : v) * 10 + (format[i] - u'0');
                if (v > 4096) v = 4096;
                ++i;
            }
            target = v;
        };
        number(spec.width);
        if (i < format.size() && format[i] == u'.') {
            ++i;
            number(spec.precision);
            if (spec.precision < 0) spec.precision = 0;
        }
        // Size prefixes, Microsoft's I64 and I32 among them: the arguments carry their own size.
        while (i < format.size()) {
            const std::u16string_view rest = format.substr(i);
            if (rest.substr(0, 3) == u"I64" || rest.substr(0, 3) == u"I32") {
                i += 3;
            } else if (format[i] == u'l' || format[i] == u'h' || format[i] == u'I' || format[i] == u'L' ||
                       format[i] == u'z' || format[i] == u'j' || format[i] == u'w' || format[i] == u't') {
                ++i;
            } else {
                break;
            }
        }
        if (i >= format.size()) {
            out.append(format.substr(start));
            break;
        }
        spec.conv = format[i++];
        switch (spec.conv) {
            case u'd': case u'i': case u'u': case u'x': case u'X': case u'c':
            case u's': case u'S': case u'f': case u'F': case u'e': case u'E': case u'g': case u'G':
                break;
            default:
                // Not a conversion we know: keep the text as it stands.
                out.append(format.substr(start, i - start));
                continue;
        }
        if (next >= args.size()) continue;  // missing argument: prints nothing
        const auto& arg = args[next++].value;
        switch (spec.conv) {
            case u's':
            case u'S': {
                std::u16string text;
                if (auto s = std::get_if<std::u16string>(&arg)) text = *s;
                else if (auto a = std::get_if<int64_t>(&arg)) text = ToDecimal(*a);
                else if (auto b = std::get_if<uint64_t>(&arg)) text = ToDecimal(*b);
                else text = FloatText(std::get<double>(arg), Spec{.conv = u'g'});
                if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < text.size()) text.resize(static_cast<size_t>(spec.precision));
                out += Pad(text, spec, false);
                break;
            }
            case u'c': {
                std::u16string text;
                if (auto a = std::get_if<int64_t>(&arg)) text.push_back(static_cast<char16_t>(*a));
                else if (auto b = std::get_if<uint64_t>(&arg)) text.push_back(static_cast<char16_t>(*b));
                else if (auto s = std::get_if<std::u16string>(&arg)) text = s->substr(0, 1);
                out += Pad(text, spec, false);
                break;
            }
            case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': {
                double v = 0;
                if (auto d = std::get_if<double>(&arg)) v = *d;
                else if (auto a = std::get_if<int64_t>(&arg)) v = static_cast<double>(*a);
                else if (auto b = std::get_if<uint64_t>(&arg)) v = static_cast<double>(*b);
                else { out += Pad(std::get<std::u16string>(arg), spec, false); break; }
                out += FloatText(v, spec);
                break;
            }
            default: {  // d i u x X
                if (auto s = std::get_if<std::u16string>(&arg)) {
                    out += Pad(*s, spec, false);
                    break;
                }
                int64_t sv = 0;
                uint64_t uv = 0;
                bool isSigned = false;
                if (auto a = std::get_if<int64_t>(&arg)) { sv = *a; isSigned = true; }
                else if (auto b = std::get_if<uint64_t>(&arg)) uv = *b;
                else { sv = static_cast<int64_t>(std::get<double>(arg)); isSigned = true; }
                if (spec.conv == u'd' || spec.conv == u'i') {
                    if (isSigned) {
                        // A signed conversion of a 32-bit-sized value reads it as int32, as printf would.
                        out += IntegerText(sv < 0 ? uint64_t(0) - static_cast<uint64_t>(sv) : static_cast<uint64_t>(sv), sv < 0, spec);
                    } else {
                        int64_t asSigned = uv <= 0xFFFFFFFFull ? static_cast<int32_t>(static_cast<uint32_t>(uv)) : static_cast<int64_t>(uv);
                        out += IntegerText(asSigned < 0 ? uint64_t(0) - static_cast<uint64_t>(asSigned) : static_cast<uint64_t>(asSigned), asSigned < 0, spec);
                    }
                } else {
                    // Unsigned conversions of a negative 32-bit value wrap as printf would.
                    if (isSigned) uv = (sv >= INT32_MIN && sv <= INT32_MAX) ? static_cast<uint32_t>(static_cast<int32_t>(sv)) : static_cast<uint64_t>(sv);
                    out += IntegerText(uv, false, spec);
                }
                break;
            }
        }
    }
    return out;
}

}  // namespace quellora
