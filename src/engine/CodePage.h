#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The DOS code pages print files arrive in. Only the upper half (0x80..0xFF) differs from
// ASCII; control codes (0x00..0x1F, 0x7F) map to themselves and never to the graphic
// symbols the code pages show for them on screen, because the renderer acts on them.
namespace codepage {

inline constexpr int Default = 437;

// 437 or 850; every other number (a typing error in the settings file) falls back to 437.
int normalized(int codePage);

// The 256 UTF-16 code units of the code page, indexed by byte.
const char16_t* table(int codePage);

inline QChar toUnicode(uchar byte, int codePage)
{
    return QChar(table(codePage)[byte]);
}
QString decode(QByteArrayView bytes, int codePage);

} // namespace codepage
