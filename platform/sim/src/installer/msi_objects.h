// The objects that installer handles stand for.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "installer/msi_glib.h"
#include "winsim/msi.h"

namespace winsim::detail::msi {

enum class Kind { Database, View, Record, SummaryInfo, Session };

struct Object {
  virtual ~Object() = default;
  virtual Kind GetKind() const = 0;
};

template <Kind K>
struct ObjectOf : Object {
  static constexpr Kind kKind = K;
  Kind GetKind() const override { return K; }
};

struct Database : ObjectOf<Kind::Database> {
  GObjectPtr<LibmsiDatabase> db;
  bool readOnly = false;
  std::string commitHost;  // the host file a commit writes
};

struct View : ObjectOf<Kind::View> {
  std::shared_ptr<Database> database;  // a view outlives the handle of its database
  GObjectPtr<LibmsiQuery> query;
  bool executed = false;
};

struct Record : ObjectOf<Kind::Record> {
  GObjectPtr<LibmsiRecord> record;
};

struct SummaryInfo : ObjectOf<Kind::SummaryInfo> {
  std::shared_ptr<Database> database;
  GObjectPtr<LibmsiSummaryInfo> info;
  bool commitOnPersist = false;  // opened by path: persisting writes the file
};

struct Directory {
  std::string parent;      // empty for a root
  std::string defaultDir;  // "target[:source]", each "short|long"
  std::string target;      // full path with a trailing backslash, once costed
  bool fixed = false;      // target set by a property or MsiSetTargetPath, not derived
};

struct ComponentState {
  INSTALLSTATE installed = INSTALLSTATE_ABSENT;
  INSTALLSTATE action = INSTALLSTATE_UNKNOWN;
};

struct Session : ObjectOf<Kind::Session> {
  std::shared_ptr<Database> database;
  std::map<std::string, std::string> properties;  // names are case-sensitive
  bool costInitialized = false;
  bool costFinalized = false;
  std::map<std::string, Directory> directories;
  std::map<std::string, ComponentState> components;
};

}  // namespace winsim::detail::msi
