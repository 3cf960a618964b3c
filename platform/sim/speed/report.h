// Collects each case's time while Google Benchmark's own lines go to the error stream as
// progress, then prints the figures as a table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "speed.h"

namespace speed {

struct CaseResult {
  double seconds = -1;  // the fastest run; negative until one finished
  std::string error;
};

class Collector : public benchmark::ConsoleReporter {
 public:
  Collector();
  void ReportRuns(const std::vector<Run>& runs) override;
  const std::map<std::string, CaseResult>& Results() const { return results_; }

 private:
  std::map<std::string, CaseResult> results_;
};

// Prints a line per figure whose cases ran; true when every one is within its bound.
bool PrintFigures(const std::vector<Figure>& figures,
                  const std::map<std::string, CaseResult>& results);

}  // namespace speed
