// The bench's commands; each returns the process's exit code or throws a BenchError.
#pragma once

#include <string>
#include <vector>

#include "plan.h"

namespace bench {

struct RunOptions {
  std::string machine, library, package, json;
  std::vector<std::string> actions, properties, components, answers;
  bool dryRun = false;
};

int NewMachine(const std::string& path, bool sample, const std::vector<std::string>& imports);
int ImportRegFiles(const std::string& machine, const std::vector<std::string>& files);
int ShowKey(const std::string& machine, const std::string& key);
int ShowFolder(const std::string& machine, const std::string& path);
int RunActions(const RunOptions& options);
int RunRoad(const std::string& machine, const std::string& road, bool dryRun,
            const std::string& json);
int RunDemo(const std::string& machine);

// The examples folder of the source tree: the sample machine, packages and roads.
std::string ExamplesFolder();

}  // namespace bench
