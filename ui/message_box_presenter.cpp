#include "ui/message_box_presenter.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/language.h"
#include "platform/text.h"
#include "ui/ui_text_ids.h"

namespace quellora {

namespace {

// Characters of the remembered answers' value names.
constexpr char16_t kSubstitution[] = u"Qw7eR2tYu9IoPa4SdF0gHjK1lZx8CvB5nMm3EqWrTyU6iOpAsDfGhJkLzXcVbN-_";
static_assert(sizeof(kSubstitution) / sizeof(char16_t) == 65, "64 characters and the NUL");

uint32_t Capped(uint32_t seconds) { return seconds > 999 ? 10 : seconds; }

// Sizes at 96 dpi, scaled.
int Scaled(int pixels, int dpi) { return (pixels * dpi + 48) / 96; }

std::u16string WithoutMnemonic(std::u16string_view label) {
    std::u16string out;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == u'&') {
            if (i + 1 < label.size() && label[i + 1] == u'&') out.push_back(u'&'), ++i;
            continue;
        }
        out.push_back(label[i]);
    }
    return out;
}

}  // namespace

// ---- Remembered answers

uint32_t MessageKey(std::u16string_view text) {
    const auto length = static_cast<uint32_t>(text.size());
    uint32_t key = 0;
    for (uint32_t i = 0; i < length; ++i) key += (static_cast<uint32_t>(text[i]) & 0xFF) * (i + length);
    return key;
}

std::u16string AnswerValueName(uint32_t key) {
    std::u16string name = ToDecimal(key);
    for (size_t i = 0; i < name.size(); ++i) name[i] = kSubstitution[(name[i] + 5 * i) % 64];
    return name;
}

std::u16string AnswersKey(const MessageBoxParameters& p) {
    return u"Software\\" + p.companyName + u"\\" + p.moduleName + u"\\XMessageBox";
}

bool RememberedAnswer(Registry& registry, const MessageBoxParameters& p, std::u16string_view text, int& answer) {
    RegValue value;
    if (registry.QueryValue(Hive::CurrentUser, AnswersKey(p), AnswerValueName(MessageKey(text)), value) !=
        err::kSuccess)
        return false;
    uint32_t stored = 0;
    if (!value.AsDword(stored) || (stored & xmb::kAgainBits) == 0) return false;
    answer = static_cast<int>(stored);
    return true;
}

void RememberAnswer(Registry& registry, const MessageBoxParameters& p, std::u16string_view text, int answer) {
    registry.SetValue(Hive::CurrentUser, AnswersKey(p), AnswerValueName(MessageKey(text)),
                      RegValue::Dword(static_cast<uint32_t>(answer)));
}

// ---- Labels

MessageBoxLabels EnglishMessageBoxLabels() {
    return MessageBoxLabels{u"OK",         u"Cancel",     u"&Abort",
                            u"&Retry",     u"&Ignore",    u"&Yes",
                            u"&No",        u"&Try Again", u"&Continue",
                            u"Help",       u"Don't ask me again", u"Don't tell me again",
                            u"Don't show this again"};
}

MessageBoxLabels LoadMessageBoxLabels() {
    MessageBoxLabels english = EnglishMessageBoxLabels();
    auto text = [](uint32_t id, const std::u16string& fallback) {
        std::u16string loaded = LoadText(id);
        return loaded.empty() ? fallback : loaded;
    };
    return MessageBoxLabels{text(ids::kBoxOk, english.ok),
                            text(ids::kBoxCancel, english.cancel),
                            text(ids::kBoxAbort, english.abort),
                            text(ids::kBoxRetry, english.retry),
                            text(ids::kBoxIgnore, english.ignore),
                            text(ids::kBoxYes, english.yes),
                            text(ids::kBoxNo, english.no),
                            text(ids::kBoxTryAgain, english.tryAgain),
                            text(ids::kBoxContinue, english.continueLabel),
                            text(ids::kBoxHelp, english.help),
                            text(ids::kBoxDontAskAgain, english.dontAskAgain),
                            text(ids::kBoxDontTellAgain, english.dontTellAgain),
                            text(ids::kBoxDontShowAgain, english.dontShowAgain)};
}

