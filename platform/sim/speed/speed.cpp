#include "speed.h"

#include <algorithm>

#include "winsim/machine.h"

namespace speed {
namespace {

unsigned machineEpoch = 0;

double Fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

}  // namespace

std::vector<Figure>& Figures() {
  static std::vector<Figure> figures;
  return figures;
}

void AddCase(const std::string& name, std::function<void(benchmark::State&)> body,
             int repetitions) {
  auto* bench = benchmark::RegisterBenchmark(name.c_str(), std::move(body));
  // One iteration is already thousands of calls; the work is too large to repeat blindly.
  bench->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
  if (repetitions > 1)
    bench->Repetitions(repetitions)->ComputeStatistics("min", Fastest)->ReportAggregatesOnly();
}

void RunTimed(benchmark::State& state, const std::function<std::string()>& prepare,
              const std::function<std::string()>& work) {
  for (auto _ : state) {
    std::string error = prepare();
    double seconds = 0;
    if (error.empty()) {
      Stopwatch watch;
      error = work();
      seconds = watch.Seconds();
    }
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      break;
    }
    state.SetIterationTime(seconds);
  }
}

std::string Count(long n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void FreshMachine() {
  winsim::Reset();
  ++machineEpoch;
}

unsigned MachineEpoch() { return machineEpoch; }

}  // namespace speed
