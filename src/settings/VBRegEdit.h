#pragma once

#include "RegistryStore.h"

#include <QString>

// The registry helpers the fax output and the settings window use.
namespace VBRegEdit {

using Root = RegistryStore::Root;

// Opens the subkey under the root key, creating it when missing, and stores the text as a
// string value. Failures are ignored.
void SetRegString(Root root, const QString& subkey, const QString& valueName, const QString& text);

// A string value's text, a DWORD value's decimal text; empty text for a missing key or
// value, any other type, or any failure. Creates nothing.
QString QueryRegValue(Root root, const QString& subkey, const QString& valueName);

} // namespace VBRegEdit
