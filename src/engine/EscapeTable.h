#pragma once

#include <QChar>
#include <QtGlobal>

// Lengths of the printer escape sequences (ESC/P and the ESC/P2 "ESC (" family) that DOS
// programs put into their print files. The reader needs them to keep parameter bytes out of
// the text rules; the renderer needs them to know where a sequence ends.
namespace escape {
// The command byte and every parameter byte b of an escape sequence travel inside a
// record as the private-use character U+F000 + b, so no later text rule (form feed to
// "^N", CR removal, trimming, upper-casing, the end record) can touch them: ESC "E"
// followed by the text "OF" is bold and a word, never the end record, and ESC FF is a
// sequence, never a page break. The renderer reads them back.
inline constexpr char16_t ParameterBase = 0xF000;
inline bool isParameter(QChar c)
{
    return c.unicode() >= 0xF000 && c.unicode() <= 0xF0FF;
}
inline uchar parameterByte(QChar c)
{
    return uchar(c.unicode() - 0xF000);
}
// Number of parameter bytes that follow ESC and the command byte `command`, given the
// bytes after the command byte (`params`, `available` of them; the count may depend on
// them, e.g. nL nH of bit images and ESC ( sequences). May return more than `available`
// when the input is cut short; callers clamp. Unknown commands have no parameters.
qsizetype parameterLength(uchar command, const uchar* params, qsizetype available);
} // namespace escape
