// The companion product's named events on the simulated machine: a fact per event.
#pragma once

#include <string_view>

#include "platform/named_events.h"

namespace quellora::sim {

class SimMachine;

class SimNamedEvents : public NamedEvents {
public:
    explicit SimNamedEvents(SimMachine& machine) : machine_(machine) {}
    bool IsSignalled(std::u16string_view name) override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
