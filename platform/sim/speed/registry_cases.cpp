// Registry cases: each call over ten times the data, against the same call over the
// data of the same run, so that a cost growing faster than the data shows. Beside each,
// the same work on the host's own containers grows by what the step from cache to memory
// costs at these sizes, which no layout escapes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

#include "registry_reference.h"
#include "registry_text.h"
#include "speed.h"
#include "winsim/machine.h"

namespace speed {
namespace {

const char kBenchKey[] = "SOFTWARE\\Quorvel\\Speed";

struct Key {
  HKEY value = nullptr;
  ~Key() {
    if (value) RegCloseKey(value);
  }
};

std::string Failure(const char* call, const std::string& name, LSTATUS status) {
  return std::string(call) + " " + name + ": error " + std::to_string(status);
}

// Class-identifier-like names, so that subkeys arrive in no particular order.
std::vector<std::string> SubkeyNames(long count) {
  std::vector<std::string> names;
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (long i = 0; i < count; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    char name[48];
    std::snprintf(name, sizeof name, "{%08X-%04X-%04X-%04X-%012lX}", static_cast<unsigned>(x >> 32),
                  static_cast<unsigned>(x >> 16) & 0xFFFF, static_cast<unsigned>(x) & 0xFFFF,
                  0x8000 | (static_cast<unsigned>(x >> 20) & 0xFFF), i);
    names.push_back(name);
  }
  return names;
}

struct Value {
  std::string name;
  std::string data;
};
std::vector<Value> Values(long count) {
  std::vector<Value> values;
  for (long i = 0; i < count; ++i) {
    char name[32], data[96];
    std::snprintf(name, sizeof name, "Module%06ld", i);
    std::snprintf(data, sizeof data, "C:\\Program Files\\Quorvel\\Speed\\bin\\module%06ld.dll", i);
    values.push_back({name, data});
  }
  return values;
}

// A fresh machine with the key the cases work in, open; untimed.
std::string OpenBenchKey(Key& key) {
  if (key.value) RegCloseKey(key.value);
  key.value = nullptr;
  FreshMachine();
  LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                   nullptr, &key.value, nullptr);
  return status == ERROR_SUCCESS ? "" : Failure("RegCreateKeyExA", kBenchKey, status);
}

std::string CreateSubkeys(HKEY parent, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    HKEY child = nullptr;
    DWORD disposition = 0;
    LSTATUS status = RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     &child, &disposition);
    if (status != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY)
      return Failure("RegCreateKeyExA", name, status);
    RegCloseKey(child);
  }
  return "";
}

std::string EnumerateSubkeys(HKEY parent, long expected) {
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD size = sizeof name;
    LSTATUS status = RegEnumKeyExA(parent, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS)
      return index == expected ? "" : "enumerated " + std::to_string(index) + " subkeys";
    if (status != ERROR_SUCCESS) return Failure("RegEnumKeyExA", std::to_string(index), status);
  }
}

std::string DeleteSubkeys(HKEY parent, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (LSTATUS status = RegDeleteKeyA(parent, name.c_str()))
      return Failure("RegDeleteKeyA", name, status);
  return "";
}

std::string SetValues(HKEY key, const std::vector<Value>& values) {
  for (const Value& value : values) {
    LSTATUS status = RegSetValueExA(key, value.name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.data.c_str()),
                                    static_cast<DWORD>(value.data.size() + 1));
    if (status != ERROR_SUCCESS) return Failure("RegSetValueExA", value.name, status);
  }
  return "";
}

std::string QueryValues(HKEY key, const std::vector<Value>& values) {
  for (const Value& value : values) {
    BYTE data[256];
    DWORD type = 0, size = sizeof data;
    LSTATUS status = RegQueryValueExA(key, value.name.c_str(), nullptr, &type, data, &size);
    if (status != ERROR_SUCCESS || type != REG_SZ || size != value.data.size() + 1)
      return Failure("RegQueryValueExA", value.name, status);
  }
  return "";
}

std::string EnumerateValues(HKEY key, long expected) {
  for (DWORD index = 0;; ++index) {
    char name[256];
    BYTE data[256];
    DWORD nameSize = sizeof name, type = 0, dataSize = sizeof data;
    LSTATUS status = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
    if (status == ERROR_NO_MORE_ITEMS)
      return index == expected ? "" : "enumerated " + std::to_string(index) + " values";
    if (status != ERROR_SUCCESS) return Failure("RegEnumValueA", std::to_string(index), status);
  }
}

