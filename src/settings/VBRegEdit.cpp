#include "VBRegEdit.h"

namespace VBRegEdit {

void SetRegString(Root root, const QString& subkey, const QString& valueName, const QString& text)
{
    registryStore().setValue(root, subkey, valueName, {RegistryStore::Type::String, text, 0});
}

QString QueryRegValue(Root root, const QString& subkey, const QString& valueName)
{
    const auto value = registryStore().value(root, subkey, valueName);
    if (!value)
        return {};
    if (value->type == RegistryStore::Type::DWord)
        return QString::number(value->dword);
    const qsizetype nul = value->text.indexOf(QChar(u'\0'));
    return nul < 0 ? value->text : value->text.left(nul);
}

} // namespace VBRegEdit
