#include "platform/sim/sim_interaction.h"

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

namespace {
constexpr uint32_t kTypeMask = 0xF;
constexpr uint32_t kOkCancel = 0x1;
constexpr uint32_t kYesNoCancel = 0x3;
constexpr uint32_t kRetryCancel = 0x5;
constexpr int kIdRetry = 4;
}  // namespace

SimInteraction::SimInteraction(SimMachine& machine) : machine_(machine) {}

int SimInteraction::MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = AskedQuestion{std::u16string(text), std::u16string(caption), style};
        ++count_;
    }
    const bool yes = machine_.MessageBoxAnswer() == mb::kIdYes || machine_.MessageBoxAnswer() == mb::kIdOk;
    switch (style & kTypeMask) {
        case mb::kYesNo:
        case kYesNoCancel:
            return yes ? mb::kIdYes : mb::kIdNo;
        case kOkCancel:
            return yes ? mb::kIdOk : mb::kIdCancel;
        case kRetryCancel:
            return yes ? kIdRetry : mb::kIdCancel;
        default:
            return mb::kIdOk;
    }
}

bool SimInteraction::LastQuestion(AskedQuestion& out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == 0) return false;
    out = last_;
    return true;
}

uint32_t SimInteraction::QuestionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

bool SimInteraction::OpenWithShell(std::u16string_view target) {
    std::lock_guard lock(mutex_);
    opened_ = std::u16string(target);
    return true;
}

std::u16string SimInteraction::LastOpened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

}  // namespace quellora::sim
