#include "platform/ApplicationIcon.h"

QIcon applicationIcon()
{
    return QIcon::fromTheme(QStringLiteral("druckserver"), QIcon(QStringLiteral(":/druckserver/druckserver.svg")));
}
