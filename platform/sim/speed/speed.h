// What the speed cases share: the clock around the measured work, failures, the figures
// the table prints, and a fresh simulated machine.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace speed {

// One line of the table: a measured case against its baseline case of the same run.
struct Figure {
  std::string title;
  std::string measured;  // case names
  std::string baseline;
  double bound = 0;  // the largest ratio measured / baseline that passes
  // The same work on the host's own containers at both sizes, shown beside the ratio; empty
  // when there is none.
  std::string referenceMeasured, referenceBaseline;
};
std::vector<Figure>& Figures();

// Registers a case whose body times its own work with a Stopwatch, so that setup stays
// outside; the figure is the fastest of `repetitions` runs, to keep neighbours' noise out.
void AddCase(const std::string& name, std::function<void(benchmark::State&)> body, int repetitions);

// The clock of one iteration: started at construction, read by Seconds.
class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// Runs `work` once per iteration, timed, after an untimed `prepare`; each returns "" or
// what went wrong, which fails the case.
void RunTimed(benchmark::State& state, const std::function<std::string()>& prepare,
              const std::function<std::string()>& work);

// "10,000"
std::string Count(long n);

// Resets the simulated machine. Cases that keep files on the machine between them compare
// epochs to know whether another case reset it since.
void FreshMachine();
unsigned MachineEpoch();

void RegisterFileCases(const std::string& hostFolder);
void RegisterRegistryCases();

}  // namespace speed
