#include "monitor/core_graph.h"

#include <algorithm>

#include "monitor/counter_sampler.h"
#include "platform/text.h"
#include "power/processor_topology.h"

namespace quellora {

std::vector<GraphNode> GraphNodesOf(const ProcessorTopology& topology) {
    std::vector<GraphNode> nodes(topology.NumaNodeCount());
    for (uint32_t i = 0; i < nodes.size(); ++i) {
        const uint32_t count = topology.NodeProcessorCount(i);
        nodes[i].efficient.assign(count, false);
        for (uint32_t j = 0; j < count; ++j) {
            uint16_t group = 0;
            uint32_t index = 0;
            if (!topology.NodeProcessor(i, j, group, index)) continue;
            const auto cls = topology.LogicalProcessorClass(group, index);
            nodes[i].efficient[j] = cls && *cls < topology.maxClass();
        }
    }
    return nodes;
}

std::u16string NodeLabel(const CoreGraphLabels& labels, size_t nodeCount, uint32_t node) {
    if (nodeCount <= 1) return labels.singleNode;
    return Format(labels.nodeFormat, node);
}

std::u16string DefaultTipText(uint32_t node, uint32_t index) {
    return Format(u"Node %u, Logical CPU %u", node, index);
}

std::u16string BarTipText(std::u16string_view text, bool efficient, bool shownParked, const CoreGraphLabels& labels) {
    std::u16string tip(text);
    if (efficient) tip += u"\n" + labels.efficient;
    if (shownParked) tip += u"\n" + labels.parked;
    if (tip.size() > core_graph::kTipLength) {
        size_t cut = core_graph::kTipLength;
        // Never leave half of a surrogate pair at the end.
        if (cut > 0 && tip[cut - 1] >= 0xD800 && tip[cut - 1] <= 0xDBFF) --cut;
        tip.resize(cut);
    }
    return tip;
}

int GroupLabelHeight(bool hasFont, int textHeight, int externalLeading) {
    if (!hasFont) return 20;
    return std::max(20, textHeight + externalLeading + 10);
}

int BarRows(size_t processors) { return processors < 2 || processors % 2 != 0 ? 1 : 2; }

namespace {

bool Shown(const GraphRect& r) {
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height >= core_graph::kMinimumHeight;
}

}  // namespace

GraphLayout LayOutCoreGraph(const std::vector<GraphNode>& nodes, int width, int height, int labelHeight) {
    GraphLayout layout;
    layout.groups.resize(nodes.size());
    const auto withProcessors =
        std::count_if(nodes.begin(), nodes.end(), [](const GraphNode& n) { return !n.efficient.empty(); });
    const int share = withProcessors > 0 ? width / static_cast<int>(withProcessors) : 0;
    int left = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        GroupPlace& group = layout.groups[i];
        const size_t n = nodes[i].efficient.size();
        group.bars.resize(n);
        if (n == 0) continue;  // no room, hidden
        group.rect = GraphRect{left, 0, share, height};
        group.visible = Shown(group.rect);
        left += share;

        const int rows = BarRows(n);
        const int barHeight = rows == 1 ? height - labelHeight - 10 : (height - labelHeight - 12) / 2;
        const int perRow = static_cast<int>(n) / rows;
        const int innerWidth = share - 20;
        const int barWidth = innerWidth / perRow;
        const int shift = (innerWidth - barWidth * perRow) / 2;
        for (int k = 0; k < static_cast<int>(n); ++k) {
            BarPlace& bar = group.bars[static_cast<size_t>(k)];
            if (k < perRow) {
                bar.rect = GraphRect{10 + shift + k * barWidth, labelHeight, barWidth, barHeight};
            } else {
                bar.rect = GraphRect{10 + shift + (k - perRow) * barWidth, labelHeight + barHeight + 2, barWidth, barHeight};
            }
            bar.visible = Shown(bar.rect);
        }
    }
    return layout;
}

int CoreGraphMaxHeight(const std::vector<GraphNode>& nodes) {
    int rows = 1;
    for (const GraphNode& n : nodes) rows = std::max(rows, BarRows(n.efficient.size()));
    return rows * 56 + 44;
}

