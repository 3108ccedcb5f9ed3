// graph_view.exe: shows the core utilisation graph for the simulated
// machine's processor layout in a window of its own ("Quellora graph test"),
// for the window tests and the paint benchmark. The bars show fixed values:
//
//   graph_view.exe [<width> <height>] [parked=<i>,<i>...] [load=<i>:<percent>,...] [busy-parked=<i>,...]
//                  [tips] [bench=<rounds>]
//
// Processors are counted over the nodes in order. Without load= every
// processor shows a load of its own and every fourth is parked. "tips"
// prints every bar's tooltip as its tooltip window answers it ("tip <node>
// <index> <text, lines joined with |>"); "bench=<rounds>" changes every bar
// that many times, each time painting what changed, and prints "paint
// <processors> <milliseconds per update and paint>". The window stays until
// it is closed.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "monitor/core_graph.h"
#include "monitor/win32/core_graph_window.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "tests/wine/programs/window_program.h"
#include "ui/win32/graph_theme.h"

namespace {

using namespace quellora;

// Values the command line gives.
class FixedSampler : public GraphSampler {
public:
    FixedSampler(const std::vector<GraphNode>& nodes, const std::map<size_t, int32_t>& loads,
                 const std::set<size_t>& parked, const std::set<size_t>& busyParked, bool pattern) {
        size_t n = 0;
        for (const GraphNode& node : nodes) {
            utilities_.emplace_back();
            parkings_.emplace_back();
            for (size_t j = 0; j < node.efficient.size(); ++j, ++n) {
                int32_t load = pattern ? static_cast<int32_t>((n * 37 + 11) % 90 + 5) : 0;
                bool isParked = pattern ? n % 4 == 3 : false;
                if (auto it = loads.find(n); it != loads.end()) load = it->second;
                if (parked.count(n)) isParked = true;
                if (isParked) load = 0;
                if (busyParked.count(n)) {
                    isParked = true;
                    load = load > 0 ? load : 60;
                }
                utilities_.back().push_back(load);
                parkings_.back().push_back(isParked ? 1 : 0);
            }
        }
    }
    void RequestSample() override {}
    bool hasSample() const override { return true; }
    int32_t utility(size_t node, size_t index) const override { return utilities_[node][index]; }
    int32_t parking(size_t node, size_t index) const override { return parkings_[node][index]; }
    void Shift(int32_t step) {
        for (auto& node : utilities_) {
            for (int32_t& v : node) v = (v + step) % 101;
        }
    }

private:
    std::vector<std::vector<int32_t>> utilities_;
    std::vector<std::vector<int32_t>> parkings_;
};

FixedSampler* theSampler = nullptr;

void Print(const std::string& line) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::set<size_t> Indices(const std::wstring& list) {
    std::set<size_t> out;
    for (const std::u16string& part : Split(win32::FromWide(list.c_str()), u',')) {
        if (!part.empty()) out.insert(static_cast<size_t>(ParseLeadingInt(part)));
    }
    return out;
}

std::map<size_t, int32_t> Loads(const std::wstring& list) {
    std::map<size_t, int32_t> out;
    for (const std::u16string& part : Split(win32::FromWide(list.c_str()), u',')) {
        const size_t colon = part.find(u':');
        if (colon == std::u16string::npos) continue;
        out[static_cast<size_t>(ParseLeadingInt(part.substr(0, colon)))] = static_cast<int32_t>(ParseLeadingInt(part.substr(colon + 1)));
    }
    return out;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(window, &r);
            HBRUSH brush = CreateSolidBrush(GraphColoursFor(State().darkTheme).background);
            FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
            DeleteObject(brush);
            return 1;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void PrintTips() {
    const auto& nodes = TheCoreGraph().nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (size_t j = 0; j < nodes[i].efficient.size(); ++j) {
            HWND bar = CoreGraphBar(i, j);
            HWND group = GetParent(bar);
            // The bar's tooltip window: the one whose tool is this bar.
            std::wstring text;
            for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip;
                 tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(tip, &pid);
                if (pid != GetCurrentProcessId()) continue;
                wchar_t buffer[256] = {};
                TTTOOLINFOW tool{};
                tool.cbSize = sizeof tool;
                tool.hwnd = group;
                tool.uId = reinterpret_cast<UINT_PTR>(bar);
                tool.lpszText = buffer;
                if (!SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) continue;
                tool.lpszText = buffer;
                SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
                text = buffer;
                break;
            }
            for (wchar_t& c : text) {
                if (c == L'\n') c = L'|';
            }
            Print("tip " + std::to_string(i) + " " + std::to_string(j) + " " +
                  Utf16ToUtf8(win32::FromWide(text.c_str())) + "\n");
        }
    }
}

void Bench(HWND window, int rounds) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int r = 0; r < rounds; ++r) {
        theSampler->Shift(7);
        TheCoreGraph().Update();
        // What the dashboard's second does: the posted positions and states
        // are handled, then every bar they changed is painted.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        RedrawWindow(CoreGraphWindow(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    QueryPerformanceCounter(&end);
    const double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / rounds;
    char line[96];
    std::snprintf(line, sizeof line, "paint %u %.3f\n", MainTopology().logicalCount(), ms);
    Print(line);
    (void)window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!testing::PrepareWindowProgram()) return 254;

    int width = 600, height = 156, benchRounds = 0;
    bool tips = false;
    std::map<size_t, int32_t> loads;
    std::set<size_t> parked, busyParked;
    bool pattern = true;
    int number = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a.rfind(L"parked=", 0) == 0) parked = Indices(a.substr(7)), pattern = false;
        else if (a.rfind(L"busy-parked=", 0) == 0) busyParked = Indices(a.substr(12));
        else if (a.rfind(L"load=", 0) == 0) loads = Loads(a.substr(5)), pattern = false;
        else if (a.rfind(L"bench=", 0) == 0) benchRounds = _wtoi(a.c_str() + 6);
        else if (a == L"tips") tips = true;
        else if (number++ == 0) width = _wtoi(a.c_str());
        else height = _wtoi(a.c_str());
    }

    CoreGraph& graph = TheCoreGraph();
    graph.SetNodes(GraphNodesOf(MainTopology()));
    graph.SetSamplerFactory([&]() -> std::unique_ptr<GraphSampler> {
        auto sampler = std::make_unique<FixedSampler>(graph.nodes(), loads, parked, busyParked, pattern);
        theSampler = sampler.get();
        return sampler;
    });

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"QuelloraGraphTest";
    RegisterClassExW(&wc);
    RECT frame{0, 0, width + 16, height + 16};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Quellora graph test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  40, 40, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  wc.hInstance, nullptr);

    RegisterCoreGraph(LoadText(core_graph::kSingleNodeLabelText), LoadText(core_graph::kNodeLabelFormatText),
                      LoadText(core_graph::kParkedLabelText), LoadText(core_graph::kEfficientLabelText));
    if (!CreateCoreGraph(window, 8, 8, width, height)) return 253;
    ApplyGraphTheme();
    ShowCoreGraph();
    SendMessageW(CoreGraphWindow(), core_graph::kStartMonitoring, 0, 0);
    graph.RequestSample();
    graph.Update();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    if (tips) PrintTips();
    if (benchRounds > 0) Bench(window, benchRounds);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    SendMessageW(CoreGraphWindow(), core_graph::kStopMonitoring, 0, 0);
    DestroyCoreGraph();
    return 0;
}
