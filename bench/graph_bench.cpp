// quellora-graph-bench: how long one update of the core utilisation graph
// takes (the layout unchanged), for 8, 64 and 256 logical processors: every
// processor's load changes and a quarter of them park or unpark, so each
// update moves every bar. The window's part (posting the changes and
// painting) is measured under Wine by bench/graph_paint.sh.
//
//   quellora-graph-bench [updates]      (default 20000 updates per figure)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "monitor/core_graph.h"

namespace {

using namespace quellora;

class ChangingSampler : public GraphSampler {
public:
    explicit ChangingSampler(size_t perNode) : perNode_(perNode) {}
    void RequestSample() override { ++round_; }
    bool hasSample() const override { return true; }
    int32_t utility(size_t node, size_t index) const override {
        const size_t n = node * perNode_ + index;
        return parking(node, index) > 0 ? 0 : static_cast<int32_t>((n * 37 + round_ * 11) % 100);
    }
    int32_t parking(size_t node, size_t index) const override {
        return (node * perNode_ + index + round_) % 4 == 0 ? 1 : 0;
    }

private:
    size_t perNode_;
    size_t round_ = 0;
};

// The window's side: only counted here.
class CountingBars : public GraphBars {
public:
    void SetPosition(size_t, size_t, uint32_t) override { ++changes; }
    void ShowParked(size_t, size_t, bool) override { ++changes; }
    long changes = 0;
};

void Figure(size_t nodes, size_t perNode, int updates) {
    CoreGraph graph;
    std::vector<GraphNode> layout(nodes, GraphNode{std::vector<bool>(perNode, false)});
    graph.SetNodes(layout);
    graph.SetSamplerFactory([&]() -> std::unique_ptr<GraphSampler> { return std::make_unique<ChangingSampler>(perNode); });
    CountingBars bars;
    graph.AttachBars(&bars);
    graph.StartMonitoring();
    for (int i = 0; i < 100; ++i) {  // warm-up
        graph.RequestSample();
        graph.Update();
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < updates; ++i) {
        graph.RequestSample();
        graph.Update();
    }
    const auto end = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(end - start).count() / updates;
    std::printf("graph update, %3zu logical processors (%zu node%s): %8.2f us per update, %5.1f bar changes per update, %lld parked\n",
                nodes * perNode, nodes, nodes == 1 ? "" : "s", us, double(bars.changes) / (updates + 100),
                static_cast<long long>(graph.ParkedCount()));
}

}  // namespace

int main(int argc, char** argv) {
    const int updates = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    std::printf("quellora-graph-bench: %d updates per figure\n", updates);
    Figure(1, 8, updates);
    Figure(1, 64, updates);
    Figure(4, 64, updates);
    return 0;
}
