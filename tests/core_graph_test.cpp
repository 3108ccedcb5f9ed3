#include "monitor/core_graph.h"

#include <gtest/gtest.h>

#include "power/main_topology.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

std::vector<GraphNode> Nodes(std::initializer_list<size_t> counts) {
    std::vector<GraphNode> nodes;
    for (size_t n : counts) nodes.push_back(GraphNode{std::vector<bool>(n, false)});
    return nodes;
}

// Values a test sets per node and processor.
class FakeSampler : public GraphSampler {
public:
    explicit FakeSampler(const std::vector<GraphNode>& nodes) {
        for (const auto& n : nodes) {
            utilities.emplace_back(n.efficient.size(), -1);
            parkings.emplace_back(n.efficient.size(), -1);
        }
    }
    void RequestSample() override { ++requests; }
    bool hasSample() const override { return sampled; }
    int32_t utility(size_t node, size_t index) const override { return utilities[node][index]; }
    int32_t parking(size_t node, size_t index) const override { return parkings[node][index]; }

    std::vector<std::vector<int32_t>> utilities;
    std::vector<std::vector<int32_t>> parkings;
    bool sampled = true;
    int requests = 0;
};

struct Change {
    size_t node, index;
    char what;  // 'p' position, 'P' shown parked, 'U' shown unparked
    uint32_t value;
    bool operator==(const Change&) const = default;
};

class RecordingBars : public GraphBars {
public:
    void SetPosition(size_t node, size_t index, uint32_t position) override {
        changes.push_back({node, index, 'p', position});
    }
    void ShowParked(size_t node, size_t index, bool parked) override {
        changes.push_back({node, index, parked ? 'P' : 'U', 0});
    }
    std::vector<Change> changes;
};

TEST(CoreGraphNodes, OneNodeOfTheHybridLaptopMarksItsEfficientCores) {
    testing::SimEnv env(u"hybrid-laptop");
    const auto nodes = GraphNodesOf(MainTopology());
    ASSERT_EQ(nodes.size(), 1u);
    ASSERT_EQ(nodes[0].efficient.size(), 24u);
    // Eight performance cores with SMT come first, then eight efficient cores.
    for (size_t j = 0; j < 24; ++j) EXPECT_EQ(nodes[0].efficient[j], j >= 16) << j;
}

TEST(CoreGraphNodes, TwoNodesOfTheWorkstationAndNoEfficientCoresOnTheDesktop) {
    testing::SimEnv env(u"workstation");
    auto nodes = GraphNodesOf(MainTopology());
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].efficient.size(), 48u);
    EXPECT_EQ(nodes[1].efficient.size(), 48u);
    env.SetLayout(u"desktop");
    nodes = GraphNodesOf(MainTopology());
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(std::count(nodes[0].efficient.begin(), nodes[0].efficient.end(), true), 0);
}

TEST(CoreGraphLabels, OneNodeTakesTheSingleLabelSeveralTheFormat) {
    CoreGraphLabels labels;
    EXPECT_EQ(NodeLabel(labels, 1, 0), u"% CPU");
    EXPECT_EQ(NodeLabel(labels, 2, 0), u"Node 0");
    EXPECT_EQ(NodeLabel(labels, 2, 1), u"Node 1");
    EXPECT_EQ(DefaultTipText(1, 7), u"Node 1, Logical CPU 7");
}

TEST(CoreGraphTips, ParkedEfficientProcessorHasThreeLinesAndNoTipPassesEightyCharacters) {
    CoreGraphLabels labels;
    EXPECT_EQ(BarTipText(u"Node 0, Logical CPU 3", true, true, labels), u"Node 0, Logical CPU 3\nEfficient\nParked");
    EXPECT_EQ(BarTipText(u"Node 0, Logical CPU 3", false, true, labels), u"Node 0, Logical CPU 3\nParked");
    EXPECT_EQ(BarTipText(u"Node 0, Logical CPU 3", true, false, labels), u"Node 0, Logical CPU 3\nEfficient");
    const std::u16string longText(78, u'x');
    EXPECT_EQ(BarTipText(longText, true, false, labels).size(), core_graph::kTipLength);
    // A cut never keeps half of a surrogate pair.
    std::u16string pairs(79, u'y');
    pairs += u"\U0001F600";  // ends at 81 units: the pair straddles the limit
    EXPECT_EQ(BarTipText(pairs, false, false, labels), std::u16string(79, u'y'));
}

TEST(CoreGraphLayout, RowsFollowTheProcessorCount) {
    struct Case {
        size_t processors;
        int rows;
        int perRow;
    } cases[] = {{8, 2, 4}, {6, 2, 3}, {5, 1, 5}, {1, 1, 1}, {2, 2, 1}, {24, 2, 12}};
    for (const Case& c : cases) {
        const GraphLayout layout = LayOutCoreGraph(Nodes({c.processors}), 420, 156, 20);
        ASSERT_EQ(layout.groups.size(), 1u);
        const auto& bars = layout.groups[0].bars;
        ASSERT_EQ(bars.size(), c.processors);
        EXPECT_EQ(BarRows(c.processors), c.rows) << c.processors;
        int rowZero = 0;
        for (const BarPlace& b : bars) rowZero += b.rect.y == 20;
        EXPECT_EQ(rowZero, c.perRow) << c.processors;
        const int barHeight = c.rows == 1 ? 156 - 20 - 10 : (156 - 20 - 12) / 2;
        EXPECT_EQ(bars[0].rect.height, barHeight) << c.processors;
        if (c.rows == 2) {
            EXPECT_EQ(bars[static_cast<size_t>(c.perRow)].rect.y, 20 + barHeight + 2) << c.processors;
        }
    }
}