std::string DeleteValues(HKEY key, const std::vector<Value>& values) {
  for (const Value& value : values)
    if (LSTATUS status = RegDeleteValueA(key, value.name.c_str()))
      return Failure("RegDeleteValueA", value.name, status);
  return "";
}

std::string Import(const std::string& text) {
  std::string error;
  return winsim::ImportRegistry(text, "speed.reg", error) ? "" : "ImportRegistry: " + error;
}

// The inputs of a size, made once and outside the clock.
template <class T>
const T& Made(std::map<long, T>& made, long count, T (*make)(long)) {
  auto it = made.find(count);
  if (it == made.end()) it = made.emplace(count, make(count)).first;
  return it->second;
}
const std::vector<std::string>& SubkeysOf(long count) {
  static std::map<long, std::vector<std::string>> made;
  return Made(made, count, SubkeyNames);
}
const std::vector<Value>& ValuesOf(long count) {
  static std::map<long, std::vector<Value>> made;
  return Made(made, count, Values);
}
const std::string& RegistryTextOf(long count) {
  static std::map<long, std::string> made;
  return Made(made, count, RegistryText);
}

const std::vector<std::pair<std::string, std::string>>& PairsOf(long count) {
  static std::map<long, std::vector<std::pair<std::string, std::string>>> made;
  auto it = made.find(count);
  if (it == made.end()) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const Value& value : ValuesOf(count)) pairs.emplace_back(value.name, value.data);
    it = made.emplace(count, std::move(pairs)).first;
  }
  return it->second;
}

void ReferenceCase(benchmark::State& state, long count, ReferenceOp prepare, ReferenceOp work) {
  const auto& names = SubkeysOf(count);
  const auto& values = PairsOf(count);
  RunTimed(
      state, [&] { return ReferenceWork(prepare, names, values); },
      [&] { return ReferenceWork(work, names, values); });
}

using Body = void (*)(benchmark::State&, long);

// A fresh key holding the subkeys; untimed.
std::string KeyWithSubkeys(Key& key, const std::vector<std::string>& names) {
  std::string error = OpenBenchKey(key);
  return error.empty() ? CreateSubkeys(key.value, names) : error;
}

void CreateSubkeysCase(benchmark::State& state, long count) {
  const auto& names = SubkeysOf(count);
  Key key;
  RunTimed(
      state, [&] { return OpenBenchKey(key); }, [&] { return CreateSubkeys(key.value, names); });
}

void EnumerateSubkeysCase(benchmark::State& state, long count) {
  const auto& names = SubkeysOf(count);
  Key key;
  RunTimed(
      state, [&] { return KeyWithSubkeys(key, names); },
      [&] { return EnumerateSubkeys(key.value, count); });
}

void DeleteSubkeysCase(benchmark::State& state, long count) {
  const auto& names = SubkeysOf(count);
  Key key;
  RunTimed(
      state, [&] { return KeyWithSubkeys(key, names); },
      [&] { return DeleteSubkeys(key.value, names); });
}

void SetValuesCase(benchmark::State& state, long count) {
  const auto& values = ValuesOf(count);
  Key key;
  RunTimed(
      state, [&] { return OpenBenchKey(key); }, [&] { return SetValues(key.value, values); });
}

// A fresh key holding the values; untimed.
std::string KeyWithValues(Key& key, const std::vector<Value>& values) {
  std::string error = OpenBenchKey(key);
  return error.empty() ? SetValues(key.value, values) : error;
}

void QueryValuesCase(benchmark::State& state, long count) {
  const auto& values = ValuesOf(count);
  Key key;
  RunTimed(
      state, [&] { return KeyWithValues(key, values); },
      [&] { return QueryValues(key.value, values); });
}

void EnumerateValuesCase(benchmark::State& state, long count) {
  const auto& values = ValuesOf(count);
  Key key;
  RunTimed(
      state, [&] { return KeyWithValues(key, values); },
      [&] { return EnumerateValues(key.value, count); });
}

void DeleteValuesCase(benchmark::State& state, long count) {
  const auto& values = ValuesOf(count);
  Key key;
  RunTimed(
      state, [&] { return KeyWithValues(key, values); },
      [&] { return DeleteValues(key.value, values); });
}

