// The performance targets the benchmarks are held to, and the summary that prints
// each measured figure beside its target.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Collects the seconds each host path took at each drawing size: the median of the
// repetitions, which the targets judge, and the first repetition, which also pays for
// the process's first use of that much memory. Shows the medians as they come.
class TargetReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Prints the table of figures and targets; returns the number of missed targets.
    int printSummary() const;

private:
    std::map<std::string, std::map<long, double>> m_seconds;  // path -> labels -> median seconds
    std::map<std::string, std::map<long, double>> m_first;    // path -> labels -> first run's seconds
    std::map<std::string, double> m_values;                    // other figures by name
};
