// What an action writes to the process's standard output while it runs, kept for the
// report instead of mixing with it.
#pragma once

#include <string>
#include <vector>

namespace bench {

class StdoutCapture {
 public:
  StdoutCapture();  // from now on, standard output goes to a temporary file
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;
  // Gives standard output back and returns the lines written meanwhile.
  std::vector<std::string> Finish();

 private:
  int saved_ = -1;
  int file_ = -1;
};

}  // namespace bench
