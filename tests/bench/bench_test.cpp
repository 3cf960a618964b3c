// The bench as an installer engineer uses it: bad input, all-or-nothing runs, dry runs,
// reports, and a machine made from an exported .reg file.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>

#include "bench/bench_kit.h"

namespace fs = std::filesystem;
using benchtest::Bench;
using benchtest::Outcome;
using benchtest::ReadText;
using benchtest::TreeState;
using benchtest::WriteText;
using nlohmann::json;

namespace {

const std::string kPackage = std::string(CABENCH_EXAMPLES) + "/package";
const std::string kRoot = "KYRROOTPATH=C:\\Program Files\\Quorvel\\Nolva Desktop\\";

// Properties with which KyrCCreateArgFile writes the profile files into the product root
// of the sample machine.
std::vector<std::string> ArgFileRun(const std::string& machine) {
  return {"run",        machine,
          "KyrCMsiExt", "KyrCCreateArgFile",
          "--package",  kPackage,
          "-p",         "DRXNVERSION=R16.0",
          "-p",         "DRXNCOOKIE=DRXN-208:409",
          "-p",         kRoot};
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class Bench_ : public benchtest::BenchTest {};

TEST_F(Bench_, BadInputGetsOneLineANonZeroExitAndChangesNothing) {
  struct Case {
    const char* what;
    std::function<std::vector<std::string>(const std::string& machine)> prepare;
    std::string message;
  };
  const std::string garbage = Path("garbage.msi");
  WriteText(garbage, "not a package");
  const std::string regFile = "/registry/HKEY_LOCAL_MACHINE.reg";
  std::vector<Case> cases = {
      {"missing machine folder",
       [&](const std::string&) {
         return std::vector<std::string>{"run", Path("nowhere"), "KyrCMsiExt", "KyrGetDesktops"};
       },
       "no machine folder at " + Path("nowhere")},
      {"folder without settings",
       [](const std::string& m) {
         fs::remove(m + "/machine.ini");
         return std::vector<std::string>{"run", m, "KyrCMsiExt", "KyrGetDesktops"};
       },
       "is not a machine folder: machine.ini is missing"},
      {"malformed .reg line",
       [&](const std::string& m) {
         std::string text = ReadText(m + regFile);
         WriteText(m + regFile, text + "\"Broken\"=hex:zz\r\n");
         return std::vector<std::string>{"run", m, "KyrCMsiExt", "KyrGetDesktops"};
       },
       ""},  // the line number is checked below
      {"malformed settings line",
       [](const std::string& m) {
         std::string text = ReadText(m + "/machine.ini");
         WriteText(m + "/machine.ini", "[Machine]\nCodePage=west\n" + text);
         return std::vector<std::string>{"run", m, "KyrCMsiExt", "KyrGetDesktops"};
       },
       "machine.ini:2: CodePage must be a number"},
      {"a stray .reg file",
       [](const std::string& m) {
         WriteText(m + "/registry/mine.reg", "REGEDIT4\r\n");
         return std::vector<std::string>{"run", m, "KyrCMsiExt", "KyrGetDesktops"};
       },
       "registry/mine.reg is not one of its registry files"},
      {"missing package",
       [&](const std::string& m) {
         return std::vector<std::string>{
             "run", m, "KyrCMsiExt", "KyrGetDesktops", "--package", Path("none.msi")};
       },
       "no package at " + Path("none.msi")},
      {"unreadable package",
       [&](const std::string& m) {
         return std::vector<std::string>{"run",       m,      "KyrCMsiExt", "KyrGetDesktops",
                                         "--package", garbage};
       },
       "cannot be opened as a Windows Installer package"},
      {"unknown library",
       [](const std::string& m) {
         return std::vector<std::string>{"run", m, "KyrNothing", "KyrGetDesktops"};
       },
       "unknown library 'KyrNothing' (built here: KyrCMsiExt, TarsinMsiExt)"},
      {"unknown export",
       [](const std::string& m) {
         return std::vector<std::string>{"run", m, "KyrCMsiExt", "KyrGetDesktops",
                                         "KyrNoSuchAction"};
       },
       "KyrCMsiExt has no export 'KyrNoSuchAction'"},
      {"malformed .reg file to import",
       [&](const std::string& m) {
         WriteText(Path("bad.reg"), "REGEDIT4\r\n\r\n\"Orphan\"=\"value before any key\"\r\n");
         return std::vector<std::string>{"import", m, Path("bad.reg")};
       },
       Path("bad.reg") + ":3: "},
      {"property without =",
       [](const std::string& m) {
         return std::vector<std::string>{"run",        m, "KyrCMsiExt", "KyrGetDesktops", "-p",
                                         "KYRROOTPATH"};
       },
       "property argument 'KYRROOTPATH' has no '=' (expected NAME=VALUE)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Path("machine"));
    const std::string machine = SampleMachine();
    std::vector<std::string> arguments = c.prepare(machine);
    const std::string before = TreeState(machine);
    std::string message = c.message;
    if (message.empty())
      message = "registry/HKEY_LOCAL_MACHINE.reg:" +
                std::to_string(LineCount(ReadText(machine + regFile))) + ": ";
    Outcome outcome = Bench(arguments);
    EXPECT_EQ(outcome.exit, 2);
    EXPECT_EQ(outcome.err.rfind("cabench: ", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    EXPECT_EQ(LineCount(outcome.err), 1u) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(TreeState(machine), before);
  }
}

TEST_F(Bench_, ADryRunReportsTheChangesAndLeavesTheFolderByteForByte) {
  const std::string machine = SampleMachine();
  const std::string before = TreeState(machine);
  std::vector<std::string> run = ArgFileRun(machine);
  run.push_back("KyrMigratePreferences");
  run.insert(run.end(), {"-p", "KYRREGVER=3.0", "--dry-run"});
  Outcome outcome = Bench(run);
  ASSERT_EQ(outcome.exit, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("  created  C:\\Program Files\\Quorvel\\Nolva Desktop\\"),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find(
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\KYR\\3.0"),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("Dry run: the machine"), std::string::npos);
  EXPECT_EQ(TreeState(machine), before);
}

TEST_F(Bench_, AFinishedRunLeavesTheMachineAsItsReportSays) {
  const std::string machine = SampleMachine();
  std::vector<std::string> run = ArgFileRun(machine);
  run.push_back("KyrMigratePreferences");
  run.insert(run.end(), {"-p", "KYRREGVER=3.0", "--json", Path("report.json")});
  Outcome outcome = Bench(run);
  ASSERT_EQ(outcome.exit, 0) << outcome.err;
  json report = json::parse(ReadText(Path("report.json")));
  EXPECT_TRUE(report["saved"].get<bool>());
  const json& actions = report["sessions"][0]["actions"];
  ASSERT_EQ(actions.size(), 2u);

  // Every file the report says was created is there with the bytes its diff shows.
  for (const json& file : actions[0]["files"]) {
    ASSERT_EQ(file["change"], "created");
    std::string path = file["path"].get<std::string>();
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string content = ReadText(machine + "/drive_c" + path.substr(2));
    EXPECT_EQ(content.size(), file["size"].get<std::size_t>());
    EXPECT_NE(file["diff"].get<std::string>().find("+REGEDIT4"), std::string::npos);
  }
  EXPECT_EQ(actions[0]["files"].size(), 2u);

  // Every registry key the report says was added is in the saved registry, and `reg` shows it.
  std::string saved = ReadText(machine + "/registry/HKEY_LOCAL_MACHINE.reg");
  std::size_t added = 0;
  for (const json& change : actions[1]["registry"]) {
    if (change["change"] != "key added") continue;
    ++added;
    EXPECT_NE(saved.find("[" + change["key"].get<std::string>() + "]\r\n"), std::string::npos);
  }
  EXPECT_GT(added, 0u);
  Outcome shown =
      Bench({"reg", machine, "HKLM\\SOFTWARE\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\KYR\\3.0"});
  EXPECT_EQ(shown.exit, 0) << shown.err;
  EXPECT_EQ(shown.out.rfind("REGEDIT4\r\n", 0), 0u) << shown.out;

  // A second run appends to the profile files: the report shows them changed, with a diff.
  Outcome again = Bench(ArgFileRun(machine));
  ASSERT_EQ(again.exit, 0) << again.err;
  EXPECT_NE(again.out.find("  changed  C:\\Program Files\\Quorvel\\Nolva Desktop\\"),
            std::string::npos)
      << again.out;
  EXPECT_NE(again.out.find("@@ -"), std::string::npos) << again.out;
}

TEST_F(Bench_, MessageBoxesAreReportedWithTheirAnswers) {
  const std::string machine = SampleMachine();
  Outcome outcome = Bench({"run", machine, "KyrCMsiExt", "KyrCCreateArgFile", "--package", kPackage,
                           "-p", "KYRROOTPATH=C:\\Missing\\", "--answer", "ok", "--json", "-"});
  ASSERT_EQ(outcome.exit, 0) << outcome.err;
  json action = json::parse(outcome.out)["sessions"][0]["actions"][0];
  EXPECT_EQ(action["result"], 0);
  EXPECT_EQ(action["meaning"], "success");
  ASSERT_EQ(action["messageBoxes"].size(), 1u);
  EXPECT_EQ(action["messageBoxes"][0]["caption"], "KyrCMsiExt");
  EXPECT_EQ(action["messageBoxes"][0]["styleText"], "MB_OK");
  EXPECT_EQ(action["messageBoxes"][0]["answer"], "IDOK");
  EXPECT_EQ(action["files"].size(), 0u);  // the missing root takes no files
}

TEST_F(Bench_, AFailedRunIsUndone) {
  const std::string machine = SampleMachine();
  const std::string before = TreeState(machine);
  WriteText(Path("fails.road"),
            "session " + kPackage +
                " KyrCMsiExt\n"
                "property DRXNVERSION=R16.0\nproperty DRXNCOOKIE=DRXN-208:409\nproperty " +
                kRoot +
                "\n"
                "action KyrCCreateArgFile\n"
                "component NoSuchComponent=local\n");
  Outcome outcome = Bench({"road", machine, Path("fails.road")});
  EXPECT_EQ(outcome.exit, 1);
  EXPECT_NE(outcome.out.find("  created  "), std::string::npos) << outcome.out;  // it did write
  EXPECT_NE(outcome.err.find("the package has no component 'NoSuchComponent'; the run was undone"),
            std::string::npos)
      << outcome.err;
  EXPECT_EQ(TreeState(machine), before);
}

TEST_F(Bench_, AKilledRunIsUndoneByTheNextCommand) {
  const std::string machine = SampleMachine();
  const std::string before = TreeState(machine);
  setenv("CABENCH_KILL_AFTER_ACTIONS", "1", 1);
  std::vector<std::string> run = ArgFileRun(machine);
  run.push_back("KyrCCreateArgFile");
  Outcome killed = Bench(run);
  unsetenv("CABENCH_KILL_AFTER_ACTIONS");
  EXPECT_EQ(killed.exit, 128 + 9);
  EXPECT_NE(TreeState(machine), before);  // files written, journal left behind

  Outcome next = Bench({"dir", machine, "C:\\Program Files\\Quorvel\\Nolva Desktop"});
  EXPECT_EQ(next.exit, 0) << next.err;
  EXPECT_NE(next.out.find("(undid a run that was interrupted"), std::string::npos) << next.out;
  EXPECT_EQ(TreeState(machine), before);
}

TEST_F(Bench_, AMachineFromARegFileExportedFromWindowsListsItsHosts) {
  const std::string machine = Path("exported");
  Outcome made =
      Bench({"new", machine, "--import", std::string(CABENCH_FIXTURES) + "/exported-hosts.reg"});
  ASSERT_EQ(made.exit, 0) << made.err;
  WriteText(machine + "/drive_c/Program Files/Quorvel/Draxon 2016/KyrCApp.qxm", "module");
  WriteText(machine + "/drive_c/Program Files/Quorvel/Draxon LE 2016/readme.txt", "no module");

  Outcome outcome =
      Bench({"run", machine, "KyrCMsiExt", "KyrGetDesktops", "--package", kPackage, "--json", "-"});
  ASSERT_EQ(outcome.exit, 0) << outcome.err;
  std::map<std::string, std::string> set;
  const json report = json::parse(outcome.out);
  for (const json& change : report["sessions"][0]["actions"][0]["properties"])
    if (!change["new"].is_null()) set[change["name"]] = change["new"];
  EXPECT_EQ(set["Desktop1"],
            "Draxon 2016;English;R16.0;DRXN-208:409;C:\\Program Files\\Quorvel\\Draxon "
            "2016;208;1033;enu;0");
  EXPECT_EQ(set["Desktop1Text"], "Draxon 2016,   English");
  EXPECT_EQ(set.count("Desktop2"), 0u);  // the LE host lacks the core module
  EXPECT_EQ(set["BASENUMBEROFPRODUCTS"], "1");
  EXPECT_EQ(set["DRXNVERSION"], "R16.0");  // one host: it was applied at once
}

TEST_F(Bench_, TheDemoWalksEveryRoad) {
  Outcome outcome = Bench({"demo", "--machine", Path("demo")});
  ASSERT_EQ(outcome.exit, 0) << outcome.err;
  for (const char* action :
       {"KyrGetDesktops", "KyrCSetDesktop", "KyrCCheckDataDir", "KyrFormatArgPaths",
        "KyrCCreateArgFile", "KyrMigratePreferences", "CheckNolvaRun"})
    EXPECT_NE(outcome.out.find(std::string("=== ") + action + ": 0 (success) ==="),
              std::string::npos)
        << action;
}

}  // namespace
