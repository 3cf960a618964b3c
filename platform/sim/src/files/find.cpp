// Find handles: a snapshot of the matching names, sorted once, handed out one by one.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <vector>

#include "files/file_system.h"

namespace winsim::detail {
namespace {

struct Found {
  std::string key;  // upper-case name, the sort order
  std::string name;
  bool folder = false;
  DWORD attributes = 0;
};

struct FindState {
  std::string hostFolder;
  std::vector<Found> entries;
  std::size_t next = 0;
};

std::map<ULONG_PTR, FindState>& Finds() {
  static std::map<ULONG_PTR, FindState> finds;
  return finds;
}
ULONG_PTR nextFindHandle = 0x3000;

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

void Fill(const FindState& state, const Found& entry, LPWIN32_FIND_DATAA data) {
  *data = WIN32_FIND_DATAA{};
  data->dwFileAttributes = entry.folder
                               ? FILE_ATTRIBUTE_DIRECTORY | entry.attributes
                               : (entry.attributes ? entry.attributes : FILE_ATTRIBUTE_NORMAL);
  if (!entry.folder) {
    // The size is the host's to know; a file gone since the search shows none.
    struct stat st;
    if (stat((state.hostFolder + "/" + entry.name).c_str(), &st) == 0) {
      data->nFileSizeLow = static_cast<DWORD>(st.st_size);
      data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    } else {
      data->dwFileAttributes = 0;
    }
  }
  CopyOut(entry.name.substr(0, MAX_PATH - 1), data->cFileName, MAX_PATH);
}

}  // namespace

void ForgetFinds() { Finds().clear(); }

}  // namespace winsim::detail

using namespace winsim::detail;

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (lpFileName == nullptr || lpFindFileData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string full = FullWindowsPath(lpFileName);
  if (full.empty() || full.size() <= 3) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::size_t cut = full.find_last_of('\\');
  std::string folder = full.substr(0, cut == 2 ? 3 : cut);
  std::string pattern = full.substr(cut + 1);
  Resolved where = Resolve(folder);
  Listing* listing = where.IsFolder() ? ListingOf(*where.entry, where.host) : nullptr;
  if (listing == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  FindState state;
  state.hostFolder = where.host;
  auto take = [&state](const std::string& key, const CachedEntry& entry) {
    state.entries.push_back(Found{key, entry.name, entry.folder, entry.attributes});
  };
  if (HasWildcard(pattern)) {
    for (const auto& named : listing->entries)
      if (MatchesWildcard(pattern, named.second.name)) take(named.first, named.second);
  } else {
    // A plain name is looked up; trailing dots match nothing, as in a wildcard search.
    std::string key = Upper(pattern);
    std::string bare = key.substr(0, key.find_last_not_of('.') + 1);
    for (const std::string& candidate : {key, bare}) {
      auto it = listing->entries.find(candidate);
      if (it != listing->entries.end()) take(it->first, it->second);
      if (bare == key) break;
    }
  }
  std::sort(state.entries.begin(), state.entries.end(),
            [](const Found& a, const Found& b) { return a.key < b.key; });
  if (folder.size() > 3) {
    // Below a root the folder itself and its parent come first.
    std::vector<Found> dots;
    for (const char* dot : {".", ".."})
      if (MatchesWildcard(pattern, dot)) dots.push_back(Found{dot, dot, true, 0});
    state.entries.insert(state.entries.begin(), dots.begin(), dots.end());
  }
  if (state.entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(state, state.entries[0], lpFindFileData);
  state.next = 1;
  ULONG_PTR id = nextFindHandle;
  nextFindHandle += 4;
  Finds()[id] = std::move(state);
  return reinterpret_cast<HANDLE>(id);
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  auto it = Finds().find(reinterpret_cast<ULONG_PTR>(hFindFile));
  if (it == Finds().end()) return Fail(ERROR_INVALID_HANDLE);
  FindState& state = it->second;
  if (state.next >= state.entries.size()) return Fail(ERROR_NO_MORE_FILES);
  Fill(state, state.entries[state.next++], lpFindFileData);
  return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (Finds().erase(reinterpret_cast<ULONG_PTR>(hFindFile)) == 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
