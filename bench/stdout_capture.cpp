#include "stdout_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "text_diff.h"

namespace bench {

StdoutCapture::StdoutCapture() {
  std::cout.flush();
  std::fflush(stdout);
  char name[] = "/tmp/cabench-stdout-XXXXXX";
  file_ = mkstemp(name);
  if (file_ < 0) return;
  unlink(name);
  saved_ = dup(STDOUT_FILENO);
  dup2(file_, STDOUT_FILENO);
}

std::vector<std::string> StdoutCapture::Finish() {
  std::vector<std::string> lines;
  if (saved_ < 0) return lines;
  std::cout.flush();
  std::fflush(stdout);
  dup2(saved_, STDOUT_FILENO);
  close(saved_);
  saved_ = -1;
  std::string text;
  char buffer[4096];
  lseek(file_, 0, SEEK_SET);
  for (ssize_t got; (got = read(file_, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(got));
  return SplitLines(text);
}

StdoutCapture::~StdoutCapture() {
  Finish();
  if (file_ >= 0) close(file_);
}

}  // namespace bench
