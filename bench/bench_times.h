// The timings of a benchmark run, kept for the summary of ratios that each
// benchmark program prints after Google Benchmark's own table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kavro::bench {

// Seconds per iteration.
struct RunTimes {
  double real = 0;
  double cpu = 0;
};

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations <= 0) continue;
      const double n = static_cast<double>(run.iterations);
      const std::string name = run.benchmark_name();
      if (!times_.count(name)) names_.push_back(name);
      times_[name] = {run.real_accumulated_time / n, run.cpu_accumulated_time / n};
    }
  }

  // The run called `name`, or the first whose name goes on from it after a
  // "/" (arguments and options such as "/real_time" follow the function
  // name); zeros when there is none.
  RunTimes Times(const std::string& name) const {
    auto it = times_.find(name);
    if (it != times_.end()) return it->second;
    it = times_.lower_bound(name + "/");
    if (it != times_.end() && it->first.compare(0, name.size() + 1, name + "/") == 0) return it->second;
    return {};
  }
  double Real(const std::string& name) const { return Times(name).real; }
  double Cpu(const std::string& name) const { return Times(name).cpu; }
  // The full names of the runs, in the order they ran.
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::map<std::string, RunTimes> times_;
  std::vector<std::string> names_;
};

}  // namespace kavro::bench