void ImportCase(benchmark::State& state, long count) {
  const std::string& text = RegistryTextOf(count);
  RunTimed(
      state,
      [] {
        FreshMachine();
        return std::string();
      },
      [&] { return Import(text); });
}

void ExportCase(benchmark::State& state, long count) {
  const std::string& text = RegistryTextOf(count);
  std::string exported;
  RunTimed(
      state,
      [&] {
        FreshMachine();
        exported.clear();
        return Import(text);
      },
      [&] {
        exported = winsim::ExportRegistry("HKEY_LOCAL_MACHINE");
        return exported.size() < text.size()
                   ? "ExportRegistry gave " + std::to_string(exported.size()) + " bytes"
                   : std::string();
      });
}

struct Operation {
  const char* key;    // in the case name
  const char* title;  // the figure's, "{n}" standing for the larger count
  long count;         // the smaller count; the larger is ten times it
  Body body;
  bool hasReference;
  ReferenceOp prepare, work;  // the host containers' setup and work
};

const Operation kOperations[] = {
    {"subkeys/create", "create {n} subkeys of one key", 10000, CreateSubkeysCase, true,
     ReferenceOp::PrepareSubkeys, ReferenceOp::CreateSubkeys},
    {"subkeys/enumerate", "enumerate {n} subkeys by index", 10000, EnumerateSubkeysCase, true,
     ReferenceOp::PrepareSubkeys, ReferenceOp::EnumerateSubkeys},
    {"subkeys/delete", "delete {n} subkeys", 10000, DeleteSubkeysCase, true,
     ReferenceOp::PrepareSubkeys, ReferenceOp::DeleteSubkeys},
    {"values/set", "set {n} values in one key", 10000, SetValuesCase, true,
     ReferenceOp::PrepareValues, ReferenceOp::SetValues},
    {"values/query", "query {n} values in one key", 10000, QueryValuesCase, true,
     ReferenceOp::PrepareValues, ReferenceOp::QueryValues},
    {"values/enumerate", "enumerate {n} values by index", 10000, EnumerateValuesCase, true,
     ReferenceOp::PrepareValues, ReferenceOp::EnumerateValues},
    {"values/delete", "delete {n} values of one key", 10000, DeleteValuesCase, true,
     ReferenceOp::PrepareValues, ReferenceOp::DeleteValues},
    {"reg/import", "import a .reg file of {n} values", 20000, ImportCase, false,
     ReferenceOp::PrepareValues, ReferenceOp::PrepareValues},
    {"reg/export", "export HKEY_LOCAL_MACHINE of {n} values", 20000, ExportCase, false,
     ReferenceOp::PrepareValues, ReferenceOp::PrepareValues},
};

std::string Replace(std::string text, const char* field, const std::string& by) {
  std::size_t at = text.find(field);
  if (at != std::string::npos) text.replace(at, std::strlen(field), by);
  return text;
}

}  // namespace

void RegisterRegistryCases() {
  // The fastest of a few runs keeps neighbouring processes' noise out; the larger size's
  // runs take seconds each, so it has fewer of them.
  const int smallRuns = 15, largeRuns = 5;
  for (const Operation& op : kOperations) {
    std::string small = std::string("registry/") + op.key + "/" + std::to_string(op.count);
    std::string large = std::string("registry/") + op.key + "/" + std::to_string(op.count * 10);
    Body body = op.body;
    long count = op.count;
    AddCase(
        small, [body, count](benchmark::State& s) { body(s, count); }, smallRuns);
    AddCase(
        large, [body, count](benchmark::State& s) { body(s, count * 10); }, largeRuns);
    std::string title =
        Replace(op.title, "{n}", Count(op.count * 10)) + " (vs " + Count(op.count) + ")";
    Figure figure{"registry: " + title, large, small, 12.0, "", ""};
    if (op.hasReference) {
      figure.referenceBaseline =
          "registry/reference/" + std::string(op.key) + "/" + std::to_string(count);
      figure.referenceMeasured =
          "registry/reference/" + std::string(op.key) + "/" + std::to_string(count * 10);
      ReferenceOp prepare = op.prepare, work = op.work;
      AddCase(
          figure.referenceBaseline,
          [=](benchmark::State& s) { ReferenceCase(s, count, prepare, work); }, smallRuns);
      AddCase(
          figure.referenceMeasured,
          [=](benchmark::State& s) { ReferenceCase(s, count * 10, prepare, work); }, largeRuns);
    }
    Figures().push_back(figure);
  }
}

}  // namespace speed
