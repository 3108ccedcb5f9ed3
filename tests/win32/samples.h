// Texts that the console tests write in a child process and check in the parent.
#pragma once

#include <array>
#include <string_view>

namespace quellora::wintest::samples {

inline constexpr std::array<std::u16string_view, 6> kConsoleLines = {
    u"plain ASCII",
    u"Gr\u00fc\u00dfe aus K\u00f6ln",
    u"\u65e5\u672c\u8a9e \u2713",
    u"emoji \U0001F600 end",
    u"",
    u"[\n  {\n    \"name\": \"Ausbalanciert\"\n  }\n]",
};

// The same lines as the bytes a redirected output must hold: UTF-8, each line
// ended by CR LF, no byte order mark.
inline constexpr std::string_view kConsoleBytes =
    "plain ASCII\r\n"
    "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln\r\n"
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xe2\x9c\x93\r\n"
    "emoji \xf0\x9f\x98\x80 end\r\n"
    "\r\n"
    "[\n  {\n    \"name\": \"Ausbalanciert\"\n  }\n]\r\n";

inline constexpr std::u16string_view kErrorText = u"Fehler: Gr\u00fc\u00dfe \u2717";  // WriteError ends the line
inline constexpr std::string_view kErrorBytes = "Fehler: Gr\xc3\xbc\xc3\x9f" "e \xe2\x9c\x97\r\n";

}  // namespace quellora::wintest::samples
