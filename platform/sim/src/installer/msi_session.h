// Installer sessions: what the session functions share with costing.
#pragma once

#include <string>

#include "installer/msi_objects.h"

namespace winsim::detail::msi {

// A property's value; "" when it is not set.
std::string PropertyValue(const Session& session, const std::string& name);
void SetPropertyValue(Session& session, const std::string& name, const std::string& value);

// Costing, as the CostInitialize and CostFinalize actions run it.
void LoadDirectories(Session& session);
void LoadComponents(Session& session);
UINT ResolveDirectories(Session& session);

}  // namespace winsim::detail::msi
