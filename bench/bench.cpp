// quellora-bench: figures for the console commands on the simulated machine.
//
//   quellora-bench [runs]      (default 20 runs per figure)
//
// Whole-process figures run the built program as a user would, each in a fresh
// process against one simulated machine; the power API calls are those the
// simulated machine counted for one run of the command.
#include <algorithm>
#include <chrono>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

using namespace quellora::testing;

namespace {

struct Figure {
    double min = 0, median = 0, max = 0;
};

Figure Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return {};
    return {values.front(), values[values.size() / 2], values.back()};
}

long PowerCalls(const std::string& err) {
    auto at = err.rfind("power API calls: ");
    return at == std::string::npos ? -1 : std::atol(err.c_str() + at + 17);
}

void WholeProcess(const char* title, const std::string& stateDir, const std::vector<std::string>& args, int runs) {
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", stateDir}};
    RunProgram("quellora", args, env);  // warm-up
    std::vector<double> ms;
    int exitCode = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        auto r = RunProgram("quellora", args, env);
        auto end = std::chrono::steady_clock::now();
        exitCode = r.exitCode;
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    env["QUELLORA_SIM_STATS"] = "1";
    long calls = PowerCalls(RunProgram("quellora", args, env).err);
    Figure f = Summarise(ms);
    std::printf("%-34s wall ms min %.2f median %.2f max %.2f  power API calls %ld  exit %d\n", title, f.min, f.median,
                f.max, calls, exitCode);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    TempDir state;
    std::printf("quellora-bench: %d runs per figure, simulated machine in %s\n", runs, state.path().c_str());
    WholeProcess("quellora /plans", state.path(), {"/plans"}, runs);
    return 0;
}