// ---- The presenter

MessageBoxPresenter::MessageBoxPresenter(std::u16string text, std::u16string caption, uint32_t style,
                                         MessageBoxParameters parameters, MessageBoxLabels labels)
    : text_(std::move(text)),
      caption_(std::move(caption)),
      style_(style),
      options_(parameters.options),
      parameters_(std::move(parameters)),
      labels_(std::move(labels)) {
    if (options_ & xmb::kDark) options_ |= xmb::kRightButtons | xmb::kNewLook;
    const MessageBoxLabels& l = labels_;
    auto add = [this](int id, const std::u16string& label) { buttons_.push_back(BoxButton{id, label, {}}); };
    switch (style_ & xmb::kButtonMask) {
        case 1: add(xmb::kIdOk, l.ok), add(xmb::kIdCancel, l.cancel); break;
        case 2: add(xmb::kIdAbort, l.abort), add(xmb::kIdRetry, l.retry), add(xmb::kIdIgnore, l.ignore); break;
        case 3: add(xmb::kIdYes, l.yes), add(xmb::kIdNo, l.no), add(xmb::kIdCancel, l.cancel); break;
        case 4: add(xmb::kIdYes, l.yes), add(xmb::kIdNo, l.no); break;
        case 5: add(xmb::kIdRetry, l.retry), add(xmb::kIdCancel, l.cancel); break;
        case 6: add(xmb::kIdCancel, l.cancel), add(xmb::kIdTryAgain, l.tryAgain), add(xmb::kIdContinue, l.continueLabel); break;
        default: add(xmb::kIdOk, l.ok); break;
    }
    if (style_ & xmb::kHelp) add(xmb::kIdHelp, l.help);
    countdown_ = Capped(parameters_.timeoutSeconds);
    disabledCountdown_ = Capped(parameters_.disabledSeconds);
}

int MessageBoxPresenter::DefaultButton() const {
    const size_t index = (style_ & xmb::kDefaultMask) >> 8;
    return buttons_[index < buttons_.size() ? index : 0].id;
}

uint32_t MessageBoxPresenter::AgainBit() const {
    if (style_ & xmb::kDoNotAskAgain) return xmb::kDoNotAskAgain;
    if (style_ & xmb::kDoNotTellAgain) return xmb::kDoNotTellAgain;
    if (style_ & xmb::kDoNotShowAgain) return xmb::kDoNotShowAgain;
    return 0;
}

std::u16string MessageBoxPresenter::CheckBoxLabel() const {
    switch (AgainBit()) {
        case xmb::kDoNotAskAgain: return labels_.dontAskAgain;
        case xmb::kDoNotTellAgain: return labels_.dontTellAgain;
        case xmb::kDoNotShowAgain: return labels_.dontShowAgain;
        default: return {};
    }
}

bool MessageBoxPresenter::Closable() const {
    for (const BoxButton& b : buttons_) {
        if (b.id == xmb::kIdCancel) return true;
    }
    return (style_ & xmb::kButtonMask) == 0;
}

BoxColours MessageBoxPresenter::Colours() const {
    BoxColours c;
    if (options_ & xmb::kDark) {
        c.dark = true;
        c.messageArea = xmb::kDarkMessageArea;
        c.text = xmb::kDarkText;
        c.buttonBand = xmb::kDarkButtonBand;
    }
    c.windowColourMessageArea = (options_ & xmb::kNewLook) != 0;
    return c;
}

int MessageBoxPresenter::WrapWidth(const BoxMetrics& m) const {
    const int screen = m.workArea.width;
    if (options_ & xmb::kNarrow) return screen / 3;
    if (options_ & xmb::kNewLook) return screen / 2 - 10;
    return screen / 2 + 80;
}

