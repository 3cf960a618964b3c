#include "plan.h"

#include <csignal>
#include <cstdlib>
#include <memory>

#include "bench_error.h"
#include "host_files.h"
#include "machine_folder.h"
#include "package.h"
#include "session_runner.h"
#include "winsim/machine.h"

namespace bench {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) { interrupted = 1; }

// Catches the signals that end a command from the terminal or a job runner while a run is
// under way, so that the run is undone instead of left half done.
class InterruptGuard {
 public:
  InterruptGuard() {
    interrupted = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) previous_.push_back(std::signal(signal, OnSignal));
  }
  ~InterruptGuard() {
    int i = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, previous_[i++]);
  }

 private:
  std::vector<void (*)(int)> previous_;
};

struct PreparedSession {
  const SessionPlan* plan;
  std::unique_ptr<SessionRunner> runner;
};

bool Interrupted() { return interrupted != 0; }

// Fault injection for the bench's own tests: the process is killed after this many
// actions, as a user's kill -9 or a crashing action would end it.
void KillIfAsked(std::size_t actionsDone) {
  static const char* limit = std::getenv("CABENCH_KILL_AFTER_ACTIONS");
  if (limit && std::strtoul(limit, nullptr, 10) == actionsDone) std::raise(SIGKILL);
}

void RunSteps(std::vector<PreparedSession>& prepared, const RunListener& listener,
              RunResult& result) {
  std::size_t actionsDone = 0;
  for (PreparedSession& session : prepared) {
    result.sessions.push_back({session.plan->package, session.plan->library, {}});
    for (const Step& step : session.plan->steps) {
      if (Interrupted()) return;
      switch (step.kind) {
        case Step::Kind::Say:
          if (listener.say) listener.say(step.value);
          break;
        case Step::Kind::Property:
          session.runner->SetProperty(step.name, session.runner->Format(step.value));
          break;
        case Step::Kind::Component:
          session.runner->RequestComponentState(step.name, step.value);
          break;
        case Step::Kind::Answer:
          winsim::AnswerNextMessageBoxes({ParseAnswer(step.value)});
          break;
        case Step::Kind::Action:
          result.sessions.back().actions.push_back(session.runner->Run(step.name));
          if (listener.reported) listener.reported(result.sessions.back().actions.back());
          KillIfAsked(++actionsDone);
          break;
      }
    }
  }
}

}  // namespace

bool InterruptRequested() { return interrupted != 0; }

std::pair<std::string, std::string> SplitAssignment(const std::string& argument,
                                                    const std::string& what) {
  std::size_t equals = argument.find('=');
  if (equals == std::string::npos)
    throw BenchError(what + " argument '" + argument + "' has no '=' (expected NAME=VALUE)");
  if (equals == 0) throw BenchError(what + " argument '" + argument + "' has no name");
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

RunResult ExecutePlan(const std::string& machinePath, const std::vector<SessionPlan>& sessions,
                      bool dryRun, const RunListener& listener) {
  MachineFolder machine(machinePath);
  std::string recovered = machine.Recover();
  if (!recovered.empty() && listener.say) listener.say("(" + recovered + ")");
  machine.Load();

  // Everything the user gave is checked here, before the first change.
  ScratchDir scratch;
  MapPackageDrive(scratch.path());
  std::vector<PreparedSession> prepared;
  int slot = 0;
  for (const SessionPlan& plan : sessions) {
    auto runner = std::make_unique<SessionRunner>(
        PreparePackage(plan.package, scratch.path(), ++slot), plan.library);
    for (const Step& step : plan.steps)
      if (step.kind == Step::Kind::Action) runner->RequireExport(step.name);
    for (const auto& property : plan.properties)
      runner->SetProperty(property.first, property.second);
    runner->Cost();
    prepared.push_back({&plan, std::move(runner)});
  }

  RunResult result;
  InterruptGuard guard;
  machine.BeginChanges();
  try {
    RunSteps(prepared, listener, result);
  } catch (const BenchError& error) {
    prepared.clear();
    machine.Undo();
    throw RunFailed(std::string(error.what()) +
                    "; the run was undone and the machine is as it was");
  }
  prepared.clear();  // sessions and libraries closed before the machine is saved
  if (InterruptRequested()) {
    machine.Undo();
    throw RunInterrupted("interrupted: the run was undone and the machine is as it was");
  }
  if (dryRun) {
    machine.Undo();
  } else {
    machine.Commit();
    result.saved = true;
  }
  return result;
}

}  // namespace bench
