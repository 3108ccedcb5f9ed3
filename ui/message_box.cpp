#include "ui/message_box.h"

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "ui/message_box_dialog.h"

namespace quellora {

MessageBoxParameters& BoxParameters() {
    static MessageBoxParameters parameters;
    return parameters;
}

int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t style,
                   const MessageBoxParameters& parameters, int remembered) {
    // A system-modal error (the crash reports, a start that cannot go on) is
    // the system's own box: it needs nothing of the program to work.
    if ((style & xmb::kIconMask) == xmb::kIconError && (style & xmb::kSystemModal)) {
        if (!Sys().interaction) return xmb::kIdOk;
        return Sys().interaction->MessageBox(text, caption, style & ~(xmb::kAgainBits | xmb::kNoSound));
    }
    const bool asksAgain = (style & xmb::kAgainBits) != 0 && !text.empty();
    if (asksAgain && Sys().registry) {
        int earlier = 0;
        if (RememberedAnswer(*Sys().registry, parameters, text, earlier)) return earlier;
    }
    MessageBoxPresenter presenter{std::u16string(text), std::u16string(caption), style, parameters,
                                  LoadMessageBoxLabels()};
    const int answer = RunMessageBoxDialog(owner, presenter);
    const bool kept = remembered == 0 || AnswerOf(answer) == remembered;
    if (asksAgain && (answer & xmb::kAgainBits) && kept && Sys().registry) {
        RememberAnswer(*Sys().registry, parameters, text, answer);
    }
    return answer;
}

namespace {

MessageBoxParameters ThemedParameters() {
    MessageBoxParameters parameters = BoxParameters();
    const bool highContrast = Sys().theme && Sys().theme->HighContrast();
    if (State().darkTheme && !highContrast) parameters.options |= xmb::kDark;
    return parameters;
}

}  // namespace

int ShowMessage(WindowHandle owner, std::u16string_view text, uint32_t style) {
    return ShowMessage(owner, text, State().productName, style);
}

int ShowMessage(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t style) {
    return ShowMessageBox(owner, text, caption, style, ThemedParameters());
}

int ShowMessageRememberingOnly(WindowHandle owner, std::u16string_view text, uint32_t style, int remembered) {
    return ShowMessageBox(owner, text, State().productName, style, ThemedParameters(), remembered);
}

int AskWithMessageBox(std::u16string_view text, uint32_t style) { return AnswerOf(ShowMessage(nullptr, text, style)); }

}  // namespace quellora
