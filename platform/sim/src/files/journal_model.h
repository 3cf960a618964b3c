// What the current segment of the change journal has changed, kept in memory as the
// changes are made: for each path touched, what it held at the mark, and for each path
// that holds something now, where that content was at the mark.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "winsim/machine.h"

namespace winsim::detail {

class ChangeModel {
 public:
  void Clear();
  // Host paths throughout; `saved` is the host path of a copy of the content as it was
  // just before the change, when the journal made one.
  void Created(const std::string& host, bool folder);
  void Written(const std::string& host, const std::string& saved, DWORD attributes);
  void Removed(const std::string& host, const std::string& saved, DWORD attributes, bool folder);
  void Renamed(const std::string& from, const std::string& to, DWORD attributes, bool folder);
  void AttributesSet(const std::string& host, DWORD before, bool folder);

  // The net changes, one per path, in the order the paths were first touched.
  std::vector<FileChange> Changes() const;

 private:
  enum class Kind { Absent, File, Folder };
  struct AtMark {
    std::size_t order = 0;
    Kind kind = Kind::Absent;
    std::string copy;  // host path of the content as at the mark, once known
    DWORD attributes = 0;
  };
  struct Content {
    std::string origin;  // the path it had at the mark; empty for something new
    bool folder = false;
    bool modified = false;
  };

  // Notes what a path held at the mark when it is first touched; true then.
  bool Touch(const std::string& host, Kind kind, DWORD attributes);
  // What a path holds now: null when it is known to hold nothing.
  Content* Occupant(const std::string& host, bool folder, bool fresh);
  void KeepCopy(const Content& content, const std::string& saved);
  void MoveBelow(const std::string& from, const std::string& to);

  std::map<std::string, AtMark> marked_;
  std::map<std::string, Content> occupants_;  // by path now
  std::map<std::string, std::string> where_;  // origin -> path now
  std::size_t next_ = 0;
};

}  // namespace winsim::detail
