// Text helpers shared by every layer: UTF-8/UTF-16 conversion, case handling
// and a printf-style formatter that is safe with any format string.
//
// Text lives in memory as UTF-16 (std::u16string) on every target, so code-unit
// counts, comparisons and sorting are the same on the host and on Windows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quellora {

// Malformed input becomes U+FFFD; never fails.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// ASCII literal to UTF-16 (for building paths and messages from narrow literals).
std::u16string Widen(std::string_view ascii);
// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);
// UTF-16LE bytes as the platform hands them over: the text up to its first NUL
// (an odd last byte is ignored).
std::u16string Utf16FromBytes(const uint8_t* bytes, size_t size);
// The text as UTF-16LE bytes with its terminating NUL.
std::vector<uint8_t> Utf16Bytes(std::u16string_view text);

// Letters A to Z only, as the command line and switch rules ask.
char16_t LowerAscii(char16_t c);
std::u16string LowerAscii(std::u16string_view text);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// Simple case folding over the common alphabets (Latin, Greek, Cyrillic), for
// comparisons that Windows makes without regard to case (plan names, file names).
char16_t FoldCase(char16_t c);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
std::u16string FoldCase(std::u16string_view text);

bool StartsWith(std::u16string_view text, std::u16string_view prefix);
bool EndsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view suffix);
std::u16string TrimWhite(std::u16string_view text);  // blanks, tabs, CR, LF, VT, FF
std::vector<std::u16string> Split(std::u16string_view text, char16_t separator);
// The text with every control character (below U+0020, and U+007F) written as a
// blank: for a name that goes into one line of a text file.
std::u16string ControlCharactersAsBlanks(std::u16string_view text);

// Decimal conversions in the C library's manner: leading white space, an
// optional sign, then the leading digits; trailing characters are ignored.
// `digits` tells whether any digit was seen. Out-of-range values saturate.
int64_t ParseLeadingInt(std::u16string_view text, bool* digits = nullptr);
std::u16string ToDecimal(int64_t value);
std::u16string ToDecimal(uint64_t value);
inline std::u16string ToDecimal(int32_t v) { return ToDecimal(static_cast<int64_t>(v)); }
inline std::u16string ToDecimal(uint32_t v) { return ToDecimal(static_cast<uint64_t>(v)); }

// One argument of Format.
struct FormatArg {
    std::variant<int64_t, uint64_t, double, std::u16string> value;
    FormatArg(int v) : value(int64_t(v)) {}
    FormatArg(long v) : value(int64_t(v)) {}
    FormatArg(long long v) : value(int64_t(v)) {}
    FormatArg(unsigned v) : value(uint64_t(v)) {}
    FormatArg(unsigned long v) : value(uint64_t(v)) {}
    FormatArg(unsigned long long v) : value(uint64_t(v)) {}
    FormatArg(double v) : value(v) {}
    FormatArg(std::u16string v) : value(std::move(v)) {}
    FormatArg(std::u16string_view v) : value(std::u16string(v)) {}
    FormatArg(const char16_t* v) : value(std::u16string(v ? v : u"")) {}
};

// printf-style formatting of %s, %d, %i, %u, %x, %X, %c, %f and %% with flags,
// width and precision (and the l/ll/h size prefixes, which are ignored). The
// arguments carry their own types: a number given for %s prints in decimal, a
// text given for %d prints as text, and a missing argument prints nothing, so
// a translated format string can never read past its arguments.
std::u16string FormatV(std::u16string_view format, const std::vector<FormatArg>& args);

template <typename... Args>
std::u16string Format(std::u16string_view format, Args&&... args) {
    return FormatV(format, std::vector<FormatArg>{FormatArg(std::forward<Args>(args))...});
}

}  // namespace quellora
