#include <gtest/gtest.h>

#include <map>

#include "platform/sim/memory_registry.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "ui/message_box.h"
#include "ui/message_box_presenter.h"

namespace quellora {
namespace {

MessageBoxPresenter Box(uint32_t style, std::u16string text = u"Text", MessageBoxParameters p = {}) {
    return MessageBoxPresenter(std::move(text), u"Quellora", style, std::move(p), EnglishMessageBoxLabels());
}

// Every character 7 pixels wide and lines 15 high; wrapped at blanks.
class FakeMeasure : public BoxMeasure {
public:
    BoxSize Text(std::u16string_view text, int wrap) override {
        int widest = 0, lines = 1, line = 0;
        for (const std::u16string& word : Split(text, u' ')) {
            const int w = static_cast<int>(word.size()) * 7;
            if (wrap > 0 && line > 0 && line + 7 + w > wrap) {
                ++lines;
                line = 0;
            }
            line += (line > 0 ? 7 : 0) + w;
            widest = std::max(widest, line);
        }
        return BoxSize{widest, lines * 15};
    }
};

class FakeSurface : public MessageBoxSurface {
public:
    void SetButtonText(int id, std::u16string_view text) override { texts[id] = text; }
    void EnableButtons(bool enable) override { buttonsEnabled = enable; }
    void EnableClose(bool enable) override { closeEnabled = enable; }
    void StartTimer(int id, uint32_t ms) override { timers[id] = ms; }
    void StopTimer(int id) override { timers.erase(id); }
    bool CheckBoxTicked() override { return ticked; }
    void CopyToClipboard(std::u16string_view text) override { clipboard = text; }
    void End(int answer) override { ended = answer; }

