#include "bench_kit.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace benchtest {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

Outcome Bench(const std::vector<std::string>& arguments) {
  char outName[] = "/tmp/benchtest-out-XXXXXX", errName[] = "/tmp/benchtest-err-XXXXXX";
  int out = mkstemp(outName), err = mkstemp(errName);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, err, 2);
  std::vector<std::string> all = {CABENCH_PATH};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, CABENCH_PATH, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out);
  close(err);
  outcome.out = ReadText(outName);
  outcome.err = ReadText(errName);
  unlink(outName);
  unlink(errName);
  return outcome;
}

std::string TreeState(const std::string& root) {
  std::vector<std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = fs::relative(it->path(), root).string();
    if (it->is_directory())
      entries.push_back(relative + "/");
    else
      entries.push_back(relative + " = " + ReadText(it->path().string()));
  }
  std::sort(entries.begin(), entries.end());
  std::string state;
  for (const std::string& entry : entries) state += entry + "\n";
  return state;
}

BenchTest::BenchTest() {
  char pattern[] = "/tmp/benchtest-XXXXXX";
  folder_ = mkdtemp(pattern);
}

BenchTest::~BenchTest() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string BenchTest::SampleMachine() {
  Outcome made = Bench({"new", Path("machine"), "--sample"});
  EXPECT_EQ(made.exit, 0) << made.err;
  return Path("machine");
}

}  // namespace benchtest