TEST(CoreGraphLayout, BarsShareTheInnerWidthAndTheRemainderCentresThem) {
    // 8 processors in a box 101 wide: 81 inside, 4 a row of 20 pixels, 1 left over: no shift (half of 1 is 0).
    GraphLayout layout = LayOutCoreGraph(Nodes({8}), 101, 150, 24);
    EXPECT_EQ(layout.groups[0].bars[0].rect, (GraphRect{10, 24, 20, 57}));
    EXPECT_EQ(layout.groups[0].bars[3].rect, (GraphRect{70, 24, 20, 57}));
    EXPECT_EQ(layout.groups[0].bars[4].rect, (GraphRect{10, 24 + 57 + 2, 20, 57}));
    // 5 processors in 110: 90 inside, 18 each, nothing left; in 113: 93 inside, 3 left, shifted by 1.
    layout = LayOutCoreGraph(Nodes({5}), 113, 100, 20);
    EXPECT_EQ(layout.groups[0].bars[0].rect.x, 11);
    EXPECT_EQ(layout.groups[0].bars[4].rect.x, 11 + 4 * 18);
}

TEST(CoreGraphLayout, NodesStandSideBySideAndEmptyNodesGetNoRoom) {
    const GraphLayout layout = LayOutCoreGraph(Nodes({4, 0, 4}), 600, 150, 20);
    ASSERT_EQ(layout.groups.size(), 3u);
    EXPECT_EQ(layout.groups[0].rect, (GraphRect{0, 0, 300, 150}));
    EXPECT_FALSE(layout.groups[1].visible);
    EXPECT_EQ(layout.groups[2].rect, (GraphRect{300, 0, 300, 150}));
    EXPECT_TRUE(layout.groups[2].visible);
}

TEST(CoreGraphLayout, WindowsTooSmallToDrawAreHidden) {
    // 48 processors in 40 pixels: no width for a bar.
    GraphLayout layout = LayOutCoreGraph(Nodes({48}), 40, 150, 20);
    EXPECT_FALSE(layout.groups[0].bars[0].visible);
    // A graph too low for bars of 6 pixels.
    layout = LayOutCoreGraph(Nodes({8}), 400, 40, 20);
    EXPECT_EQ(layout.groups[0].bars[0].rect.height, 4);
    EXPECT_FALSE(layout.groups[0].bars[0].visible);
    EXPECT_TRUE(layout.groups[0].visible);
    layout = LayOutCoreGraph(Nodes({8}), 400, 150, 20);
    EXPECT_TRUE(layout.groups[0].bars[7].visible);
}

TEST(CoreGraphLayout, LabelHeightAndTheDashboardsHeightCap) {
    EXPECT_EQ(GroupLabelHeight(false, 30, 4), 20);
    EXPECT_EQ(GroupLabelHeight(true, 8, 0), 20);
    EXPECT_EQ(GroupLabelHeight(true, 15, 2), 27);
    EXPECT_EQ(CoreGraphMaxHeight(Nodes({8})), 2 * 56 + 44);
    EXPECT_EQ(CoreGraphMaxHeight(Nodes({5})), 56 + 44);
    EXPECT_EQ(CoreGraphMaxHeight(Nodes({1})), 56 + 44);
}

