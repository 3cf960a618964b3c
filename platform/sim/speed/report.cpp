#include "report.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace speed {

Collector::Collector() : benchmark::ConsoleReporter(OO_Tabular) { SetOutputStream(&std::cerr); }

void Collector::ReportRuns(const std::vector<Run>& runs) {
  // Single runs, and the fastest of repeated ones; the other statistics are not times of
  // a run and only crowd the progress lines.
  std::vector<Run> times;
  for (const Run& run : runs) {
    CaseResult& result = results_[run.run_name.function_name];
    if (run.error_occurred) {
      result.error = run.error_message;
      times.push_back(run);
      continue;
    }
    bool single = run.run_type == Run::RT_Iteration;
    bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
    if (!single && !fastest) continue;
    times.push_back(run);
    double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    if (result.seconds < 0 || seconds < result.seconds) result.seconds = seconds;
  }
  if (!times.empty()) benchmark::ConsoleReporter::ReportRuns(times);
}

namespace {

std::string Time(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000);
  return text;
}

}  // namespace

bool PrintFigures(const std::vector<Figure>& figures,
                  const std::map<std::string, CaseResult>& results) {
  std::size_t width = 6;
  for (const Figure& figure : figures) width = std::max(width, figure.title.size());
  std::printf("%-*s %12s %12s %8s %6s      %s\n", static_cast<int>(width), "figure", "machine",
              "baseline", "ratio", "bound", "host containers");
  int shown = 0, over = 0;
  for (const Figure& figure : figures) {
    auto measured = results.find(figure.measured);
    auto baseline = results.find(figure.baseline);
    if (measured == results.end() || baseline == results.end()) continue;  // filtered out
    ++shown;
    const char* title = figure.title.c_str();
    std::string error =
        !measured->second.error.empty() ? measured->second.error : baseline->second.error;
    if (!error.empty() || measured->second.seconds < 0 || baseline->second.seconds < 0) {
      ++over;
      std::printf("%-*s FAILED: %s\n", static_cast<int>(width), title,
                  error.empty() ? "no time" : error.c_str());
      continue;
    }
    double ratio =
        baseline->second.seconds > 0 ? measured->second.seconds / baseline->second.seconds : 0;
    bool ok = ratio <= figure.bound;
    if (!ok) ++over;
    std::string reference;
    auto referenceMeasured = results.find(figure.referenceMeasured);
    auto referenceBaseline = results.find(figure.referenceBaseline);
    if (referenceMeasured != results.end() && referenceBaseline != results.end() &&
        referenceBaseline->second.seconds > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%.2fx",
                    referenceMeasured->second.seconds / referenceBaseline->second.seconds);
      reference = text;
    }
    std::printf("%-*s %12s %12s %7.2fx %5.0fx  %-4s  %s\n", static_cast<int>(width), title,
                Time(measured->second.seconds).c_str(), Time(baseline->second.seconds).c_str(),
                ratio, figure.bound, ok ? "ok" : "OVER", reference.c_str());
  }
  std::printf(
      "\nbaseline: for files, the same calls' work done directly on a host folder of the same\n"
      "file system; for the registry, the same calls on a tenth of the data. Each time is the\n"
      "fastest of its runs. host containers: how the same work on the host's own sorted map\n"
      "(subkeys) or hash table (values) grows between the same two sizes.\n");
  if (shown == 0)
    std::printf("no figure measured\n");
  else if (over == 0)
    std::printf("all %d figures within their bounds\n", shown);
  else
    std::printf("%d of %d figures over their bounds or failed\n", over, shown);
  return shown > 0 && over == 0;
}

}  // namespace speed
