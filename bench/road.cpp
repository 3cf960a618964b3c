#include "road.h"

#include "bench_error.h"
#include "session_runner.h"
#include "text_util.h"

namespace bench {
Road ParseRoad(const std::string& text, const std::string& fileName,
               const std::string& baseFolder) {
  Road road;
  ForEachLine(text, fileName, [&](const std::string& line, const auto& fail) {
    if (line.empty() || line[0] == '#') return;
    std::size_t space = line.find_first_of(" \t");
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space));
    if (word == "title") {
      road.title = rest;
      return;
    }
    if (word == "session") {
      std::size_t gap = rest.find_first_of(" \t");
      if (rest.empty() || gap == std::string::npos) fail("expected 'session <package> <library>'");
      SessionPlan session;
      const std::string package = rest.substr(0, gap);
      session.package = package[0] == '/' ? package : baseFolder + "/" + package;
      session.library = Trim(rest.substr(gap));
      road.sessions.push_back(session);
      return;
    }
    if (road.sessions.empty()) fail("'" + word + "' before the first 'session' line");
    SessionPlan& session = road.sessions.back();
    Step step;
    try {
      if (word == "say") {
        step = {Step::Kind::Say, "", rest};
      } else if (word == "property" || word == "component") {
        auto assignment = SplitAssignment(rest, word);
        step = {word == "property" ? Step::Kind::Property : Step::Kind::Component, assignment.first,
                assignment.second};
      } else if (word == "answer") {
        ParseAnswer(rest);
        step = {Step::Kind::Answer, "", rest};
      } else if (word == "action") {
        if (rest.empty()) fail("'action' needs an export name");
        step = {Step::Kind::Action, rest, ""};
      } else {
        fail("unknown step '" + word + "'");
      }
    } catch (const BenchError& error) {
      if (std::string(error.what()).rfind(fileName + ":", 0) == 0) throw;
      fail(error.what());
    }
    // Properties before the session's first action are set before costing, as a
    // command line sets them.
    bool beforeActions = true;
    for (const Step& earlier : session.steps)
      if (earlier.kind == Step::Kind::Action) beforeActions = false;
    if (step.kind == Step::Kind::Property && beforeActions &&
        step.value.find('[') == std::string::npos)
      session.properties.emplace_back(step.name, step.value);
    else
      session.steps.push_back(step);
  });
  if (road.sessions.empty()) throw BenchError(fileName + ": no 'session' line");
  return road;
}

}  // namespace bench