GraphRect BarFill(int clientWidth, int clientHeight, int position, int low, int high) {
    // Inside the frame: a pixel in from every side.
    if (clientWidth <= 2 || clientHeight <= 2 || low >= high) return GraphRect{1, clientHeight - 1, 0, 0};
    const int bottom = clientHeight - 1;
    const int64_t span = static_cast<int64_t>(std::clamp(position, low, high) - low) * 100 / (high - low);
    const int filled = static_cast<int>(span * (clientHeight - 2) / 100);
    return GraphRect{1, bottom - filled, clientWidth - 2, filled};
}

EmblemPlace PlaceEmblem(int clientWidth, int clientHeight, int emblemWidth, int emblemHeight) {
    EmblemPlace place;
    if (emblemWidth > 0 && emblemHeight > 0 && emblemWidth < clientWidth - 2 && emblemHeight < clientHeight - 2) {
        place.kind = EmblemPlace::Kind::Emblem;
        place.rect = GraphRect{(clientWidth - emblemWidth) / 2, (clientHeight - emblemHeight) / 2, emblemWidth, emblemHeight};
        return place;
    }
    const int diameter = clientWidth / 2;
    if (diameter >= 2 && diameter < clientHeight - 2) {
        place.kind = EmblemPlace::Kind::Circle;
        place.rect = GraphRect{(clientWidth - diameter) / 2, (clientHeight - diameter) / 2, diameter, diameter};
    }
    return place;
}

UpdateResult UpdateBars(const GraphSampler& sampler, std::vector<std::vector<BarState>>& bars, GraphBars& surface) {
    UpdateResult result;
    for (size_t i = 0; i < bars.size(); ++i) {
        for (size_t j = 0; j < bars[i].size(); ++j) {
            const int32_t utility = sampler.utility(i, j);
            BarState& bar = bars[i][j];
            if (utility >= 0 && static_cast<uint32_t>(utility) != bar.lastPosition) {
                bar.lastPosition = static_cast<uint32_t>(utility);
                surface.SetPosition(i, j, bar.lastPosition);
            }
        }
    }
    for (size_t i = 0; i < bars.size(); ++i) {
        for (size_t j = 0; j < bars[i].size(); ++j) {
            const int32_t parking = sampler.parking(i, j);
            BarState& bar = bars[i][j];
            if (parking >= 0) ++result.parkingKnown;
            const bool parked = parking >= 1 && bar.lastPosition == 0;
            if (parked) {
                ++result.parked;
                if (bar.shownUnparked) {
                    bar.shownUnparked = false;
                    surface.ShowParked(i, j, true);
                }
            } else if (!bar.shownUnparked) {
                bar.shownUnparked = true;
                surface.ShowParked(i, j, false);
            }
        }
    }
    return result;
}

// ---- CoreGraph

namespace {

// The machine's counters: utility and parking status of every processor.
class CounterGraphSampler : public GraphSampler {
public:
    explicit CounterGraphSampler(const std::vector<uint32_t>& processorsPerNode)
        : sampler_(CounterSampler::kUtility | CounterSampler::kParkingStatus, processorsPerNode) {}
    void RequestSample() override { sampler_.RequestSample(); }
    bool hasSample() const override { return sampler_.hasSample(); }
    int32_t utility(size_t node, size_t index) const override { return sampler_.utility(node, index); }
    int32_t parking(size_t node, size_t index) const override { return sampler_.parking(node, index); }

private:
    CounterSampler sampler_;
};

}  // namespace

CoreGraph::CoreGraph()
    : factory_([this]() -> std::unique_ptr<GraphSampler> {
          std::vector<uint32_t> counts;
          for (const GraphNode& node : nodes()) counts.push_back(static_cast<uint32_t>(node.efficient.size()));
          return std::make_unique<CounterGraphSampler>(counts);
      }) {}

void CoreGraph::SetLabels(std::u16string_view singleNode, std::u16string_view nodeFormat, std::u16string_view parked,
                          std::u16string_view efficient) {
    std::lock_guard lock(barsMutex_);
    if (!singleNode.empty()) labels_.singleNode = singleNode;
    if (!nodeFormat.empty()) labels_.nodeFormat = nodeFormat;
    if (!parked.empty()) labels_.parked = parked;
    if (!efficient.empty()) labels_.efficient = efficient;
}

CoreGraphLabels CoreGraph::labels() const {
    std::lock_guard lock(barsMutex_);
    return labels_;
}

