// winsim_speed: the simulated machine's file and registry calls at real sizes, against the
// host doing the same file work and against a tenth of the registry data. Exits 0 when
// every figure is within its bound, 1 otherwise. Google Benchmark's options apply
// (--benchmark_filter=registry, for one).
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "report.h"
#include "speed.h"
#include "winsim/machine.h"

namespace {

// The host side's folder, beside the machine's own so that both lie on one file system.
class HostScratch {
 public:
  HostScratch() {
    std::string machineRoot = std::filesystem::path(winsim::DriveFolder('C')).parent_path();
    std::string pattern =
        std::filesystem::path(machineRoot).parent_path().string() + "/winsim-speed-host-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
    struct stat machine, host;
    sameDevice_ = !path_.empty() && stat(machineRoot.c_str(), &machine) == 0 &&
                  stat(path_.c_str(), &host) == 0 && machine.st_dev == host.st_dev;
  }
  ~HostScratch() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  bool SameDevice() const { return sameDevice_; }

 private:
  std::string path_;
  bool sameDevice_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  speed::FreshMachine();
  HostScratch scratch;
  if (scratch.path().empty()) {
    std::fprintf(stderr, "winsim_speed: cannot make a host folder beside the machine's\n");
    return 1;
  }
  if (!scratch.SameDevice())
    std::fprintf(stderr, "winsim_speed: %s is not on the machine's file system\n",
                 scratch.path().c_str());

  speed::RegisterFileCases(scratch.path());
  speed::RegisterRegistryCases();
  speed::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  return speed::PrintFigures(speed::Figures(), collector.Results()) ? 0 : 1;
}
