#pragma once
// Benchmarks that compare a piece of the program with a peer measured in the
// same run print the ratio of their CPU times after the table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vn::bench {

class PeerReporter : public benchmark::ConsoleReporter {
 public:
  // With repetitions the median stands for the benchmark; a single run stands for itself.
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const std::string name = r.run_name.str();
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        cpuPerIteration_[name] = r.GetAdjustedCPUTime();
        medians_.insert(name);
      } else if (r.run_type == Run::RT_Iteration && !medians_.count(name)) {
        cpuPerIteration_[name] = r.GetAdjustedCPUTime();
      }
    }
  }
  // ours / peer for every pair that ran.
  void printRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
    for (const auto& [ours, peer] : pairs) {
      const auto a = cpuPerIteration_.find(ours), b = cpuPerIteration_.find(peer);
      if (a == cpuPerIteration_.end() || b == cpuPerIteration_.end() || b->second <= 0.0) continue;
      std::printf("ratio %s / %s = %.3f\n", ours.c_str(), peer.c_str(), a->second / b->second);
    }
  }

 private:
  std::map<std::string, double> cpuPerIteration_;
  std::set<std::string> medians_;
};

inline int runWithRatios(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& pairs) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PeerReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios(pairs);
  benchmark::Shutdown();
  return 0;
}

}  // namespace vn::bench
