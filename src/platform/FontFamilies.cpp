#include "FontFamilies.h"

#include <QFontDatabase>

namespace fonts {
namespace {

QStringList families(bool fixedPitch)
{
    QStringList list;
    for (const QString& family : QFontDatabase::families()) {
        // Private families are the system's own interface fonts, not meant for documents.
        if (QFontDatabase::isPrivateFamily(family) || QFontDatabase::isFixedPitch(family) != fixedPitch)
            continue;
        list.append(family);
    }
    return list;
}

} // namespace

QStringList fixedPitchFamilies()
{
    return families(true);
}

QStringList variablePitchFamilies()
{
    return families(false);
}

} // namespace fonts
