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

// Lengths computed from the parameters (24-dot images, ESC ( B, C and D: ReaderRecords;
// sequences cut short: LengthDependsOnlyOnTheBytesItNeeds).
TEST(EscapeTable, ComputedParameterLengths)
{
    const std::pair<QByteArray, qsizetype> cases[] = {
        {QByteArray("*\x01\x02\x01", 4), 3 + 258}, // 8-dot bit image: a byte a column
        {QByteArray("K\x05\x00", 3), 2 + 5},
        {QByteArray("&\0AB\0\x02\0abcdef\0\x01\0ghi", 19), 18}, // characters 'A'..'B', 2 and 1 columns
        // Run-length raster: 1 row of 24 dots = 3 bytes: a run of 2 and one literal byte.
        {QByteArray(".\x01\x0a\x0a\x01\x18\x00\xff\x55\x00\xaa", 11), 10},
        {QByteArray(".\x00\x0a\x0a\x02\x10\x00", 7), 6 + 4},
    };
    for (const auto& [bytes, length] : cases)
        EXPECT_EQ(lengthOf(uchar(bytes[0]), bytes.mid(1)), length) << bytes.toHex().constData();
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
