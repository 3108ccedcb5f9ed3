#include "platform/sim/sim_named_events.h"

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

bool SimNamedEvents::IsSignalled(std::u16string_view name) { return machine_.EventSignalled(name); }

}  // namespace quellora::sim
