// The core utilisation graph without its window: one vertical bar per logical
// processor, grouped by NUMA node. Here are the graph's decisions — the nodes
// and their labels, where every group box and bar stands, which bar changes
// on an update and which processors count as parked, the tooltip texts, how
// much of a bar is filled and whether an efficient processor's bar carries
// the emblem or a circle — and the one process-wide graph, which owns the
// sampler that feeds it. The window class (monitor/win32/) only applies them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

class ProcessorTopology;

namespace core_graph {
inline constexpr std::u16string_view kClassName = u"Ostrima_CPUCoreUtilizationGraph";
// Window messages of the control (WM_APP + 1 ... + 3).
inline constexpr uint32_t kStartMonitoring = 32769;
inline constexpr uint32_t kStopMonitoring = 32770;
inline constexpr uint32_t kSetTipText = 32771;
// The subclass id of the bars.
inline constexpr uint32_t kBarSubclassId = 67;
// A tooltip is at most this wide (pixels) and this long (characters).
inline constexpr int kTipWidth = 150;
inline constexpr size_t kTipLength = 80;
// The bars' range.
inline constexpr int kRangeLow = 0;
inline constexpr int kRangeHigh = 100;
// A window smaller than this is hidden rather than drawn squashed.
inline constexpr int kMinimumHeight = 6;
// Label strings of the language module.
inline constexpr uint32_t kSingleNodeLabelText = 837;
inline constexpr uint32_t kNodeLabelFormatText = 1226;
inline constexpr uint32_t kParkedLabelText = 1385;
inline constexpr uint32_t kEfficientLabelText = 1386;
}  // namespace core_graph

// The lParam of kSetTipText.
struct CoreGraphTipText {
    uint32_t node = 0;
    uint32_t index = 0;
    const char16_t* text = nullptr;  // null: empty
};

struct CoreGraphLabels {
    std::u16string singleNode = u"% CPU";
    std::u16string nodeFormat = u"Node %u";
    std::u16string parked = u"Parked";
    std::u16string efficient = u"Efficient";
};

// Pixels, left and top inside.
struct GraphRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const GraphRect&) const = default;
};

// The processors of one NUMA node, in the node's order; true for an
// efficient one (its class is below the highest).
struct GraphNode {
    std::vector<bool> efficient;
};

// Nodes 0 to the highest NUMA node number of the topology; a node the
// topology does not list has no processors.
std::vector<GraphNode> GraphNodesOf(const ProcessorTopology& topology);
// The single-node label when there is one node, else the node format with the node's number.
std::u16string NodeLabel(const CoreGraphLabels& labels, size_t nodeCount, uint32_t node);
// "Node %u, Logical CPU %u".
std::u16string DefaultTipText(uint32_t node, uint32_t index);
// The bar's text, then on lines of their own the efficient label for an
// efficient processor and the parked label for one shown parked; at most 80
// characters in all.
std::u16string BarTipText(std::u16string_view text, bool efficient, bool shownParked, const CoreGraphLabels& labels);

// ---- Layout

// Height of a group box's label: 20, or with a font its text height, external leading and 10 (at least 20).
int GroupLabelHeight(bool hasFont, int textHeight, int externalLeading);
// Two rows for an even count of 2 or more, else one.
int BarRows(size_t processors);

struct BarPlace {
    GraphRect rect;  // inside its group box
    bool visible = false;
};
struct GroupPlace {
    GraphRect rect;  // inside the control
    bool visible = false;
    std::vector<BarPlace> bars;
};
struct GraphLayout {
    std::vector<GroupPlace> groups;  // one per node
};
// Nodes with processors share the width equally, side by side from the left,
// at full height; the others get no room. In a group box bars stand in one
// or two rows below the label, 10 pixels in from the sides; a window placed
// off the box, without width or lower than 6 pixels is hidden.
GraphLayout LayOutCoreGraph(const std::vector<GraphNode>& nodes, int width, int height, int labelHeight);

// The height the dashboard gives the graph at most, at 96 dpi: 56 pixels a
// row of bars and 44 for the rest.
int CoreGraphMaxHeight(const std::vector<GraphNode>& nodes);

// ---- Painting a bar

// The filled part of a bar's client area for its position: from the bottom
// up, the width less a pixel each side; empty (height 0) when nothing shows.
GraphRect BarFill(int clientWidth, int clientHeight, int position, int low, int high);

