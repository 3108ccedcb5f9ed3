#include "power/main_topology.h"

#include <memory>
#include <mutex>

namespace quellora {

namespace {
std::mutex g_mutex;
std::unique_ptr<ProcessorTopology> g_topology;
}  // namespace

ProcessorTopology& MainTopology() {
    std::lock_guard lock(g_mutex);
    if (!g_topology) g_topology = std::make_unique<ProcessorTopology>();
    return *g_topology;
}

void ResetMainTopology() {
    std::lock_guard lock(g_mutex);
    g_topology.reset();
}

bool IsHeterogeneousProcessor() { return MainTopology().IsHeterogeneous(); }

}  // namespace quellora
