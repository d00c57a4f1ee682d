#include "EscapeTable.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

qsizetype lengthOf(uchar command, const QByteArray& params)
{
    return escape::parameterLength(command, reinterpret_cast<const uchar*>(params.constData()), params.size());
}

} // namespace

// Sequences whose length the parameters give.
TEST(EscapeTable, VariableParameterLengths)
{
    EXPECT_EQ(lengthOf('C', QByteArray("\0\x0b", 2)), 2) << "form length in inches";
    // Bit images: 8-dot one byte per column, 24-dot three, K/L/Y/Z one.
    EXPECT_EQ(lengthOf('*', QByteArray("\x01\x02\x01", 3)), 3 + 258);
    EXPECT_EQ(lengthOf('*', QByteArray("\x27\x02\x00", 3)), 3 + 6);
    EXPECT_EQ(lengthOf('K', QByteArray("\x05\x00", 2)), 2 + 5);
    EXPECT_EQ(lengthOf('(', QByteArray("B\x03\x00", 3)), 3 + 3);
    // Tab stops end at NUL; 10 and 13 are columns.
    EXPECT_EQ(lengthOf('D', QByteArray("\x0a\x0d\0xyz", 6)), 3);
    EXPECT_EQ(lengthOf('B', QByteArray(40, '\x05')), 16);
    // User-defined characters 'A'..'B', 2 and 1 columns wide.
    EXPECT_EQ(lengthOf('&', QByteArray("\0AB\0\x02\0abcdef\0\x01\0ghi", 18)), 18);
    // Run-length raster: 1 row of 24 dots = 3 bytes: a run of 2 and one literal byte.
    EXPECT_EQ(lengthOf('.', QByteArray("\x01\x0a\x0a\x01\x18\x00\xff\x55\x00\xaa", 10)), 10);
    EXPECT_EQ(lengthOf('.', QByteArray("\x00\x0a\x0a\x02\x10\x00", 6)), 6 + 4);
    // Cut short: more than is there.
    EXPECT_GT(lengthOf('*', "\x21"), 1);
    EXPECT_GT(lengthOf('D', "\x05\x06"), 2);
    EXPECT_GT(lengthOf('&', QByteArray("\0AB\0\x02", 5)), 5);
}

// The record split sees the whole rest of the file, the decoder only the record: both must
// find the same end for every sequence that fits.
TEST(EscapeTable, LengthDependsOnlyOnTheBytesItNeeds)
{
    const QByteArray commands = "!-3CK*^(DBb&.$:X@Ex";
    QRandomGenerator random(4711);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes(int(random.bounded(40)), Qt::Uninitialized);
        for (char& b : bytes)
            b = char(random.bounded(round % 2 ? 4 : 256));
        const uchar command = uchar(commands[int(random.bounded(commands.size()))]);
        const qsizetype full = lengthOf(command, bytes);
        if (full > bytes.size())
            continue;
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            const qsizetype length = lengthOf(command, bytes.left(cut));
            if (cut < full)
                EXPECT_GT(length, cut) << int(command) << ' ' << bytes.toHex().constData() << ' ' << cut;
            else
                EXPECT_EQ(std::min(length, cut), full)
                    << int(command) << ' ' << bytes.toHex().constData() << ' ' << cut;
        }
    }
}
