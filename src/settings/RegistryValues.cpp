#include "settings/RegistryValues.h"

namespace registryvalues {

void setString(Root root, const QString& subkey, const QString& valueName, const QString& text)
{
    registryStore().setValue(root, subkey, valueName, {RegistryStore::Type::String, text, 0});
}

} // namespace registryvalues
