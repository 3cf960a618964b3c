// Road files: the demo's walks through an install, a removal or a patch, one line a step.
//   title <text>                     the road's name
//   session <package> <library>      a new installer session; the package (a .msi or a
//                                    folder of .idt tables) relative to the road file
//   say <text>                       narration printed before the next step
//   property <NAME>=<VALUE>          [NAME] in VALUE is that property's value
//   component <NAME>=<local|absent|source>
//   answer <ok|cancel|yes|no|abort|retry|ignore>
//   action <ExportName>
// Blank lines and lines starting with '#' are skipped.
#pragma once

#include <string>
#include <vector>

#include "plan.h"

namespace bench {

struct Road {
  std::string title;
  std::vector<SessionPlan> sessions;
};

// A BenchError "<file>:<line>: <what>" for a malformed line.
Road ParseRoad(const std::string& text, const std::string& fileName, const std::string& baseFolder);

}  // namespace bench
