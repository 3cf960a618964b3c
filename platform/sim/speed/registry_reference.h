// The registry cases' work on the host's own containers, for comparison.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace speed {

enum class ReferenceOp {
  PrepareSubkeys,
  PrepareValues,
  CreateSubkeys,
  EnumerateSubkeys,
  DeleteSubkeys,
  SetValues,
  QueryValues,
  EnumerateValues,
  DeleteValues
};

// Runs the operation over the names (subkeys) or values; "" or what went wrong.
std::string ReferenceWork(ReferenceOp op, const std::vector<std::string>& names,
                          const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace speed
