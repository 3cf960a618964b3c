// cabench: runs the custom actions of the built libraries against a simulated Windows
// machine kept in a folder, as Windows Installer would call them, and reports everything
// they changed.
#include <CLI/CLI.hpp>

#include <iostream>

#include "bench_error.h"
#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "cabench: run Windows Installer custom actions on a simulated machine kept in a "
      "folder, and see everything they change."};
  app.require_subcommand(1);

  std::string machine, key, folder;
  bool sample = false;
  std::vector<std::string> imports;
  auto* make = app.add_subcommand("new",
                                  "Make a machine folder: an empty Windows machine, or a "
                                  "copy of the sample machine");
  make->add_option("MACHINE", machine, "folder to make (must not exist or be empty)")->required();
  make->add_flag("--sample", sample, "copy the sample machine (host products, profiles, folders)");
  make->add_option("--import", imports,
                   "REGEDIT4 .reg file to import (e.g. exported from a real "
                   "machine); may be given more than once")
      ->allow_extra_args(false);

  std::vector<std::string> files;
  auto* import = app.add_subcommand("import", "Import .reg files into a machine's registry");
  import->add_option("MACHINE", machine, "machine folder")->required();
  import->add_option("FILE", files, ".reg files (REGEDIT4 or version 5)")->required();

  auto* reg = app.add_subcommand("reg", "Show a registry key and its subtree as REGEDIT4 text");
  reg->add_option("MACHINE", machine, "machine folder")->required();
  reg->add_option("KEY", key, "key, e.g. HKLM\\SOFTWARE\\Quorvel or HKCU\\Software")->required();

  auto* dir = app.add_subcommand("dir", "List a folder of the machine");
  dir->add_option("MACHINE", machine, "machine folder")->required();
  dir->add_option("PATH", folder, "Windows path, e.g. \"C:\\Program Files\"")->required();

  bench::RunOptions run;
  auto* runCommand = app.add_subcommand(
      "run", "Run custom actions in one installer session, in order, and report what each changed");
  runCommand->add_option("MACHINE", run.machine, "machine folder")->required();
  runCommand->add_option("LIBRARY", run.library, "custom-action library, e.g. KyrCMsiExt")
      ->required();
  runCommand->add_option("ACTION", run.actions, "exports to call, in order")->required();
  runCommand->add_option("--package", run.package,
                         "the package: a .msi file or a folder of .idt tables (default: an empty "
                         "package)");
  runCommand
      ->add_option("-p,--property", run.properties,
                   "NAME=VALUE set before costing (also CustomActionData, UserSID)")
      ->allow_extra_args(false);
  runCommand
      ->add_option("--component", run.components,
                   "NAME=local|absent|source: a component's requested state")
      ->allow_extra_args(false);
  runCommand
      ->add_option("--answer", run.answers,
                   "answer to the next message box: ok, cancel, yes, no, abort, retry, ignore")
      ->allow_extra_args(false);
  runCommand->add_flag("--dry-run", run.dryRun, "report the changes, then put the machine back");
  runCommand->add_option("--json", run.json,
                         "also write the report as JSON to this file ('-': "
                         "only JSON, on standard output)");

  std::string roadFile;
  auto* road = app.add_subcommand("road",
                                  "Walk a road file: sessions, properties, answers and "
                                  "actions in order, as a sequence runs them");
  road->add_option("MACHINE", run.machine, "machine folder")->required();
  road->add_option("ROAD", roadFile, "road file (see examples/roads)")->required();
  road->add_flag("--dry-run", run.dryRun, "report the changes, then put the machine back");
  road->add_option("--json", run.json,
                   "also write the report as JSON to this file ('-': only "
                   "JSON, on standard output)");

  std::string demoMachine;
  auto* demo = app.add_subcommand("demo",
                                  "Walk the install, companion and removal roads on a "
                                  "fresh copy of the sample machine");
  demo->add_option("--machine", demoMachine,
                   "folder for the demo's machine (default: a new "
                   "temporary folder)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    std::cerr << "cabench: " << error.what() << " (see cabench --help)\n";
    return bench::kExitBadInput;
  }
  try {
    if (*make) return bench::NewMachine(machine, sample, imports);
    if (*import) return bench::ImportRegFiles(machine, files);
    if (*reg) return bench::ShowKey(machine, key);
    if (*dir) return bench::ShowFolder(machine, folder);
    if (*runCommand) return bench::RunActions(run);
    if (*road) return bench::RunRoad(run.machine, roadFile, run.dryRun, run.json);
    return bench::RunDemo(demoMachine);
  } catch (const bench::RunInterrupted& error) {
    std::cerr << "cabench: " << error.what() << "\n";
    return bench::kExitInterrupted;
  } catch (const bench::RunFailed& error) {
    std::cerr << "cabench: " << error.what() << "\n";
    return bench::kExitRunFailed;
  } catch (const std::exception& error) {
    std::cerr << "cabench: " << error.what() << "\n";
    return bench::kExitBadInput;
  }
}
