// What a run does: one or more installer sessions, each a package, a library and steps
// in order. The `run` command makes a plan from its arguments, a road file from its lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report.h"

namespace bench {

struct Step {
  enum class Kind { Say, Property, Component, Answer, Action };
  Kind kind = Kind::Action;
  std::string name, value;  // Say: value; Property/Component: name=value; Answer: value
};

struct SessionPlan {
  std::string package;  // host path of a .msi or a folder of .idt tables; "" for an empty one
  std::string library;
  // Properties set before costing, as the command line or the package's callers set them.
  std::vector<std::pair<std::string, std::string>> properties;
  std::vector<Step> steps;
};

struct RunResult {
  struct Session {
    std::string package, library;
    std::vector<ActionReport> actions;
  };
  std::vector<Session> sessions;
  bool saved = false;
};

// What the caller shows while the run goes on: a narration line, or an action's report.
struct RunListener {
  std::function<void(const std::string&)> say;
  std::function<void(const ActionReport&)> reported;
};

// Runs the sessions on the machine folder, all or nothing: every input is checked before
// anything changes (a BenchError), the changes are kept only when every step ran and
// `dryRun` is false, and undone otherwise.
RunResult ExecutePlan(const std::string& machinePath, const std::vector<SessionPlan>& sessions,
                      bool dryRun, const RunListener& listener);

// NAME=VALUE; a BenchError for an argument without "=" or without a name.
std::pair<std::string, std::string> SplitAssignment(const std::string& argument,
                                                    const std::string& what);

// Set by SIGINT, SIGTERM and SIGHUP while a run is under way; the run stops after the
// action in progress and is undone.
bool InterruptRequested();

}  // namespace bench
