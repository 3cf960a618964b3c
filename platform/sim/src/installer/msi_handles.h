// The installer's handle table: numbers for objects, checked by type.
#pragma once

#include <memory>

#include "installer/msi_objects.h"

namespace winsim::detail::msi {

// A new nonzero handle for the object; 0 only when the table cannot grow.
MSIHANDLE NewHandle(std::shared_ptr<Object> object);

std::shared_ptr<Object> FindObject(MSIHANDLE handle);

// The object behind a handle when it is of type T; null for an unknown handle or
// another type, which callers report as ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> Find(MSIHANDLE handle) {
  std::shared_ptr<Object> object = FindObject(handle);
  if (!object || object->GetKind() != T::kKind) return nullptr;
  return std::static_pointer_cast<T>(object);
}

// Runs an export's body so that no exception crosses the C boundary.
template <class R, class F>
R Guarded(R onFailure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return onFailure;
  }
}

}  // namespace winsim::detail::msi
