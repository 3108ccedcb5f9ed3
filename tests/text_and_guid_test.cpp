#include <gtest/gtest.h>

#include <limits>

#include "platform/guid.h"
#include "platform/text.h"

namespace quellora {
namespace {

TEST(GuidText, BothFormsRoundTrip) {
    Guid g = guids::kBalanced;
    EXPECT_EQ(GuidToText(g), u"{381B4222-F694-41F0-9685-FF5BB260DF2E}");
    EXPECT_EQ(GuidToBareText(g), u"381b4222-f694-41f0-9685-ff5bb260df2e");
    Guid back;
    ASSERT_TRUE(StringToGuid(GuidToText(g), back));
    EXPECT_EQ(back, g);
}

TEST(GuidText, AcceptsAndRefuses) {
    struct Case {
        std::u16string text;
        bool ok;
    };
    const Case cases[] = {
        {u"0cc5b647-c1df-4637-891a-dec35c318583", true},
        {u"{0CC5B647-C1DF-4637-891A-DEC35C318583}", true},
        {u"{0cc5b647-c1df-4637-891a-dec35c318583}", true},
        {u"0CC5B647-c1df-4637-891A-dec35c318583", true},
        {u"", false},
        {u"nope", false},
        {u"{0cc5b647-c1df-4637-891a-dec35c318583", false},
        {u"0cc5b647c1df4637891adec35c318583", false},
        {u"{0cc5b647-c1df-4637-891a-dec35c31858g}", false},
        {u" {0cc5b647-c1df-4637-891a-dec35c318583}", false},
        {u"{{0cc5b647-c1df-4637-891a-dec35c318583}}", false},
    };
    for (const auto& c : cases) {
        Guid g;
        EXPECT_EQ(StringToGuid(c.text, g), c.ok) << Utf16ToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(g, guids::kCoreParkingMin0);
        }
    }
}

TEST(GuidText, OrdersByInMemoryBytes) {
    // data1 is little-endian in memory: 0x00000100 sorts after 0x00000001 only by its second byte.
    Guid a = GuidLiteral("00000002-0000-0000-0000-000000000000");
    Guid b = GuidLiteral("00000100-0000-0000-0000-000000000000");
    EXPECT_LT(b, a);
    auto bytes = GuidBytes(guids::kBalanced);
    EXPECT_EQ(bytes[0], 0x22);
    EXPECT_EQ(bytes[3], 0x38);
    Guid back;
    ASSERT_TRUE(GuidFromBytes(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back, guids::kBalanced);
}

TEST(Utf, ConvertsBothWaysAndReplacesMalformedInput) {
    std::u16string text = u"Ausgewogen – 日本語 😀";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\xC3\x28"), u"\uFFFD(");
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");         // unpaired surrogate
}

TEST(Format, PrintfConversions) {
    struct Case {
        std::u16string expected;
        std::u16string actual;
    };
    const Case cases[] = {
        {u"Profile \"x\" applied to \"y\".", Format(u"Profile \"%s\" applied to \"%s\".", u"x", u"y")},
        {u"2025-03-01T09:05:07Z", Format(u"%04u-%02u-%02uT%02u:%02u:%02uZ", 2025u, 3u, 1u, 9u, 5u, 7u)},
        {u"0x1F", Format(u"0x%X", 31u)},
        {u"0x0000001f", Format(u"0x%08x", 31u)},
        {u"-5 4294967291", Format(u"%d %u", -5, -5)},
        {u"12.3 -1", Format(u"%.1f %.0f", 12.34, -1.0)},
        {u"100%", Format(u"%d%%", 100)},
        {u"[  ab][ab  ]", Format(u"[%4s][%-4s]", u"ab", u"ab")},
        {u"7", Format(u"%lu", 7u)},
        // The resource strings' own forms.
        {u"Plan \"Ausbalanciert\" 5 of 10, 12%", Format(u"Plan \"%s\" %u of %d, %d%%", u"Ausbalanciert", 5u, 10, 12)},
        {u"[ 42][42 ][00042][-0042][+42]", Format(u"[%3d][%-3d][%05d][%05d][%+d]", 42, 42, 42, -42, 42)},
        {u"[ 3.1][003.1][-03.1][3.14159][2.50e+00]", Format(u"[%4.1f][%05.1f][%05.1f][%.5f][%.2e]", 3.14159, 3.14159, -3.14159, 3.14159, 2.5)},
        {u"[  007][   -7]", Format(u"[%5.3d][%05.1d]", 7, -7)},  // an integer's precision turns "0" off
        {u"[  inf]", Format(u"[%05.1f]", std::numeric_limits<double>::infinity())},
        {u"1.5 GHz, 2.0", Format(u"%.1f GHz, %.1f", 1.5, 2)},
        {u"18446744073709551615 -9", Format(u"%I64u %I64d", 18446744073709551615ull, -9ll)},
        {u"wide text", Format(u"%ls %S", u"wide", u"text")},
        {u"ab.", Format(u"%.2s.", u"abc")},
        {u"[   x]", Format(u"[%*s]", 4, u"x")},
        // Arguments that do not fit their conversion still print, and missing ones print nothing.
        {u"n=abc m=", Format(u"n=%d m=%s", u"abc")},
        {u"x=12", Format(u"x=%s", 12)},
        {u"%q kept", Format(u"%q kept")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << Utf16ToUtf8(c.expected);
}

TEST(Text, CaseAndNumbers) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase(u"/STATUS", u"/status"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"Ä", u"ä"));
    EXPECT_TRUE(EqualsIgnoreCase(u"Ausgewogen Ä", u"AUSGEWOGEN ä"));
    EXPECT_TRUE(EqualsIgnoreCase(u"Сбалансированная", u"СБАЛАНСИРОВАННАЯ"));
    bool digits = false;
    EXPECT_EQ(ParseLeadingInt(u"  -42abc", &digits), -42);
    EXPECT_TRUE(digits);
    EXPECT_EQ(ParseLeadingInt(u"x1", &digits), 0);
    EXPECT_FALSE(digits);
    EXPECT_EQ(ParseLeadingInt(u"99999999999999999999999"), INT64_MAX);
}

}  // namespace
}  // namespace quellora
