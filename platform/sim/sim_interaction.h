// Message boxes on the simulated machine: answered with the machine's
// configured answer, the last question remembered.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/interaction.h"

namespace quellora::sim {

class SimMachine;

struct AskedQuestion {
    std::u16string text;
    std::u16string caption;
    uint32_t style = 0;
};

class SimInteraction : public Interaction {
public:
    explicit SimInteraction(SimMachine& machine);

    // Yes/No questions get the machine's answer (IDNO unless told otherwise);
    // OK/Cancel ones get OK for yes and Cancel for no; a plain report gets OK.
    int MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) override;

    // Remembers what was to be opened; nothing is opened.
    bool OpenWithShell(std::u16string_view target) override;
    std::u16string LastOpened() const;

    // The last question asked; false when none was.
    bool LastQuestion(AskedQuestion& out) const;
    uint32_t QuestionCount() const;

private:
    SimMachine& machine_;
    mutable std::mutex mutex_;
    AskedQuestion last_;
    uint32_t count_ = 0;
    std::u16string opened_;
};

}  // namespace quellora::sim
