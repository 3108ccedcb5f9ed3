// The program's main processor topology, read once on first use.
#pragma once

#include "power/processor_topology.h"

namespace quellora {

ProcessorTopology& MainTopology();
// Reads the layout again on next use (tests that change the simulated layout).
void ResetMainTopology();
// The processor is heterogeneous (more than one efficiency class in use).
bool IsHeterogeneousProcessor();

}  // namespace quellora
