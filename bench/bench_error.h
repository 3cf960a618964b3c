// A problem with what the user gave the bench: reported as one line, with a non-zero
// exit, before anything on the machine is changed.
#pragma once

#include <stdexcept>
#include <string>

namespace bench {

struct BenchError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A run that started changing the machine and could not finish; it has been undone.
struct RunFailed : BenchError {
  using BenchError::BenchError;
};
struct RunInterrupted : BenchError {
  using BenchError::BenchError;
};

// Exit codes: 0 the command did what it says, 1 a run failed and was undone, 2 bad input,
// 130 interrupted and undone.
constexpr int kExitRunFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;

}  // namespace bench
