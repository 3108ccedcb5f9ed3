#include "tray/tray_presenter.h"

#include <system_error>

#include "boost/boost_settings.h"
#include "platform/instance_events.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/string_ids.h"
#include "platform/text.h"

namespace quellora {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::u16string VersionLine() { return u"Quellora v" + std::u16string(kProgramVersion); }

}  // namespace

std::u16string FitText(std::u16string_view text, size_t max) {
    if (text.size() <= max) return std::u16string(text);
    size_t length = max;
    if (length > 0 && IsHighSurrogate(text[length - 1])) --length;  // its low half would be cut off
    return std::u16string(text.substr(0, length));
}

std::u16string NormalTooltip() {
    std::u16string tip = VersionLine() + u"\n" + LoadText(ids::kTrayNoCoresParked);
    if (IsBoostEnabled()) tip += u"\n" + LoadText(ids::kTrayBoostOn);
    return FitText(tip, kTooltipMax);
}

TrayPresenter::TrayPresenter(TraySurface& surface) : surface_(surface) {}

TrayPresenter::~TrayPresenter() { StopTerminateWatch(); }

bool TrayPresenter::Handle(uint32_t message, uintptr_t, intptr_t lParam, intptr_t& result) {
    result = 0;
    switch (message) {
        case msg::kCreate:
            OnCreate();
            return true;
        case msg::kDestroy:
            OnDestroy();
            return true;
        case msg::kClose:
        case msg::kEndSession:
            surface_.PostQuit();
            return true;
        case msg::kQueryEndSession:
            result = 1;  // the session may end
            return true;
        case msg::kTrayCallback:
            OnTrayCallback(lParam);
            return true;
        case msg::kIconNormal:
            OnIconNormal();
            return true;
        case msg::kBalloonUpdated:
            OnBalloonUpdated();
            return true;
        default:
            break;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        OnTaskbarCreated();
        return true;
    }
    return false;
}

void TrayPresenter::OnCreate() {
    if (Sys().kernel) updateReady_ = Sys().kernel->OpenOrCreateEvent(u"", false, false);
    surface_.LoadTrayMenu();
    taskbarCreated_ = surface_.RegisterTaskbarCreated();
    StartTerminateWatch();
    if (State().showMainWindowAtStart) surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
}

void TrayPresenter::OnDestroy() {
    if (updateReady_ && Sys().kernel) Sys().kernel->Close(updateReady_);
    updateReady_ = 0;
    StopTerminateWatch();
    surface_.DestroyTrayMenu();
    surface_.PostQuit();
}

void TrayPresenter::OnIconNormal() {
    const TrayIconData icon{TrayIcon::Normal, NormalTooltip()};
    if (!iconAdded_ && surface_.AddIcon(icon)) {
        iconAdded_ = true;
        surface_.SetIconVersion(kTrayIconVersion);
        if (taskbarCreated_ == 0) taskbarCreated_ = surface_.RegisterTaskbarCreated();
    }
    // A failed add leaves the icon to the next icon message.
    surface_.ModifyIcon(icon);
}

void TrayPresenter::OnTaskbarCreated() {
    // Explorer started again: the icon is gone with the old taskbar.
    iconAdded_ = false;
    surface_.Post(msg::kIconNormal, 0, 0);
}

void TrayPresenter::OnTrayCallback(intptr_t event) {
    switch (event) {
        case msg::kLeftButtonUp:
            OpenMainWindow();
            break;
        case msg::kBalloonUserClick:
            if (openMainWindowOnClick_ && !updatePending_) surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
            break;
        default:
            break;
    }
}

void TrayPresenter::OnBalloonUpdated() {
    TrayBalloon balloon;
    balloon.title = FitText(LoadText(ids::kUpdatedTitle), kBalloonTitleMax);
    balloon.text = FitText(Format(LoadText(ids::kUpdatedText), kProgramVersion), kBalloonTextMax);
    balloon.timeoutMs = kUpdatedBalloonMs;
    surface_.ShowBalloon(balloon);
}

void TrayPresenter::OpenMainWindow() {
    if (opening_) return;  // a message pumped while opening asked again
    std::unique_lock lock(openMutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    opening_ = true;
    surface_.OpenMainWindow();
    opening_ = false;
}

void TrayPresenter::StartTerminateWatch() {
    KernelObjects* kernel = Sys().kernel;
    const KernelHandle shutdown = ShutdownEvent();
    if (!kernel || !shutdown || watch_.joinable()) return;
    watchStop_ = kernel->OpenOrCreateEvent(u"", true, false);
    if (!watchStop_) return;
    try {
        watch_ = std::thread([this, kernel, shutdown, stop = watchStop_] {
            const KernelHandle handles[] = {shutdown, stop};
            // `/terminate` signalled the shutdown event: the window closes and the loop ends.
            if (kernel->WaitAny(handles, 2, KernelObjects::kInfinite) == 0) surface_.Post(msg::kClose, 0, 0);
        });
    } catch (const std::system_error&) {
        kernel->Close(watchStop_);
        watchStop_ = 0;
    }
}

void TrayPresenter::StopTerminateWatch() {
    KernelObjects* kernel = Sys().kernel;
    if (watch_.joinable()) {
        if (kernel) kernel->Signal(watchStop_);
        watch_.join();
    }
    if (watchStop_ && kernel) kernel->Close(watchStop_);
    watchStop_ = 0;
}

}  // namespace quellora