BoxLayout MessageBoxPresenter::Layout(const BoxMetrics& m, BoxMeasure& measure) const {
    BoxLayout out;
    const int margin = Scaled(m.dpi >= 0 ? 16 : 16, m.dpi);
    const int iconGap = Scaled(12, m.dpi);
    const int band = Scaled(11, m.dpi);       // above and below the buttons
    const int buttonGap = Scaled(8, m.dpi);
    const int labelPad = Scaled(12, m.dpi);   // each side of a button's label
    const bool newLook = (options_ & xmb::kNewLook) != 0;

    // Buttons: the system's 50 × 14 dialog units, 6 × 1 larger in the new look,
    // wider where a label (or its countdown) needs it.
    int buttonWidth = (newLook ? 56 : 50) * m.baseUnitX / 4;
    const int buttonHeight = (newLook ? 15 : 14) * m.baseUnitY / 8;
    for (const BoxButton& b : buttons_) {
        std::u16string widest = b.label;
        if (countdown_ > 0 && b.id == DefaultButton()) widest = Format(u"%s = %d", b.label, countdown_);
        buttonWidth = std::max(buttonWidth, measure.Text(WithoutMnemonic(widest), 0).width + 2 * labelPad);
    }
    const int buttonsWidth =
        static_cast<int>(buttons_.size()) * buttonWidth + static_cast<int>(buttons_.size() - 1) * buttonGap;

    // The message: icon, text beside it, the check box below the text.
    out.hasIcon = Icon() != 0;
    const int iconSize = out.hasIcon ? m.iconSize : 0;
    BoxSize text = measure.Text(text_, WrapWidth(m));
    const int textX = margin + (out.hasIcon ? iconSize + iconGap : 0);
    int textY = margin;
    if (text.height < iconSize) textY += (iconSize - text.height) / 2;
    out.icon = BoxRect{margin, margin, iconSize, iconSize};
    out.text = BoxRect{textX, textY, text.width, text.height};
    int contentBottom = std::max(out.text.bottom(), out.hasIcon ? out.icon.bottom() : 0);
    int contentRight = out.text.right();

    out.hasCheckBox = AgainBit() != 0;
    if (out.hasCheckBox) {
        const BoxSize label = measure.Text(WithoutMnemonic(CheckBoxLabel()), 0);
        const int height = std::max(label.height, m.checkGlyph) + Scaled(4, m.dpi);
        const int width = m.checkGlyph + Scaled(6, m.dpi) + label.width + Scaled(4, m.dpi);
        out.checkBox = BoxRect{textX, contentBottom + Scaled(12, m.dpi), width, height};
        contentBottom = out.checkBox.bottom();
        contentRight = std::max(contentRight, out.checkBox.right());
    }

    out.clientWidth = std::max({contentRight + margin, buttonsWidth + 2 * margin, Scaled(240, m.dpi)});
    out.messageAreaHeight = contentBottom + margin;
    out.clientHeight = out.messageAreaHeight + band + buttonHeight + band;

    const bool right = (options_ & (xmb::kRightButtons | xmb::kNewLook)) != 0;
    int x = right ? out.clientWidth - margin - buttonsWidth : (out.clientWidth - buttonsWidth) / 2;
    const int y = out.messageAreaHeight + band;
    for (const BoxButton& b : buttons_) {
        out.buttons.push_back(BoxButton{b.id, b.label, BoxRect{x, y, buttonWidth, buttonHeight}});
        x += buttonWidth + buttonGap;
    }
    return out;
}

BoxRect MessageBoxPresenter::Place(BoxSize size, const BoxRect* owner, const BoxRect& work) const {
    BoxRect r{0, 0, size.width, size.height};
    if (parameters_.placed) {
        r.x = parameters_.x;
        r.y = parameters_.y;
    } else {
        const BoxRect& around = owner ? *owner : work;
        r.x = around.x + (around.width - size.width) / 2;
        r.y = around.y + (around.height - size.height) / 2;
    }
    // Inside the work area, the top left corner first.
    r.x = std::max(work.x, std::min(r.x, work.right() - size.width));
    r.y = std::max(work.y, std::min(r.y, work.bottom() - size.height));
    return r;
}

