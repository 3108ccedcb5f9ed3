// The program's own message box, without the window: which buttons, icon and
// check box a style asks for, where everything stands, what the timers and
// keys do, what Ctrl+C copies, and the answers remembered by "don't ask
// again". The Win32 dialog (ui/win32/) only applies these decisions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace quellora {

namespace xmb {
// Style bits beyond the system's.
inline constexpr uint32_t kDoNotAskAgain = 0x01000000;
inline constexpr uint32_t kDoNotTellAgain = 0x02000000;
inline constexpr uint32_t kDoNotShowAgain = 0x04000000;
inline constexpr uint32_t kAgainBits = kDoNotAskAgain | kDoNotTellAgain | kDoNotShowAgain;
inline constexpr uint32_t kNoSound = 0x40000000;

// Options of the look.
inline constexpr uint32_t kRightButtons = 1;  // buttons right-aligned
inline constexpr uint32_t kNewLook = 2;       // message area in the window colour, larger buttons, narrower text
inline constexpr uint32_t kNarrow = 4;        // text wrapped at a third of the screen
inline constexpr uint32_t kDark = 8;          // dark colours; implies 1 and 2

// Colours of the dark look (COLORREF 0x00BBGGRR).
inline constexpr uint32_t kDarkMessageArea = 0x00202020;
inline constexpr uint32_t kDarkText = 0x00DCDCDC;
inline constexpr uint32_t kDarkButtonBand = 0x00606060;

// The system's style fields and answers the box understands.
inline constexpr uint32_t kButtonMask = 0x0000000F;
inline constexpr uint32_t kIconMask = 0x000000F0;
inline constexpr uint32_t kDefaultMask = 0x00000F00;
inline constexpr uint32_t kIconError = 0x10;
inline constexpr uint32_t kIconQuestion = 0x20;
inline constexpr uint32_t kIconWarning = 0x30;
inline constexpr uint32_t kIconInformation = 0x40;
inline constexpr uint32_t kSystemModal = 0x1000;
inline constexpr uint32_t kHelp = 0x4000;
inline constexpr uint32_t kSetForeground = 0x10000;
inline constexpr uint32_t kTopmost = 0x40000;

inline constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7,
                     kIdHelp = 9, kIdTryAgain = 10, kIdContinue = 11;

// Controls of the dialog besides the buttons (whose identifiers are the answers).
inline constexpr int kCheckBoxId = 5555;
inline constexpr int kIconId = 20481;
inline constexpr int kTextId = 20482;

inline constexpr int kCountdownTimer = 1;  // the default button counts down and is pressed at 0
inline constexpr int kDisabledTimer = 2;   // every button stays disabled until 0
inline constexpr uint32_t kTimerMs = 1000;

// The line around the parts of the copied text.
inline constexpr std::u16string_view kCopyLine = u"---------------------------";
}  // namespace xmb

// One process-wide record, copied for every box.
struct MessageBoxParameters {
    std::u16string companyName = u"Quellora";
    std::u16string moduleName = u"quellora.exe";
    uint32_t options = xmb::kNewLook | xmb::kNarrow;
    uint32_t timeoutSeconds = 0;   // above 999 taken as 10
    uint32_t disabledSeconds = 0;  // above 999 taken as 10
    bool placed = false;           // x, y given instead of centring on the owner
    int x = 0;
    int y = 0;
};

// ---- Remembered answers: HKCU\Software\<company>\<module>\XMessageBox.

// The sum over the text's code units of (unit & 0xFF) × (position + length), modulo 2^32.
uint32_t MessageKey(std::u16string_view text);
// The key in decimal with each character replaced from a 64-character table
// at (its code + 5 × its position) modulo 64.
std::u16string AnswerValueName(uint32_t key);
std::u16string AnswersKey(const MessageBoxParameters& parameters);
// A stored answer that carries an "again" bit; false when none is stored.
bool RememberedAnswer(Registry& registry, const MessageBoxParameters& parameters, std::u16string_view text,
                      int& answer);
void RememberAnswer(Registry& registry, const MessageBoxParameters& parameters, std::u16string_view text,
                    int answer);

// ---- The dialog's decisions.

struct BoxRect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
};

struct BoxSize {
    int width = 0;
    int height = 0;
};

// What the window measures for the presenter.
class BoxMeasure {
public:
    virtual ~BoxMeasure() = default;
    // The size of the text in the box's font; wrapped at `wrapWidth` pixels
    // (broken at blanks, tabs expanded, "&" shown as it is) when above 0.
    virtual BoxSize Text(std::u16string_view text, int wrapWidth) = 0;
};

struct BoxMetrics {
    int dpi = 96;
    BoxRect workArea{0, 0, 1280, 800};  // where the box may stand
    int baseUnitX = 7;   // the font's dialog base units
    int baseUnitY = 15;
    int iconSize = 32;   // the system's large icon
    int checkGlyph = 13; // the check box's square
};