// What an efficient processor's bar carries.
struct EmblemPlace {
    enum class Kind : uint8_t { None, Emblem, Circle };
    Kind kind = Kind::None;
    GraphRect rect;  // the emblem's place, or the circle's bounding square
};
// The emblem centred when it is smaller than the bar and fits; otherwise a
// centred circle half the bar's width across, when that fits.
EmblemPlace PlaceEmblem(int clientWidth, int clientHeight, int emblemWidth, int emblemHeight);

// ---- Updating

// One bar's state as the graph last showed it.
struct BarState {
    uint32_t lastPosition = 0;
    bool shownUnparked = true;
    bool efficient = false;
    std::u16string tip;
};

// What feeds the graph: a counter sampler with utility and parking status.
class GraphSampler {
public:
    virtual ~GraphSampler() = default;
    // The sampler's thread collects new values.
    virtual void RequestSample() = 0;
    virtual bool hasSample() const = 0;
    // Percent, or -1 when unknown.
    virtual int32_t utility(size_t node, size_t index) const = 0;
    // 0 unparked, above 0 parked, -1 unknown.
    virtual int32_t parking(size_t node, size_t index) const = 0;
};

// What an update changes on the bars (the window posts PBM_SETPOS and
// PBM_SETSTATE and redraws).
class GraphBars {
public:
    virtual ~GraphBars() = default;
    virtual void SetPosition(size_t node, size_t index, uint32_t position) = 0;
    virtual void ShowParked(size_t node, size_t index, bool parked) = 0;
};

struct UpdateResult {
    uint32_t parked = 0;         // processors shown parked
    uint32_t parkingKnown = 0;   // processors whose parking status could be read
};
// Brings the bars to the sampler's values: a known utility that differs from
// the bar's position moves it; a processor is shown parked, and counted, when
// its status is 1 or more and its bar shows no load (a parked processor that
// shows load is drawn unparked and not counted); unknown or 0 shows it unparked.
UpdateResult UpdateBars(const GraphSampler& sampler, std::vector<std::vector<BarState>>& bars, GraphBars& surface);

// ---- The process-wide graph

class CoreGraph {
public:
    using SamplerFactory = std::function<std::unique_ptr<GraphSampler>()>;

    CoreGraph();

    // The label texts (empty ones keep the current text).
    void SetLabels(std::u16string_view singleNode, std::u16string_view nodeFormat, std::u16string_view parked,
                   std::u16string_view efficient);
    CoreGraphLabels labels() const;
    // The nodes and processors the bars stand for; every bar starts empty,
    // unparked, with its default tooltip text.
    void SetNodes(std::vector<GraphNode> nodes);
    const std::vector<GraphNode>& nodes() const { return nodes_; }
    // How a sampler is made (the machine's counters, one per processor of the
    // nodes, unless a test says otherwise).
    void SetSamplerFactory(SamplerFactory factory);
    // The bars of the window, null while there is none.
    void AttachBars(GraphBars* bars);

    // The sampler: made anew, destroyed, asked for a sample.
    void StartMonitoring();
    void StopMonitoring();
    bool Monitoring() const;
    void RequestSample();
    // Shows the values the sampler stored last; nothing without a sampler or
    // while an update runs.
    void Update();
    // A sampler exists, it has taken a sample, and processor 0 of node 0 has no parking status.
    bool CountersBroken() const;
    // The sampler has taken a sample (the dashboard's one-time question waits for it).
    bool HasSample() const;
    // The processors shown parked at the last update, -1 before the first
    // update with a sample or while no parking status can be read.
    int64_t ParkedCount() const { return parkedCount_.load(); }
    // For the tray: the parked count while the graph has a sampler.
    bool PublishedParkedCount(uint32_t& parked) const;

    // Tooltips.
    std::u16string TipText(size_t node, size_t index) const;
    // False when either index is out of range. A null text empties it.
    bool SetTipText(uint32_t node, uint32_t index, const char16_t* text);
    // A bar's state (null when out of range).
    const BarState* Bar(size_t node, size_t index) const;

private:
    mutable std::mutex barsMutex_;  // the bar lists: update and tooltip paths
    mutable std::mutex samplerMutex_;
    CoreGraphLabels labels_;
    std::vector<GraphNode> nodes_;
    std::vector<std::vector<BarState>> bars_;
    GraphBars* surface_ = nullptr;
    SamplerFactory factory_;
    std::unique_ptr<GraphSampler> sampler_;
    std::atomic<bool> updating_{false};
    std::atomic<int64_t> parkedCount_{-1};
    std::atomic<bool> hasSampler_{false};
};

// The one graph of the process.
CoreGraph& TheCoreGraph();

}  // namespace quellora
