// Builds the platform of this process: on Windows the real APIs (or, in the
// simulated-machine build, the simulated power configuration inside Windows'
// own registry); on the host the simulated machine kept in its state folder.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace quellora {

namespace sim {
class SimMachine;
}

class PlatformAssembly {
public:
    virtual ~PlatformAssembly() = default;
    Platform platform;
    // The simulated machine behind the platform; null on real Windows.
    sim::SimMachine* machine = nullptr;
};

// Never fails: what cannot be opened answers as missing.
std::unique_ptr<PlatformAssembly> AssemblePlatform();

}  // namespace quellora
