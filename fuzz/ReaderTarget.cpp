#include "FuzzTargets.h"

#include "engine/Canvas.h"
#include "engine/EscapeTable.h"
#include "engine/LineMeasurer.h"
#include "engine/PrintEngine.h"
#include "engine/PrintFileReader.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>

namespace {

struct Record
{
    QString text;
    QByteArray raw;
    qint64 offset = 0;
};

// Every record of the print file, read with the given step.
std::vector<Record> readAll(PrintFileReader& reader)
{
    std::vector<Record> records;
    PrintFileReader::Record record;
    while (reader.next(record) == PrintFileReader::Status::Record)
        records.push_back({record.text, record.raw.toByteArray(), record.offset});
    return records;
}

// What the renderer and the page filling rely on from the reader: one character per byte,
// no LF outside escape sequences, a sequence's command and parameters only right after its
// ESC, a tally no longer than the record.
void checkRecord(const QString& record, QByteArrayView raw)
{
    if (record.size() != raw.size())
        fuzz::fail("one character per byte");
    if (record.contains(QChar(u'\n')))
        fuzz::fail("no LF in a record");
    for (qsizetype c = 0; c < record.size(); ++c) {
        if (!escape::isParameter(record[c]) || (c > 0 && escape::isParameter(record[c - 1])))
            continue;
        if (c < 1 || record[c - 1] != QChar(0x1b))
            fuzz::fail("escape parameters only after ESC");
    }
    if (printableTally(record) > record.size())
        fuzz::fail("tally within the record");
}

// The record split sees the whole rest of the file, the decoder only the record: for every
// sequence of the input, each shorter view of its parameters must ask for more bytes than it
// holds, and each longer one must give the same length.
void checkSequenceLengths(QByteArrayView bytes)
{
    int sequences = 0;
    for (qsizetype at = bytes.indexOf('\x1b'); at >= 0 && at + 1 < bytes.size() && sequences < 64;
         at = bytes.indexOf('\x1b', at + 1), ++sequences) {
        const uchar command = uchar(bytes[at + 1]);
        const QByteArrayView params = bytes.sliced(at + 2).first(std::min<qsizetype>(bytes.size() - at - 2, 40));
        const auto lengthOf = [&](qsizetype cut) {
            return escape::parameterLength(command, reinterpret_cast<const uchar*>(params.data()), cut);
        };
        const qsizetype full = lengthOf(params.size());
        if (full > params.size())
            continue;
        for (qsizetype cut = 0; cut <= params.size(); ++cut) {
            const qsizetype length = lengthOf(cut);
            if (cut < full ? length <= cut : std::min(length, cut) != full)
                fuzz::fail("a sequence's length depends only on the bytes it needs");
        }
    }
}

// The records as an output draws them: measured for the document's scale, then line by
// line on pages of a few lines. The bitmap is small, so a run costs little, yet big
// enough that every item of a line lands on it.
void drawRecords(const std::vector<Record>& records)
{
    constexpr qint32 linesPerPage = 6;
    constexpr qint32 signPitch = 12;
    constexpr qint32 barCodePitch = 12;
    constexpr qint32 leftMargin = 1;
    QImage image(240, 96, QImage::Format_RGB32); // 10 x 4 inches at 24 dpi
    image.setDotsPerMeterX(945);
    image.setDotsPerMeterY(945);
    image.fill(Qt::white);

    Canvas dc(&image);
    LineMeasurer measurer(signPitch, leftMargin);
    for (const Record& record : records)
        measurer.add(record.text);
    dc.setWidestLineInches(measurer.widestInches());
    if (!beginDocument(dc, QStringLiteral("fuzz")))
        fuzz::fail("a bitmap always starts");

    QString fontName = QStringLiteral("Courier New");
    qint32 line = 1;
    for (size_t i = 0; i < records.size(); ++i) {
        const LineResult drawn = drawLine(dc, {line, linesPerPage, records[i].text, image.height(), signPitch,
                                               barCodePitch, fontName, leftMargin, i == 0});
        if (drawn.lastLine != line && drawn.lastLine != line + 1)
            fuzz::fail("a line takes its own band and at most the next");
        fontName = drawn.fontName;
        if (++line > linesPerPage)
            line = 1;
    }
    endDocument(dc);
}

} // namespace

int fuzzReader(const uint8_t* data, size_t size)
{
    fuzz::ensureGuiApplication();
    static QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkSequenceLengths(bytes);
    const QString file = folder.filePath(QStringLiteral("d.dat"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            fuzz::fail("the fuzz folder is writable");
    }
    for (int codePage : {437, 850}) {
        PrintFileReader inMemory(codePage);
        inMemory.openBytes(bytes);
        const std::vector<Record> records = readAll(inMemory);
        qsizetype rawTotal = 0;
        for (const Record& record : records) {
            rawTotal += record.raw.size();
            checkRecord(record.text, record.raw);
        }
        if (rawTotal > bytes.size())
            fuzz::fail("records within the file");
        // From the file a few bytes at a time, the window refilled and moved at every
        // record: the same records at the same offsets, and a seek comes back to each.
        PrintFileReader fromFile(codePage, 7);
        if (!fromFile.open(file))
            fuzz::fail("a regular file opens");
        const std::vector<Record> again = readAll(fromFile);
        if (again.size() != records.size())
            fuzz::fail("any step reads the same records");
        for (size_t i = 0; i < records.size(); ++i) {
            if (again[i].text != records[i].text || again[i].offset != records[i].offset)
                fuzz::fail("any step reads the same records");
        }
        if (!records.empty()) {
            const Record& middle = records[records.size() / 2];
            fromFile.seek(middle.offset);
            PrintFileReader::Record back;
            if (fromFile.next(back) != PrintFileReader::Status::Record || back.text != middle.text)
                fuzz::fail("a seek to a record's offset reads that record");
        }
        // The code pages differ only in printable characters; drawing one is enough.
        if (codePage == 437)
            drawRecords(records);
    }
    fuzz::idle();
    return 0;
}
