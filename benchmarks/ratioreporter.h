// Console output plus the median of each benchmark, so that a program can print its ratios
// against a baseline measured in the same run.
#ifndef QZ_BENCHMARKS_RATIOREPORTER_H
#define QZ_BENCHMARKS_RATIOREPORTER_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &reports) override
    {
        for (const Run &run : reports) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(reports);
    }

    /*! Prints subject/baseline (and the medians); returns the ratio, or 0 when either is missing. */
    double printRatio(const std::string &subject, const std::string &baseline,
                      const char *goal) const
    {
        const auto s = medians.find(subject);
        const auto b = medians.find(baseline);
        if (s == medians.end() || b == medians.end() || b->second <= 0)
            return 0;
        const double ratio = s->second / b->second;
        // Medians are in each benchmark's own time unit, as in the table above.
        std::printf("%-24s median %10.2f   %-24s median %10.2f   ratio %.2f (%s)\n",
                    subject.c_str(), s->second, baseline.c_str(), b->second, ratio, goal);
        return ratio;
    }

    std::map<std::string, double> medians;
};

/*! Runs every registered benchmark with repetitions and returns the reporter holding the medians. */
inline void runWithMedians(int argc, char **argv, RatioReporter &reporter)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

#endif
