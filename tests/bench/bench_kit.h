// Running the cabench program as a user does, and looking at machine folders on the host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace benchtest {

struct Outcome {
  int exit = -1;
  std::string out, err;
};

// Runs cabench with the arguments (no shell), standard input closed.
Outcome Bench(const std::vector<std::string>& arguments);

// Every file and folder under root with its bytes, so two states of a folder compare
// byte for byte.
std::string TreeState(const std::string& root);

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// A fresh host folder per test, removed afterwards.
class BenchTest : public ::testing::Test {
 protected:
  BenchTest();
  ~BenchTest() override;
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  // A copy of the sample machine at Path("machine").
  std::string SampleMachine();

 private:
  std::string folder_;
};

}  // namespace benchtest
