// The benchmark runner: Google Benchmark's console output, then one table that puts our
// median beside each peer's median from the same run.
//
// Benchmarks are named BM_<Operation>/<who>[/...]: <who> is "qent" for our routine and the
// peer's name otherwise (memcpy, sdl2, allegro4, ...). The table compares CPU-time medians,
// or wall-time medians for benchmarks that use real time (work done outside our process,
// such as a display server's, is not in our CPU time); the ratios are ours over each peer,
// fastest peer first: at or below 1.0 we are at least as fast.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Median {
    std::string who;
    double ns;
    bool wall;  // real time rather than CPU time
};

// Operation -> the medians reported for it, in the order they ran.
std::map<std::string, std::vector<Median>> medians;
std::vector<std::string> operation_order;

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            const size_t slash = name.find('/');
            const std::string operation = name.substr(0, slash);
            const std::string who = slash == std::string::npos ? "?" : name.substr(slash + 1);
            // CPU time: on a shared machine it stays steady where wall-clock time swings.
            const bool wall = !run.run_name.time_type.empty();
            const double per_iteration =
                wall ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            const double ns = per_iteration / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            if (medians.find(operation) == medians.end()) {
                operation_order.push_back(operation);
            }
            auto& list = medians[operation];
            // A run without repetitions has no median: keep its single figure until one comes.
            bool replaced = false;
            for (Median& m : list) {
                if (m.who == who) {
                    m.ns = ns;
                    replaced = true;
                }
            }
            if (!replaced) {
                list.push_back(Median{who, ns, wall});
            }
        }
    }
};

std::string Format(double ns) {
    char text[32];
    if (ns >= 1e6) {
        std::snprintf(text, sizeof(text), "%.3f ms", ns / 1e6);
    } else if (ns >= 1e3) {
        std::snprintf(text, sizeof(text), "%.2f us", ns / 1e3);
    } else {
        std::snprintf(text, sizeof(text), "%.1f ns", ns);
    }
    return text;
}

std::string Figure(const Median& m) {
    return m.who + " " + Format(m.ns) + (m.wall ? " wall" : "");
}

void PrintTable() {
    std::printf("\n%-30s %-30s %-58s %s\n", "operation", "ours (median)", "peers (median)",
                "ours / each peer, fastest first");
    for (const std::string& operation : operation_order) {
        const auto& list = medians[operation];
        std::string ours = "-";
        double ours_ns = -1;
        std::vector<Median> peers;
        for (const Median& m : list) {
            if (m.who.rfind("qent", 0) == 0) {
                ours = Figure(m);
                ours_ns = m.ns;
            } else {
                peers.push_back(m);
            }
        }
        std::sort(peers.begin(), peers.end(),
                  [](const Median& a, const Median& b) { return a.ns < b.ns; });
        std::string peer_text;
        std::string ratios;
        for (const Median& m : peers) {
            peer_text += (peer_text.empty() ? "" : ", ") + Figure(m);
            if (ours_ns >= 0 && m.ns > 0) {
                char ratio[64];
                std::snprintf(ratio, sizeof(ratio), "%s%s %.2f", ratios.empty() ? "" : ", ",
                              m.who.c_str(), ours_ns / m.ns);
                ratios += ratio;
            }
        }
        std::printf("%-30s %-30s %-58s %s\n", operation.c_str(), ours.c_str(),
                    peer_text.empty() ? "-" : peer_text.c_str(),
                    ratios.empty() ? "-" : ratios.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Medians of five repetitions unless the caller says otherwise.
    std::vector<char*> args(argv, argv + argc);
    bool has_repetitions = false;
    for (int i = 1; i < argc; ++i) {
        has_repetitions |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
    }
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    if (!has_repetitions) {
        args.push_back(repetitions);
        args.push_back(aggregates);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable();
    return 0;
}