std::u16string MessageBoxPresenter::CountdownText() const {
    for (const BoxButton& b : buttons_) {
        if (b.id == DefaultButton()) return Format(u"%s = %d", b.label, countdown_);
    }
    return {};
}

void MessageBoxPresenter::Start(MessageBoxSurface& surface) {
    if (countdown_ > 0) {
        surface.SetButtonText(DefaultButton(), CountdownText());
        surface.StartTimer(xmb::kCountdownTimer, xmb::kTimerMs);
    }
    if (disabledCountdown_ > 0) {
        surface.EnableButtons(false);
        surface.EnableClose(false);
        surface.StartTimer(xmb::kDisabledTimer, xmb::kTimerMs);
    } else {
        surface.EnableClose(Closable());
    }
}

void MessageBoxPresenter::OnTimer(int id, MessageBoxSurface& surface) {
    if (answer_ != 0) return;
    if (id == xmb::kCountdownTimer && countdown_ > 0) {
        --countdown_;
        if (countdown_ == 0) {
            surface.StopTimer(xmb::kCountdownTimer);
            Finish(DefaultButton(), surface);
            return;
        }
        surface.SetButtonText(DefaultButton(), CountdownText());
    } else if (id == xmb::kDisabledTimer && disabledCountdown_ > 0) {
        --disabledCountdown_;
        if (disabledCountdown_ == 0) {
            surface.StopTimer(xmb::kDisabledTimer);
            surface.EnableButtons(true);
            surface.EnableClose(Closable());
        }
    }
}

void MessageBoxPresenter::OnButton(int id, MessageBoxSurface& surface) {
    if (answer_ != 0 || disabledCountdown_ > 0) return;
    if (id == xmb::kIdHelp) return;  // Help does not answer: the box stays
    for (const BoxButton& b : buttons_) {
        if (b.id == id) {
            Finish(id, surface);
            return;
        }
    }
}

void MessageBoxPresenter::OnClose(MessageBoxSurface& surface) {
    if (answer_ != 0 || disabledCountdown_ > 0 || !Closable()) return;
    Finish((style_ & xmb::kButtonMask) == 0 ? xmb::kIdOk : xmb::kIdCancel, surface);
}

bool MessageBoxPresenter::OnKey(char16_t key, bool control, MessageBoxSurface& surface) {
    if (control && (key == u'C' || key == u'c')) {
        surface.CopyToClipboard(ClipboardText());
        return true;
    }
    return false;
}

std::u16string MessageBoxPresenter::ClipboardText() const {
    const std::u16string line(xmb::kCopyLine);
    std::u16string labels;
    for (const BoxButton& b : buttons_) {
        if (!labels.empty()) labels += u"   ";
        labels += WithoutMnemonic(b.label);
    }
    std::u16string text;
    for (const std::u16string& part : {line, caption_, line, text_, line, labels}) {
        // The text's own line ends become CR LF, as everywhere on the clipboard.
        for (size_t i = 0; i < part.size(); ++i) {
            if (part[i] == u'\n' && (i == 0 || part[i - 1] != u'\r')) text += u'\r';
            text += part[i];
        }
        text += u"\r\n";
    }
    return text;
}

void MessageBoxPresenter::Finish(int id, MessageBoxSurface& surface) {
    answer_ = id;
    if (AgainBit() != 0 && surface.CheckBoxTicked()) answer_ |= static_cast<int>(AgainBit());
    surface.StopTimer(xmb::kCountdownTimer);
    surface.StopTimer(xmb::kDisabledTimer);
    surface.End(answer_);
}

}  // namespace quellora
