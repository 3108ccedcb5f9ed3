#include "ui/text_fit.h"

#include <gtest/gtest.h>

#include "tests/support/fake_measure.h"

namespace quellora {
namespace {

using testing::FakeMeasure;

TEST(TextFit, ScaleStepsCountDownWithoutDrift) {
    const std::vector<double> small = ScaleSteps(1.0, 0.65, 0.05);
    ASSERT_EQ(small.size(), 8u);
    EXPECT_DOUBLE_EQ(small.front(), 1.0);
    EXPECT_DOUBLE_EQ(small[3], 0.85);
    EXPECT_DOUBLE_EQ(small.back(), 0.65);
    const std::vector<double> large = ScaleSteps(2.0, 1.05, 0.05);
    ASSERT_EQ(large.size(), 20u);
    EXPECT_DOUBLE_EQ(large.back(), 1.05);
}

TEST(TextFit, FirstScaleAtWhichEveryCandidateFits) {
    const std::vector<std::u16string> texts = {u"Remove the plan", u"Add the plan"};  // 15 and 12 characters
    const auto scales = ScaleSteps(1.0, 0.65, 0.05);
    // 15 × 7 = 105 pixels at 1.0.
    EXPECT_DOUBLE_EQ(FitFontScale(texts, scales, 0.6, 105, 16, FakeMeasure), 1.0);
    // 90 pixels: 15 × 7 × 0.85 = 89.25.
    EXPECT_DOUBLE_EQ(FitFontScale(texts, scales, 0.6, 90, 16, FakeMeasure), 0.85);
    // Nothing fits 40 pixels: the fallback.
    EXPECT_DOUBLE_EQ(FitFontScale(texts, scales, 0.6, 40, 16, FakeMeasure), 0.6);
    // The height counts too: 16 × 0.7 rounds to 11.
    EXPECT_DOUBLE_EQ(FitFontScale(texts, scales, 0.6, 200, 11, FakeMeasure), 0.7);
}

TEST(TextFit, LinkTagsAreStripped) {
    EXPECT_EQ(StripLinkTags(u"<a>Remove</a> the plan"), u"Remove the plan");
    EXPECT_EQ(StripLinkTags(u"Go <a href=\"x\">there</a>."), u"Go there.");
    EXPECT_EQ(StripLinkTags(u"1 < 2 <b>"), u"1 < 2 <b>");
}

TEST(TextFit, AShortNameIsShownLargeOnOneLine) {
    // "Balanced": 8 characters; at 2.0 that is 112 × 32 pixels.
    PlanNameFit fit = FitPlanName(u"Balanced", 300, 40, FakeMeasure);
    EXPECT_DOUBLE_EQ(fit.scale, 2.0);
    EXPECT_FALSE(fit.wrapped);
    EXPECT_FALSE(fit.cut);
    EXPECT_EQ(fit.text, u"Balanced");
    // In a control 25 high (21 usable): 16 × 1.3 = 21.
    fit = FitPlanName(u"Balanced", 300, 25, FakeMeasure);
    EXPECT_DOUBLE_EQ(fit.scale, 1.3);
}

TEST(TextFit, ANameTooLongForOneLineAtPointNineWrapsAtPointEight) {
    // 40 characters: 252 pixels at 0.9, 224 at 0.8; the control is 200 wide and 30 high.
    const std::u16string name = u"Quiet evening power plan for the laptop.";
    ASSERT_EQ(name.size(), 40u);
    const PlanNameFit fit = FitPlanName(name, 200, 30, FakeMeasure);
    EXPECT_DOUBLE_EQ(fit.scale, 0.8);
    EXPECT_TRUE(fit.wrapped);
    EXPECT_FALSE(fit.cut);
    EXPECT_EQ(fit.text, name);
}

TEST(TextFit, ANameTooLongWhenWrappedIsCutWithAnEllipsis) {
    const std::u16string name = u"Ostrima Highest Performance for rendering, compiling and the long evening game sessions";
    const PlanNameFit fit = FitPlanName(name, 200, 30, FakeMeasure);  // two lines of 13 at 0.8
    EXPECT_TRUE(fit.cut);
    EXPECT_TRUE(fit.wrapped);
    ASSERT_FALSE(fit.text.empty());
    EXPECT_EQ(fit.text.back(), u'\u2026');
    EXPECT_TRUE(name.starts_with(fit.text.substr(0, fit.text.size() - 1)));
    const TextExtent e = FakeMeasure(fit.text, 0.8, 200);
    EXPECT_LE(e.height, 26);
    // The longest such prefix: up to the next character that is not a blank, it would not fit.
    size_t next = fit.text.size() - 1;
    while (next < name.size() && name[next] == u' ') ++next;
    const std::u16string longer = name.substr(0, next + 1) + u"\u2026";
    EXPECT_GT(FakeMeasure(longer, 0.8, 200).height, 26);
}

TEST(TextFit, TheEllipsisNeverSplitsASurrogatePairAndDropsTrailingBlanks) {
    // Emoji (surrogate pairs) and blanks: every cut must land on a character boundary.
    const std::u16string name = u"\U0001F3AE\U0001F3AE \U0001F525\U0001F525\U0001F525 \U0001F680\U0001F680";
    for (size_t room = 0; room <= name.size() + 1; ++room) {
        const std::u16string cut = CutWithEllipsis(name, [&](std::u16string_view t) { return t.size() <= room; });
        ASSERT_FALSE(cut.empty());
        EXPECT_EQ(cut.back(), u'\u2026');
        const std::u16string prefix = cut.substr(0, cut.size() - 1);
        if (!prefix.empty()) {
            const char16_t last = prefix.back();
            EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF) << "room " << room;
            EXPECT_NE(last, u' ') << "room " << room;
        }
        EXPECT_TRUE(name.starts_with(prefix));
    }
    // Four units of room: one pair and the ellipsis fit; the next pair would not.
    EXPECT_EQ(CutWithEllipsis(name, [](std::u16string_view t) { return t.size() <= 4; }), u"\U0001F3AE\u2026");
    // Nothing fits: only the ellipsis.
    EXPECT_EQ(CutWithEllipsis(name, [](std::u16string_view) { return false; }), u"\u2026");
}

TEST(TextFit, ALongNameOfSurrogatePairsIsCutSafely) {
    std::u16string name;
    for (int i = 0; i < 60; ++i) name += (i % 6 == 5) ? u" " : u"\U0001D4AC";  // script letters, blank-separated
    const PlanNameFit fit = FitPlanName(name, 120, 30, FakeMeasure);
    ASSERT_TRUE(fit.cut);
    const std::u16string prefix = fit.text.substr(0, fit.text.size() - 1);
    ASSERT_FALSE(prefix.empty());
    EXPECT_TRUE(prefix.back() >= 0xDC00 && prefix.back() <= 0xDFFF);  // ends on a whole pair
    EXPECT_TRUE(name.starts_with(prefix));
}

}  // namespace
}  // namespace quellora
