#pragma once

#include "platform/RegistryStore.h"

#include <QString>

// The string values the program keeps in the user's registry (the fax number hand-over).
namespace registryvalues {

using Root = RegistryStore::Root;

// Opens the subkey under the root key, creating it when missing, and stores the text as a
// string value. Failures are ignored.
void setString(Root root, const QString& subkey, const QString& valueName, const QString& text);

} // namespace registryvalues
