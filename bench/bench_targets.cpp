// Summary of the host-path benchmarks against their targets: median seconds at 100,000
// labels, and linear growth (per-label time at 100,000 within 1.5 times that at 1,000).
#include "bench_targets.h"

#include <cstdio>

namespace {

struct Target {
    const char* path;
    double maxSecondsAt100k;  // 0: no absolute target, only linear growth
};

//  host path     seconds at 100,000 labels
const Target kTargets[] = {
    {"copy", 0.5}, {"copdec", 0.5}, {"xall", 1.0}, {"save", 1.0}, {"open", 1.0},
    {"dxfout", 1.0}, {"colist", 0.0}, {"undo_copy", 0.0}, {"pick", 0.02}, {"snap", 0.02},
    {"window", 0.02}, {"pick_first", 0.0}, {"pick_scan", 0.0}, {"erase", 0.0}, {"copy_indexed", 0.5},
    {"erase_indexed", 0.0}, {"undo_copy_indexed", 0.0}, {"pick_after_copy", 0.0}, {"view_whole", 0.3},
    {"view_first", 0.0}, {"view_worst", 0.3}, {"view_zoomed", 0.05}, {"view_readable", 0.05}, {"plot_png", 2.0},
};

const double kMaxGrowth = 1.5;
const double kMaxBytesPerLabel = 2048;

}  // namespace

void TargetReporter::ReportRuns(const std::vector<Run>& runs)
{
    std::vector<Run> shown;
    for (const Run& run : runs) {
        const bool repeated = run.repetitions > 1;
        if (!repeated || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
            shown.push_back(run);
        auto bytes = run.counters.find("bytes_per_label");
        if (bytes != run.counters.end())
            m_values["bytes_per_label"] = bytes->second;
        auto labels = run.counters.find("labels");
        if (labels == run.counters.end())
            continue;
        const std::string& path = run.run_name.function_name;
        const long n = long(labels->second);
        const double seconds = run.GetAdjustedRealTime() / 1e3;  // ms -> s
        if (run.run_type == Run::RT_Iteration && run.repetition_index == 0)
            m_first[path][n] = seconds;
        if (!repeated || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
            m_seconds[path][n] = seconds;
    }
    ConsoleReporter::ReportRuns(shown);
}

int TargetReporter::printSummary() const
{
    int missed = 0;
    std::printf("\n%-18s %12s %12s %12s %12s %10s\n", "path", "median @100k", "first @100k", "target s", "growth",
                "met");
    for (const Target& t : kTargets) {
        auto it = m_seconds.find(t.path);
        // A path not run at all three sizes (a filtered run) has no figure to judge.
        if (it == m_seconds.end() || it->second.count(1000) == 0 || it->second.count(100000) == 0)
            continue;
        const std::map<long, double>& byN = it->second;
        double at100k = byN.count(100000) ? byN.at(100000) : 0.0;
        auto first = m_first.find(t.path);
        double firstAt100k = first != m_first.end() && first->second.count(100000) ? first->second.at(100000) : 0.0;
        double growth = 0.0;
        if (byN.count(1000) && byN.count(100000) && byN.at(1000) > 0)
            growth = (byN.at(100000) / 100000.0) / (byN.at(1000) / 1000.0);
        bool ok = (t.maxSecondsAt100k == 0.0 || at100k <= t.maxSecondsAt100k) && growth <= kMaxGrowth;
        missed += ok ? 0 : 1;
        char target[32] = "-";
        if (t.maxSecondsAt100k > 0)
            std::snprintf(target, sizeof target, "%.2f", t.maxSecondsAt100k);
        std::printf("%-18s %12.3f %12.3f %12s %11.2fx %10s\n", t.path, at100k, firstAt100k, target, growth,
                    ok ? "yes" : "NO");
    }
    auto bytes = m_values.find("bytes_per_label");
    if (bytes != m_values.end()) {
        bool ok = bytes->second <= kMaxBytesPerLabel;
        missed += ok ? 0 : 1;
        std::printf("%-18s %12.0f %12s %12.0f %12s %10s\n", "bytes/label", bytes->second, "", kMaxBytesPerLabel, "",
                    ok ? "yes" : "NO");
    }
    return missed;
}
