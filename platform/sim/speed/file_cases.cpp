// File cases: each step on the simulated machine against the same step on the host,
// registered side by side so that both run under the same conditions.
#include <memory>

#include "file_work.h"
#include "speed.h"

namespace speed {
namespace {

enum class Stage { Unknown, Empty, Created, Moved };

struct Step {
  const char* key;    // in the case name
  const char* title;  // the figure's, "{n}" standing for the count and the place
  Stage needs;
  Stage leaves;
  std::string (FileWork::*run)();
};

const Step kSteps[] = {
    {"create", "create {n}", Stage::Empty, Stage::Created, &FileWork::Create},
    {"attributes", "attributes of {n}", Stage::Created, Stage::Created, &FileWork::Attributes},
    {"open", "open {n}", Stage::Created, Stage::Created, &FileWork::Open},
    {"walk", "find walk of {n}", Stage::Created, Stage::Created, &FileWork::Walk},
    {"move", "move {n} to new names", Stage::Created, Stage::Moved, &FileWork::Move},
    {"delete", "delete {n}", Stage::Moved, Stage::Unknown, &FileWork::Delete},
};

// One side's files and how far the steps have brought them.
class Scenario {
 public:
  explicit Scenario(std::unique_ptr<FileWork> work) : work_(std::move(work)) {}

  void Run(benchmark::State& state, const Step& step) {
    RunTimed(
        state, [&] { return Reach(step.needs); },
        [&] {
          stage_ = Stage::Unknown;
          std::string error = (work_.get()->*step.run)();
          if (error.empty()) stage_ = step.leaves;
          return error;
        });
  }

 private:
  // Brings the files to the stage a step needs, replaying the earlier steps untimed. In
  // registration order each step finds what the one before it left, so nothing is redone.
  std::string Reach(Stage stage) {
    if (stage_ == stage && work_->Intact()) return "";
    stage_ = Stage::Unknown;
    std::string error = work_->Clear();
    if (error.empty() && stage != Stage::Empty) error = work_->Create();
    if (error.empty() && stage == Stage::Moved) error = work_->Move();
    if (error.empty()) stage_ = stage;
    return error;
  }

  std::unique_ptr<FileWork> work_;
  Stage stage_ = Stage::Unknown;
};

void AddShape(const FileShape& shape, const std::string& hostFolder, int repetitions) {
  auto machine = std::make_shared<Scenario>(SimulatedFileWork(shape));
  auto host = std::make_shared<Scenario>(HostFileWork(shape, hostFolder));
  std::string place =
      shape.folders ? "in " + Count(shape.folders) + " folders" : std::string("in one folder");
  for (const Step& step : kSteps) {
    std::string name = "files/" + shape.top + "/" + step.key;
    AddCase(
        name + "/machine", [machine, &step](benchmark::State& s) { machine->Run(s, step); },
        repetitions);
    AddCase(
        name + "/host", [host, &step](benchmark::State& s) { host->Run(s, step); }, repetitions);
    std::string title = std::string("files: ") + step.title;
    title.replace(title.find("{n}"), 3, Count(shape.Total()) + " " + place);
    Figures().push_back({title, name + "/machine", name + "/host", 3.0, "", ""});
  }
}

}  // namespace

void RegisterFileCases(const std::string& hostFolder) {
  AddShape({"flat", 0, 10000}, hostFolder, 3);
  AddShape({"tree", 100, 1000}, hostFolder, 1);
}

}  // namespace speed
