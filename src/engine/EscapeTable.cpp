#include "engine/EscapeTable.h"

#include <array>
#include <string_view>

// Parameter bytes after ESC and its command byte. n = nL + 256 * nH.
//
//   none    @ E F G H 4 5 M P g T O 0 1 2 6 7 8 9 < # = > SI SO DC2 DC4, and every unknown command
//   1       ! - + / 3 A I J N Q R S U W a h i j k l m p q r s t w x % SP EM
//   2       $ \ ? c e f                          (ESC $ / ESC \ position nL nH; ESC e, f m n)
//   3       : X                                  (ESC : NUL n m; ESC X m nL nH)
//   C       1, or 2 when the first is NUL        (ESC C n lines, ESC C NUL n inches)
//   K L Y Z 2 + n                                (bit image nL nH, one byte per column)
//   *       3 + n * k with k by mode m           (m < 32: 1, 32..63: 3 (24 dot), 64 and up: 6 (48 dot))
//   ^       3 + 2 * n                            (9-dot image m nL nH, two bytes per column)
//   (       3 + n                                (ESC ( x nL nH data: ESC/P2 family, bar codes ESC ( B)
//   D       tab stops up to NUL, at most 32      (a stop of 10 or 13 is a column, not a line end)
//   B       tab stops up to NUL, at most 16
//   b       channel, then as B
//   &       NUL n m, then per character a0 a1 a2 and 3 * a1 bytes (24-pin layout, a1 = columns)
//   .       c v h m nL nH, then the raster data: uncompressed (c 0) m * ceil(n / 8) bytes,
//           run-length (c 1) the runs that make up as many bytes; other modes only the header
//
// Lengths that depend on bytes not yet available answer with at least one more than is
// available, so the caller sees the sequence as cut short. Clamped to what is available,
// the answer for any slice that still holds the whole sequence is the same: the record
// split (which sees the rest of the file) and the decoder (which sees one record) agree.

namespace {

// The commands with a fixed number of parameters; 0 for the others.
constexpr std::array<uchar, 256> FixedLengths = [] {
    std::array<uchar, 256> lengths{};
    for (char command : std::string_view("!-+/3AIJNQRSUWahijklmpqrstwx% \x19"))
        lengths[uchar(command)] = 1;
    for (char command : std::string_view("$\\?cef"))
        lengths[uchar(command)] = 2;
    for (char command : std::string_view(":X"))
        lengths[uchar(command)] = 3;
    return lengths;
}();

qsizetype word(const uchar* p)
{
    return qsizetype(p[0]) + 256 * qsizetype(p[1]);
}

// A list of values ended by NUL, of at most `maxValues` values, starting at `first`.
// After `maxValues` values the list ends even without its NUL.
qsizetype nulTerminatedList(const uchar* params, qsizetype available, qsizetype first, int maxValues)
{
    qsizetype i = first;
    for (int values = 0; values <= maxValues; ++values, ++i) {
        if (i >= available)
            return i + 1;
        if (params[i] == 0)
            return i + 1;
        if (values == maxValues)
            return i;
    }
    return i;
}

qsizetype bitImage(const uchar* params, qsizetype available)
{
    if (available < 3)
        return 3;
    const uchar mode = params[0];
    const qsizetype bytesPerColumn = mode < 32 ? 1 : mode < 64 ? 3 : 6;
    return 3 + word(params + 1) * bytesPerColumn;
}

qsizetype userDefinedCharacters(const uchar* params, qsizetype available)
{
    if (available < 3)
        return 3;
    const int first = params[1];
    const int last = params[2];
    qsizetype pos = 3;
    for (int c = first; c <= last; ++c) {
        if (pos + 3 > available)
            return pos + 3;
        pos += 3 + 3 * qsizetype(params[pos + 1]);
    }
    return pos;
}

qsizetype rasterGraphics(const uchar* params, qsizetype available)
{
    if (available < 6)
        return 6;
    const uchar compression = params[0];
    const qsizetype rows = params[3];
    const qsizetype bytes = rows * ((word(params + 4) + 7) / 8);
    if (compression == 0)
        return 6 + bytes;
    if (compression != 1)
        return 6;
    qsizetype pos = 6;
    qsizetype produced = 0;
    while (produced < bytes) {
        if (pos >= available)
            return pos + 1;
        const uchar counter = params[pos];
        if (counter < 128) {
            pos += 1 + (counter + 1);
            produced += counter + 1;
        } else {
            pos += 2;
            produced += 257 - counter;
        }
    }
    return pos;
}

} // namespace

namespace escape {

qsizetype parameterLength(uchar command, const uchar* params, qsizetype available)
{
    if (const int fixed = FixedLengths[command])
        return fixed;
    switch (command) {
    case 'C':
        return available >= 1 && params[0] == 0 ? 2 : 1;
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        return available < 2 ? 2 : 2 + word(params);
    case '*':
        return bitImage(params, available);
    case '^':
        return available < 3 ? 3 : 3 + 2 * word(params + 1);
    case '(':
        return available < 3 ? 3 : 3 + word(params + 1);
    case 'D':
        return nulTerminatedList(params, available, 0, 32);
    case 'B':
        return nulTerminatedList(params, available, 0, 16);
    case 'b':
        return available < 1 ? 2 : nulTerminatedList(params, available, 1, 16);
    case '&':
        return userDefinedCharacters(params, available);
    case '.':
        return rasterGraphics(params, available);
    default:
        return 0;
    }
}

} // namespace escape