TEST(CoreGraphPaint, FillRisesFromTheBottomInsideTheFrame) {
    struct Case {
        int position, clientHeight;
        GraphRect fill;
    } cases[] = {
        {0, 102, {1, 101, 18, 0}},    {100, 102, {1, 1, 18, 100}}, {50, 102, {1, 51, 18, 50}},
        {37, 58, {1, 37, 18, 20}},    {150, 102, {1, 1, 18, 100}}, {-5, 102, {1, 101, 18, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(BarFill(20, c.clientHeight, c.position, 0, 100), c.fill) << c.position;
    EXPECT_EQ(BarFill(20, 102, 50, 100, 100).height, 0);  // an empty range draws nothing
    EXPECT_EQ(BarFill(2, 102, 50, 0, 100).height, 0);     // nothing inside the frame
}

TEST(CoreGraphPaint, EmblemWhenItFitsElseACircleElseNothing) {
    EmblemPlace p = PlaceEmblem(30, 60, 12, 12);
    EXPECT_EQ(p.kind, EmblemPlace::Kind::Emblem);
    EXPECT_EQ(p.rect, (GraphRect{9, 24, 12, 12}));
    p = PlaceEmblem(10, 60, 12, 12);  // a narrow bar
    EXPECT_EQ(p.kind, EmblemPlace::Kind::Circle);
    EXPECT_EQ(p.rect, (GraphRect{2, 27, 5, 5}));
    EXPECT_EQ(PlaceEmblem(3, 60, 12, 12).kind, EmblemPlace::Kind::None);
    EXPECT_EQ(PlaceEmblem(30, 60, 0, 0).kind, EmblemPlace::Kind::Circle);  // no emblem loaded
}

TEST(CoreGraphUpdate, ParkedOnlyWithoutLoadAndPositionsOnlyWhenTheyChange) {
    auto nodes = Nodes({4});
    FakeSampler sampler(nodes);
    std::vector<std::vector<BarState>> bars(1, std::vector<BarState>(4));
    RecordingBars surface;
    sampler.utilities[0] = {0, 30, -1, 0};
    sampler.parkings[0] = {1, 1, -1, 0};
    UpdateResult r = UpdateBars(sampler, bars, surface);
    EXPECT_EQ(r.parked, 1u);  // processor 1 shows load: drawn unparked, not counted
    EXPECT_EQ(r.parkingKnown, 3u);
    EXPECT_EQ(surface.changes, (std::vector<Change>{{0, 1, 'p', 30}, {0, 0, 'P', 0}}));

    surface.changes.clear();
    r = UpdateBars(sampler, bars, surface);
    EXPECT_TRUE(surface.changes.empty());  // nothing changed, nothing sent
    EXPECT_EQ(r.parked, 1u);

    sampler.utilities[0] = {5, 0, -1, 0};
    sampler.parkings[0] = {0, 1, -1, 0};
    surface.changes.clear();
    r = UpdateBars(sampler, bars, surface);
    EXPECT_EQ(r.parked, 1u);
    EXPECT_EQ(surface.changes,
              (std::vector<Change>{{0, 0, 'p', 5}, {0, 1, 'p', 0}, {0, 0, 'U', 0}, {0, 1, 'P', 0}}));
}

TEST(CoreGraphUpdate, UnavailableCountersLeaveEveryBarEmptyAndUnparked) {
    auto nodes = Nodes({3, 3});
    FakeSampler sampler(nodes);  // everything -1
    std::vector<std::vector<BarState>> bars(2, std::vector<BarState>(3));
    RecordingBars surface;
    const UpdateResult r = UpdateBars(sampler, bars, surface);
    EXPECT_EQ(r.parked, 0u);
    EXPECT_EQ(r.parkingKnown, 0u);
    EXPECT_TRUE(surface.changes.empty());
}

class CoreGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        graph.SetNodes(Nodes({4}));
        graph.SetSamplerFactory([this] {
            auto s = std::make_unique<FakeSampler>(graph.nodes());
            sampler = s.get();
            return s;
        });
        graph.AttachBars(&bars);
    }
    CoreGraph graph;
    FakeSampler* sampler = nullptr;
    RecordingBars bars;
};

TEST_F(CoreGraphTest, ParkedCountIsUnknownUntilAParkingStatusIsRead) {
    uint32_t published = 99;
    EXPECT_FALSE(graph.PublishedParkedCount(published));
    graph.Update();  // no sampler: nothing
    EXPECT_EQ(graph.ParkedCount(), -1);

    graph.StartMonitoring();
    ASSERT_NE(sampler, nullptr);
    graph.RequestSample();
    EXPECT_EQ(sampler->requests, 1);
    sampler->sampled = false;
    graph.Update();
    EXPECT_EQ(graph.ParkedCount(), -1);
    EXPECT_FALSE(graph.CountersBroken());  // no sample yet

    sampler->sampled = true;
    graph.Update();
    EXPECT_EQ(graph.ParkedCount(), -1);  // every status unreadable
    EXPECT_TRUE(graph.CountersBroken());
    EXPECT_TRUE(graph.PublishedParkedCount(published));
    EXPECT_EQ(published, 0u);

    sampler->utilities[0] = {0, 0, 0, 40};
    sampler->parkings[0] = {0, 1, 1, 1};
    graph.Update();
    EXPECT_EQ(graph.ParkedCount(), 2);
    EXPECT_FALSE(graph.CountersBroken());
    EXPECT_TRUE(graph.PublishedParkedCount(published));
    EXPECT_EQ(published, 2u);
    EXPECT_EQ(graph.TipText(0, 1), u"Node 0, Logical CPU 1\nParked");

    graph.StopMonitoring();
    EXPECT_FALSE(graph.PublishedParkedCount(published));
    EXPECT_EQ(graph.ParkedCount(), -1);
}

TEST_F(CoreGraphTest, TipTextsAreReplacedOnlyInRange) {
    EXPECT_TRUE(graph.SetTipText(0, 2, u"Core 2 of the test"));
    EXPECT_EQ(graph.TipText(0, 2), u"Core 2 of the test");
    EXPECT_TRUE(graph.SetTipText(0, 2, nullptr));
    EXPECT_EQ(graph.TipText(0, 2), u"");
    EXPECT_FALSE(graph.SetTipText(1, 0, u"x"));
    EXPECT_FALSE(graph.SetTipText(0, 4, u"x"));
}

}  // namespace
}  // namespace quellora
