// MSIHANDLE numbers, closing them, and counting the ones still open.
#include "installer/msi_handles.h"

#include <map>
#include <mutex>
#include <vector>

#include "core/internal.h"
#include "winsim/machine.h"

namespace winsim::detail::msi {
namespace {

struct HandleTable {
  std::mutex lock;
  std::map<MSIHANDLE, std::shared_ptr<Object>> objects;
  MSIHANDLE next = 1;  // never reused, so that a stale handle stays invalid
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

// Takes every object out of the table; they are destroyed outside the lock because
// an object's destructor may release other objects.
std::vector<std::shared_ptr<Object>> TakeAll() {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  std::vector<std::shared_ptr<Object>> taken;
  taken.reserve(table.objects.size());
  for (auto& entry : table.objects) taken.push_back(std::move(entry.second));
  table.objects.clear();
  return taken;
}

}  // namespace

MSIHANDLE NewHandle(std::shared_ptr<Object> object) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  if (table.next == 0) return 0;
  MSIHANDLE handle = table.next++;
  table.objects.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<Object> FindObject(MSIHANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto found = table.objects.find(handle);
  return found == table.objects.end() ? nullptr : found->second;
}

}  // namespace winsim::detail::msi

namespace winsim::detail {

void ResetInstaller() { msi::TakeAll(); }

}  // namespace winsim::detail

namespace winsim {

std::size_t OpenInstallerHandles() {
  detail::msi::HandleTable& table = detail::msi::Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return table.objects.size();
}

}  // namespace winsim

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiCloseHandle(MSIHANDLE hAny) {
  if (hAny == 0) return ERROR_SUCCESS;  // PMSIHANDLE-style owners close unset handles
  std::shared_ptr<Object> closing;
  {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.objects.find(hAny);
    if (found == table.objects.end()) return ERROR_INVALID_HANDLE;
    closing = std::move(found->second);
    table.objects.erase(found);
  }
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI MsiCloseAllHandles(void) {
  // Documented: 0 when nothing was open, else how many handles were open before.
  return static_cast<UINT>(TakeAll().size());
}