struct BoxButton {
    int id = 0;
    std::u16string label;  // with its "&" mnemonic
    BoxRect place;
};

struct BoxLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    int messageAreaHeight = 0;  // the upper part; the button band is below it
    bool hasIcon = false;
    BoxRect icon;
    BoxRect text;
    bool hasCheckBox = false;
    BoxRect checkBox;
    std::vector<BoxButton> buttons;
};

// The look the options give.
struct BoxColours {
    bool dark = false;
    bool windowColourMessageArea = false;  // the new look's light message area
    uint32_t messageArea = 0;  // dark look only
    uint32_t text = 0;
    uint32_t buttonBand = 0;
};

// What the dialog applies; a fake in the tests.
class MessageBoxSurface {
public:
    virtual ~MessageBoxSurface() = default;
    virtual void SetButtonText(int id, std::u16string_view text) = 0;
    virtual void EnableButtons(bool enable) = 0;  // every button
    virtual void EnableClose(bool enable) = 0;    // the system menu's close command
    virtual void StartTimer(int id, uint32_t milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    virtual bool CheckBoxTicked() = 0;
    virtual void CopyToClipboard(std::u16string_view text) = 0;
    // Ends the dialog with the answer.
    virtual void End(int answer) = 0;
};

// The texts the box shows, from the language module with English fallback.
struct MessageBoxLabels {
    std::u16string ok, cancel, abort, retry, ignore, yes, no, tryAgain, continueLabel, help;
    std::u16string dontAskAgain, dontTellAgain, dontShowAgain;
};
MessageBoxLabels LoadMessageBoxLabels();
MessageBoxLabels EnglishMessageBoxLabels();

class MessageBoxPresenter {
public:
    MessageBoxPresenter(std::u16string text, std::u16string caption, uint32_t style, MessageBoxParameters parameters,
                        MessageBoxLabels labels);

    const std::u16string& Text() const { return text_; }
    const std::u16string& Caption() const { return caption_; }
    uint32_t Style() const { return style_; }
    uint32_t Options() const { return options_; }
    const MessageBoxParameters& Parameters() const { return parameters_; }

    // The buttons of the style in their order, labelled.
    const std::vector<BoxButton>& Buttons() const { return buttons_; }
    // The identifier of the default button.
    int DefaultButton() const;
    // The icon of the style: 0 (none) or one of xmb::kIcon*.
    uint32_t Icon() const { return style_ & xmb::kIconMask; }
    // The "again" bit of the style (0: no check box) and the check box's label.
    uint32_t AgainBit() const;
    std::u16string CheckBoxLabel() const;
    // Escape and the close box end the dialog only with a Cancel button or a
    // lone OK, as the system box does.
    bool Closable() const;
    BoxColours Colours() const;
    bool Topmost() const { return (style_ & xmb::kTopmost) != 0 || (style_ & xmb::kSystemModal) != 0; }
    bool Foreground() const { return (style_ & xmb::kSetForeground) != 0; }
    bool Sound() const { return (style_ & xmb::kNoSound) == 0; }

    // The width at which the text wraps, by the options and the screen.
    int WrapWidth(const BoxMetrics& metrics) const;
    BoxLayout Layout(const BoxMetrics& metrics, BoxMeasure& measure) const;
    // Where the window (of `size`, frame included) stands: centred on the
    // owner (the work area when there is none), or at the given place, and
    // kept inside the work area.
    BoxRect Place(BoxSize size, const BoxRect* owner, const BoxRect& workArea) const;

    // Input.
    void Start(MessageBoxSurface& surface);
    void OnTimer(int id, MessageBoxSurface& surface);
    void OnButton(int id, MessageBoxSurface& surface);
    void OnClose(MessageBoxSurface& surface);  // Escape, the close box, Alt+F4
    // A key press; `control` whether Control is down. True when handled.
    bool OnKey(char16_t key, bool control, MessageBoxSurface& surface);

    // What Ctrl+C copies: a line, the caption, a line, the text, a line, the
    // button labels (without "&") separated by three blanks; CR LF after each.
    std::u16string ClipboardText() const;

    // The answer once ended (with the "again" bit when the box was ticked); 0 before.
    int Answer() const { return answer_; }

private:
    void Finish(int id, MessageBoxSurface& surface);
    std::u16string CountdownText() const;

    std::u16string text_;
    std::u16string caption_;
    uint32_t style_;
    uint32_t options_;
    MessageBoxParameters parameters_;
    MessageBoxLabels labels_;
    std::vector<BoxButton> buttons_;
    uint32_t countdown_ = 0;
    uint32_t disabledCountdown_ = 0;
    int answer_ = 0;
};

}  // namespace quellora