void CoreGraph::SetNodes(std::vector<GraphNode> nodes) {
    std::lock_guard lock(barsMutex_);
    nodes_ = std::move(nodes);
    bars_.assign(nodes_.size(), {});
    for (size_t i = 0; i < nodes_.size(); ++i) {
        bars_[i].resize(nodes_[i].efficient.size());
        for (size_t j = 0; j < bars_[i].size(); ++j) {
            bars_[i][j].efficient = nodes_[i].efficient[j];
            bars_[i][j].tip = DefaultTipText(static_cast<uint32_t>(i), static_cast<uint32_t>(j));
        }
    }
    parkedCount_ = -1;
}

void CoreGraph::SetSamplerFactory(SamplerFactory factory) {
    std::lock_guard lock(samplerMutex_);
    factory_ = std::move(factory);
}

void CoreGraph::AttachBars(GraphBars* bars) {
    std::lock_guard lock(barsMutex_);
    surface_ = bars;
}

void CoreGraph::StartMonitoring() {
    std::unique_ptr<GraphSampler> old;
    {
        std::lock_guard lock(samplerMutex_);
        old = std::move(sampler_);
        hasSampler_ = false;
    }
    old.reset();  // its thread ends before the new one starts
    std::lock_guard lock(samplerMutex_);
    if (factory_) sampler_ = factory_();
    hasSampler_ = sampler_ != nullptr;
    parkedCount_ = -1;
}

void CoreGraph::StopMonitoring() {
    std::unique_ptr<GraphSampler> old;
    {
        std::lock_guard lock(samplerMutex_);
        old = std::move(sampler_);
        hasSampler_ = false;
        parkedCount_ = -1;
    }
}

bool CoreGraph::Monitoring() const { return hasSampler_; }

void CoreGraph::RequestSample() {
    std::lock_guard lock(samplerMutex_);
    if (sampler_) sampler_->RequestSample();
}

namespace {

// Bars nobody draws (no window yet): the update still keeps the count.
class NoBars : public GraphBars {
public:
    void SetPosition(size_t, size_t, uint32_t) override {}
    void ShowParked(size_t, size_t, bool) override {}
};

}  // namespace

void CoreGraph::Update() {
    if (updating_.exchange(true)) return;
    {
        std::lock_guard samplerLock(samplerMutex_);
        if (sampler_ && sampler_->hasSample()) {
            std::lock_guard lock(barsMutex_);
            NoBars none;
            const UpdateResult result = UpdateBars(*sampler_, bars_, surface_ ? *surface_ : none);
            parkedCount_ = result.parkingKnown > 0 ? static_cast<int64_t>(result.parked) : -1;
        }
    }
    updating_ = false;
}

bool CoreGraph::CountersBroken() const {
    std::lock_guard lock(samplerMutex_);
    if (!sampler_ || !sampler_->hasSample()) return false;
    return sampler_->parking(0, 0) == -1;
}

bool CoreGraph::HasSample() const {
    std::lock_guard lock(samplerMutex_);
    return sampler_ && sampler_->hasSample();
}

bool CoreGraph::PublishedParkedCount(uint32_t& parked) const {
    if (!hasSampler_) return false;
    const int64_t count = parkedCount_.load();
    parked = count > 0 ? static_cast<uint32_t>(count) : 0;
    return true;
}

std::u16string CoreGraph::TipText(size_t node, size_t index) const {
    std::lock_guard lock(barsMutex_);
    if (node >= bars_.size() || index >= bars_[node].size()) return {};
    const BarState& bar = bars_[node][index];
    return BarTipText(bar.tip, bar.efficient, !bar.shownUnparked, labels_);
}

bool CoreGraph::SetTipText(uint32_t node, uint32_t index, const char16_t* text) {
    std::lock_guard lock(barsMutex_);
    if (node >= bars_.size() || index >= bars_[node].size()) return false;
    bars_[node][index].tip = text ? std::u16string(text) : std::u16string();
    return true;
}

const BarState* CoreGraph::Bar(size_t node, size_t index) const {
    std::lock_guard lock(barsMutex_);
    if (node >= bars_.size() || index >= bars_[node].size()) return nullptr;
    return &bars_[node][index];
}

CoreGraph& TheCoreGraph() {
    static CoreGraph graph;
    return graph;
}

}  // namespace quellora
