#include "platform/FontFamilies.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>

namespace fonts {
namespace {

// Qt tells families of the same name from different foundries by a tag, "Nimbus Mono
// PS [urw]"; a user knows the family by its name alone.
QString withoutFoundry(QString family)
{
    static const QRegularExpression tag(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    return family.remove(tag);
}

QStringList families(Pitch pitch)
{
    QStringList list;
    for (const QString& family : QFontDatabase::families()) {
        // Private families are the system's own interface fonts, not meant for documents.
        if (QFontDatabase::isPrivateFamily(family) || QFontDatabase::isFixedPitch(family) != (pitch == Pitch::Fixed))
            continue;
        const QString name = withoutFoundry(family);
        if (list.contains(name, Qt::CaseInsensitive) || familyInUse(name, pitch).compare(name, Qt::CaseInsensitive))
            continue;
        list.append(name);
    }
    return list;
}

} // namespace

QFont fontFor(const QString& family, Pitch pitch)
{
    QFont font(family);
    if (pitch == Pitch::Fixed)
        font.setStyleHint(QFont::TypeWriter);
    return font;
}

QString familyInUse(const QString& family, Pitch pitch)
{
    return withoutFoundry(QFontInfo(fontFor(family, pitch)).family());
}

QString shownName(const QString& family, Pitch pitch)
{
    const QString used = familyInUse(family, pitch);
    if (family.isEmpty() || used.compare(family.trimmed(), Qt::CaseInsensitive) == 0)
        return family;
    return QStringLiteral("%1 (→ %2)").arg(family, used);
}

QStringList fixedPitchFamilies()
{
    return families(Pitch::Fixed);
}

QStringList variablePitchFamilies()
{
    return families(Pitch::Variable);
}

} // namespace fonts
