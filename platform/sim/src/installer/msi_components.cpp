// Components of a session: their installed state and the state requested for them.
#include "installer/msi_database.h"
#include "installer/msi_handles.h"
#include "installer/msi_session.h"

namespace winsim::detail::msi {

void LoadComponents(Session& session) {
  session.components.clear();
  for (const auto& row : SelectText(session.database->db.get(), "Component",
                                    "SELECT `Component` FROM `Component`", 1))
    session.components[row[0]] = ComponentState{};
}

namespace {

// Components are known from CostInitialize on, which loads the Component table.
ComponentState* FindComponent(MSIHANDLE hInstall, LPCSTR szComponent, UINT& error) {
  std::shared_ptr<Session> session = Find<Session>(hInstall);
  if (!session) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  auto found =
      szComponent != nullptr ? session->components.find(szComponent) : session->components.end();
  if (found == session->components.end()) {
    error = ERROR_UNKNOWN_COMPONENT;
    return nullptr;
  }
  return &found->second;
}

}  // namespace
}  // namespace winsim::detail::msi

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiGetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent,
                                             INSTALLSTATE* piInstalled, INSTALLSTATE* piAction) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    UINT error = ERROR_SUCCESS;
    ComponentState* component = FindComponent(hInstall, szComponent, error);
    if (component == nullptr) return error;
    if (piInstalled == nullptr || piAction == nullptr) return ERROR_INVALID_PARAMETER;
    *piInstalled = component->installed;
    *piAction = component->action;
    return ERROR_SUCCESS;
  });
}

extern "C" UINT WINAPI MsiSetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent,
                                             INSTALLSTATE iState) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    UINT error = ERROR_SUCCESS;
    ComponentState* component = FindComponent(hInstall, szComponent, error);
    if (component == nullptr) return error;
    // The documented requests; anything else is refused as a failed call.
    if (iState != INSTALLSTATE_ABSENT && iState != INSTALLSTATE_LOCAL &&
        iState != INSTALLSTATE_SOURCE)
      return ERROR_FUNCTION_FAILED;
    component->action = iState;
    return ERROR_SUCCESS;
  });
}
