#include "kit.h"

namespace kit {

Library::Library(const std::string& name) : module_(LoadLibraryA(name.c_str())) {}

Library::~Library() {
  if (module_) FreeLibrary(module_);
}

bool Library::Exports(const std::string& exportName) const {
  return module_ && GetProcAddress(module_, exportName.c_str()) != nullptr;
}

UINT Library::Call(const std::string& exportName, MSIHANDLE session) const {
  typedef UINT(__stdcall * CustomAction)(MSIHANDLE);
  FARPROC address = module_ ? GetProcAddress(module_, exportName.c_str()) : nullptr;
  if (address == nullptr) {
    ADD_FAILURE() << "no export " << exportName;
    return ERROR_PROC_NOT_FOUND;
  }
  return reinterpret_cast<CustomAction>(reinterpret_cast<void*>(address))(session);
}

}  // namespace kit
