#include "platform/startup_state.h"

#include "platform/files.h"

namespace quellora {

StartupState& State() {
    static StartupState state;
    return state;
}

std::u16string ExecutableFolder() { return FolderPart(State().executablePath); }

}  // namespace quellora