    std::map<int, std::u16string> texts;
    std::map<int, uint32_t> timers;
    bool buttonsEnabled = true;
    bool closeEnabled = true;
    bool ticked = false;
    std::u16string clipboard;
    int ended = 0;
};

TEST(MessageBox, ButtonsDefaultsAndClosingFollowTheStyle) {
    struct Case {
        uint32_t style;
        std::vector<int> buttons;
        int defaultButton;
        bool closable;
    };
    const Case cases[] = {
        {0x0, {1}, 1, true},
        {0x1 | 0x100, {1, 2}, 2, true},
        {0x2 | 0x200, {3, 4, 5}, 5, false},
        {0x3, {6, 7, 2}, 6, true},
        {0x4 | 0x100, {6, 7}, 7, false},
        {0x4 | 0x300, {6, 7}, 6, false},  // a default beyond the buttons is the first
        {0x5, {4, 2}, 4, true},
        {0x6 | 0x200, {2, 10, 11}, 11, true},
        {0x4000, {1, 9}, 1, true},
    };
    for (const Case& c : cases) {
        MessageBoxPresenter box = Box(c.style);
        std::vector<int> ids;
        for (const BoxButton& b : box.Buttons()) ids.push_back(b.id);
        EXPECT_EQ(ids, c.buttons) << std::hex << c.style;
        EXPECT_EQ(box.DefaultButton(), c.defaultButton) << std::hex << c.style;
        EXPECT_EQ(box.Closable(), c.closable) << std::hex << c.style;
    }
}

TEST(MessageBox, EscapeAndTheCloseBoxAnswerAsTheSystemBoxDoes) {
    FakeSurface s;
    MessageBoxPresenter ok = Box(0x40);
    ok.OnClose(s);
    EXPECT_EQ(s.ended, xmb::kIdOk);
    FakeSurface s2;
    MessageBoxPresenter yesNo = Box(0x24);
    yesNo.Start(s2);
    EXPECT_FALSE(s2.closeEnabled);
    yesNo.OnClose(s2);
    yesNo.OnButton(xmb::kIdCancel, s2);  // no such button
    EXPECT_EQ(s2.ended, 0);
    yesNo.OnButton(xmb::kIdYes, s2);
    EXPECT_EQ(s2.ended, xmb::kIdYes);
    FakeSurface s3;
    MessageBoxPresenter yesNoCancel = Box(0x3);
    yesNoCancel.OnClose(s3);
    EXPECT_EQ(s3.ended, xmb::kIdCancel);
}

TEST(MessageBox, TheCheckBoxAddsItsBitToTheAnswer) {
    FakeSurface s;
    MessageBoxPresenter box = Box(xmb::kDoNotAskAgain | 0x34);
    EXPECT_EQ(box.AgainBit(), xmb::kDoNotAskAgain);
    EXPECT_EQ(box.CheckBoxLabel(), u"Don't ask me again");
    s.ticked = true;
    box.OnButton(xmb::kIdNo, s);
    EXPECT_EQ(s.ended, xmb::kIdNo | 0x01000000);
    EXPECT_EQ(AnswerOf(box.Answer()), xmb::kIdNo);
    EXPECT_EQ(Box(xmb::kDoNotTellAgain).CheckBoxLabel(), u"Don't tell me again");
    EXPECT_EQ(Box(xmb::kDoNotShowAgain).CheckBoxLabel(), u"Don't show this again");
    FakeSurface unticked;
    MessageBoxPresenter plain = Box(xmb::kDoNotAskAgain | 0x4);
    plain.OnButton(xmb::kIdYes, unticked);
    EXPECT_EQ(unticked.ended, xmb::kIdYes);
}

TEST(MessageBox, TimeoutCountsDownOnTheDefaultButtonAndPressesIt) {
    MessageBoxParameters p;
    p.timeoutSeconds = 3;
    FakeSurface s;
    MessageBoxPresenter box = Box(0x4 | 0x100, u"Text", p);
    box.Start(s);
    EXPECT_EQ(s.texts[xmb::kIdNo], u"&No = 3");
    EXPECT_EQ(s.timers[xmb::kCountdownTimer], 1000u);
    box.OnTimer(xmb::kCountdownTimer, s);
    EXPECT_EQ(s.texts[xmb::kIdNo], u"&No = 2");
    box.OnTimer(xmb::kCountdownTimer, s);
    EXPECT_EQ(s.ended, 0);
    box.OnTimer(xmb::kCountdownTimer, s);
    EXPECT_EQ(s.ended, xmb::kIdNo);
    EXPECT_TRUE(s.timers.empty());

    p.timeoutSeconds = 5000;  // above 999: ten seconds
    FakeSurface s2;
    MessageBoxPresenter capped = Box(0, u"Text", p);
    capped.Start(s2);
    EXPECT_EQ(s2.texts[xmb::kIdOk], u"OK = 10");
}

TEST(MessageBox, DisabledSecondsKeepEveryButtonAndTheCloseBoxDisabled) {
    MessageBoxParameters p;
    p.disabledSeconds = 2;
    FakeSurface s;
    MessageBoxPresenter box = Box(0x1, u"Text", p);
    box.Start(s);
    EXPECT_FALSE(s.buttonsEnabled);
    EXPECT_FALSE(s.closeEnabled);
    box.OnButton(xmb::kIdOk, s);
    box.OnClose(s);
    EXPECT_EQ(s.ended, 0);
    box.OnTimer(xmb::kDisabledTimer, s);
    EXPECT_FALSE(s.buttonsEnabled);
    box.OnTimer(xmb::kDisabledTimer, s);
    EXPECT_TRUE(s.buttonsEnabled);
    EXPECT_TRUE(s.closeEnabled);
    EXPECT_EQ(s.timers.count(xmb::kDisabledTimer), 0u);
    box.OnButton(xmb::kIdOk, s);
    EXPECT_EQ(s.ended, xmb::kIdOk);
}

TEST(MessageBox, CtrlCCopiesCaptionTextAndButtons) {
    FakeSurface s;
    MessageBoxPresenter box = Box(0x3, u"First line.\nSecond line.");
    EXPECT_FALSE(box.OnKey(u'C', false, s));
    EXPECT_TRUE(box.OnKey(u'C', true, s));
    EXPECT_EQ(s.clipboard,
              u"---------------------------\r\nQuellora\r\n---------------------------\r\n"
              u"First line.\r\nSecond line.\r\n---------------------------\r\nYes   No   Cancel\r\n");
    EXPECT_EQ(s.ended, 0);
}

TEST(MessageBox, LayoutFollowsTheOptions) {
    FakeMeasure measure;
    BoxMetrics m;
    m.workArea = BoxRect{0, 0, 1200, 800};
    const std::u16string longText(400, u'x');
    std::u16string words;
    for (int i = 0; i < 120; ++i) words += u"word ";
    struct Case {
        uint32_t options;
        int wrap;
        bool right;
    };
    const Case cases[] = {
        {0, 680, false},
        {xmb::kRightButtons, 680, true},
        {xmb::kNewLook, 590, true},
        {xmb::kNewLook | xmb::kNarrow, 400, true},
        {xmb::kDark, 590, true},  // dark implies the new look and right-aligned buttons
    };
    for (const Case& c : cases) {
        MessageBoxParameters p;
        p.options = c.options;
        MessageBoxPresenter box = Box(0x4 | 0x20, words, p);
        EXPECT_EQ(box.WrapWidth(m), c.wrap) << c.options;
        const BoxLayout l = box.Layout(m, measure);
        EXPECT_LE(l.text.width, c.wrap) << c.options;
        ASSERT_EQ(l.buttons.size(), 2u);
        const int leftGap = l.buttons.front().place.x;
        const int rightGap = l.clientWidth - l.buttons.back().place.right();
        if (c.right) {
            EXPECT_LT(rightGap, leftGap) << c.options;
        } else {
            EXPECT_LE(std::abs(leftGap - rightGap), 1) << c.options;
        }
        // Buttons below the message area, side by side, of one size.
        EXPECT_GE(l.buttons[0].place.y, l.messageAreaHeight);
        EXPECT_EQ(l.buttons[0].place.width, l.buttons[1].place.width);
        EXPECT_LT(l.buttons[0].place.right(), l.buttons[1].place.x);
        EXPECT_LE(l.buttons[1].place.bottom(), l.clientHeight);
        EXPECT_GE(l.clientWidth, l.text.right());
    }
    // The new look's buttons are larger: 56 × 15 dialog units instead of 50 × 14.
    MessageBoxParameters old;
    old.options = 0;
    const BoxLayout small = Box(0, u"x", old).Layout(m, measure);
    const BoxLayout large = Box(0, u"x").Layout(m, measure);
    EXPECT_EQ(small.buttons[0].place.width, 50 * 7 / 4);
    EXPECT_EQ(large.buttons[0].place.width, 56 * 7 / 4);
    EXPECT_EQ(large.buttons[0].place.height, 15 * 15 / 8);
}

TEST(MessageBox, LayoutPlacesIconTextAndCheckBox) {
    FakeMeasure measure;
    BoxMetrics m;
    const BoxLayout noIcon = Box(0, u"Short text").Layout(m, measure);
    EXPECT_FALSE(noIcon.hasIcon);
    const BoxLayout icon = Box(0x40, u"Short text").Layout(m, measure);
    EXPECT_TRUE(icon.hasIcon);
    EXPECT_GT(icon.text.x, icon.icon.right());
    EXPECT_GT(icon.text.x, noIcon.text.x);
    // One line beside a taller icon is centred on it.
    EXPECT_EQ(icon.text.y - icon.icon.y, (icon.icon.height - icon.text.height) / 2);

    const BoxLayout check = Box(xmb::kDoNotAskAgain | 0x34, u"Short text").Layout(m, measure);
    ASSERT_TRUE(check.hasCheckBox);
    EXPECT_GT(check.checkBox.y, std::max(check.text.bottom(), check.icon.bottom()));
    EXPECT_EQ(check.checkBox.x, check.text.x);
    EXPECT_LE(check.checkBox.bottom(), check.messageAreaHeight);
    EXPECT_GE(check.checkBox.width, 13 + 18 * 7);

    // A countdown widens the buttons to its text.
    MessageBoxParameters p;
    p.timeoutSeconds = 120;
    const BoxLayout countdown = Box(0x3, u"x", p).Layout(m, measure);
    EXPECT_GE(countdown.buttons[0].place.width, static_cast<int>(std::u16string(u"Yes = 120").size()) * 7);

    // Scaled at 144 dpi.
    BoxMetrics high = m;
    high.dpi = 144;
    const BoxLayout scaled = Box(0x40, u"x").Layout(high, measure);
    EXPECT_EQ(scaled.icon.x, 24);
}

TEST(MessageBox, PlacedOnTheOwnerAndInsideTheWorkArea) {
    const BoxRect work{0, 0, 1280, 760};
    MessageBoxPresenter box = Box(0);
    const BoxRect owner{100, 100, 600, 400};
    BoxRect r = box.Place(BoxSize{300, 150}, &owner, work);
    EXPECT_EQ(r.x, 250);
    EXPECT_EQ(r.y, 225);
    r = box.Place(BoxSize{300, 150}, nullptr, work);
    EXPECT_EQ(r.x, 490);
    EXPECT_EQ(r.y, 305);
    const BoxRect offScreen{1200, 700, 200, 100};
    r = box.Place(BoxSize{300, 150}, &offScreen, work);
    EXPECT_EQ(r.right(), 1280);
    EXPECT_EQ(r.bottom(), 760);
    MessageBoxParameters p;
    p.placed = true;
    p.x = -50;
    p.y = 40;
    r = Box(0, u"x", p).Place(BoxSize{300, 150}, &owner, work);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 40);
}

TEST(MessageBox, DarkLookAndItsColours) {
    MessageBoxParameters p;
    p.options = xmb::kDark;
    const BoxColours dark = Box(0, u"x", p).Colours();
    EXPECT_TRUE(dark.dark);
    EXPECT_EQ(dark.messageArea, 0x00202020u);
    EXPECT_EQ(dark.text, 0x00DCDCDCu);
    EXPECT_EQ(dark.buttonBand, 0x00606060u);
    EXPECT_EQ(Box(0, u"x", p).Options(), xmb::kDark | xmb::kRightButtons | xmb::kNewLook);
    EXPECT_FALSE(Box(0).Colours().dark);
}

TEST(RememberedAnswers, KeyValueNameAndStore) {
    // (0x61 × (0 + 2)) + (0x62 × (1 + 2))
    EXPECT_EQ(MessageKey(u"ab"), 97u * 2 + 98u * 3);
    // Only the low byte of each code unit counts.
    EXPECT_EQ(MessageKey(u"\u0161b"), MessageKey(u"ab"));
    EXPECT_EQ(MessageKey(u""), 0u);
    const std::u16string name = AnswerValueName(488);
    EXPECT_EQ(name.size(), 3u);
    EXPECT_NE(name, u"488");
    EXPECT_NE(AnswerValueName(488), AnswerValueName(884));
    // Every character of a long key stays in the table.
    for (char16_t c : AnswerValueName(4294967295u)) EXPECT_TRUE(std::u16string_view(u"Qw7eR2tYu9IoPa4SdF0gHjK1lZx8CvB5nMm3EqWrTyU6iOpAsDfGhJkLzXcVbN-_").find(c) != std::u16string_view::npos);

    sim::MemoryRegistry registry;
    MessageBoxParameters p;
    EXPECT_EQ(AnswersKey(p), u"Software\\Quellora\\quellora.exe\\XMessageBox");
    int answer = 0;
    EXPECT_FALSE(RememberedAnswer(registry, p, u"Go on?", answer));
    RememberAnswer(registry, p, u"Go on?", xmb::kIdNo | 0x01000000);
    ASSERT_TRUE(RememberedAnswer(registry, p, u"Go on?", answer));
    EXPECT_EQ(answer, xmb::kIdNo | 0x01000000);
    EXPECT_FALSE(RememberedAnswer(registry, p, u"Go on!", answer));
    // A stored answer without an "again" bit is not an answer.
    RememberAnswer(registry, p, u"Plain", xmb::kIdYes);
    EXPECT_FALSE(RememberedAnswer(registry, p, u"Plain", answer));
}

TEST(ShowMessage, RemembersTickedAnswersAndUsesTheSystemBoxForSystemModalErrors) {
    testing::SimEnv env;
    // A remembered answer is given without asking.
    RememberAnswer(env.registry(), BoxParameters(), u"Enable anyway?", xmb::kIdNo | 0x01000000);
    EXPECT_EQ(ShowMessage(nullptr, u"Enable anyway?", 0x01000034), xmb::kIdNo | 0x01000000);
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);
    // Another text asks; the platform sees the system's bits only.
    env.machine().SetMessageBoxAnswer(xmb::kIdYes);
    EXPECT_EQ(ShowMessage(nullptr, u"Something else?", 0x01000034), xmb::kIdYes);
    sim::AskedQuestion q;
    ASSERT_TRUE(env.interaction().LastQuestion(q));
    EXPECT_EQ(q.style, 0x34u);
    EXPECT_EQ(q.caption, u"Quellora");
    // A system-modal error goes to the system's box as it is.
    EXPECT_EQ(ShowMessage(nullptr, u"Dump failed.", 0x1010), xmb::kIdOk);
    ASSERT_TRUE(env.interaction().LastQuestion(q));
    EXPECT_EQ(q.style, 0x1010u);
    EXPECT_EQ(q.text, u"Dump failed.");
}

}  // namespace
}  // namespace quellora
