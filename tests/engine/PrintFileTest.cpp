// The print-file reader: the records it hands on, straight from the file.

#include "engine/CodePage.h"
#include "engine/EscapeTable.h"
#include "engine/PrintFileReader.h"
#include "support/EscapeCodes.h"
#include "support/TempFolders.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString Esc(QChar(0x1b));

// Every record of the bytes, read from a file with the given code page (at most 10000, so
// a reader that never ends fails instead of hanging).
QStringList recordsOf(const QByteArray& bytes, int codePage = 437)
{
    TempFolders folders;
    PrintFileReader reader(codePage);
    if (!reader.open(TempFolders::writeFile(folders.printFile(), bytes)))
        return {u"(not opened)"_s};
    QStringList records;
    PrintFileReader::Record record;
    while (records.size() < 10000 && reader.next(record) == PrintFileReader::Status::Record)
        records << record.text;
    return records;
}

QStringList recordsOfTestData(const QString& name, int codePage = 437)
{
    QFile file(testDataPath(name));
    return file.open(QIODevice::ReadOnly) ? recordsOf(file.readAll(), codePage) : QStringList{u"(missing)"_s};
}

// ESC, its command and parameters as the reader encodes them.
QString seq(char command, std::initializer_list<int> params = {})
{
    QString s = Esc + param(uchar(command));
    for (int p : params)
        s += param(uchar(p));
    return s;
}

} // namespace

TEST(ReaderRecords, LineEndsFormFeedsAndTheEndOfTheFile)
{
    EXPECT_EQ(recordsOf("eins\r\nzwei\rdrueber\n\fdrei\n\n"_ba + QByteArray("vi\0er", 5) + "\r\nletzte"),
              (QStringList{u"eins"_s, u"zwei\rdrueber"_s, u"\fdrei"_s, QString(), QString(u"vi\0er"_s), u"letzte"_s}));
    // No empty record after the final line end or a DOS end of file, which is text inside.
    EXPECT_EQ(recordsOf("a\r\nb\r\n"), (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(recordsOf("a\r\nb"_ba + '\x1a' + "c\r\n\x1a"), (QStringList{u"a"_s, u"b"_s + QChar(0x1a) + u"c"_s}));
    // An empty file, or one of a DOS end of file alone, holds no record.
    EXPECT_TRUE(recordsOf("\x1a").isEmpty());
    EXPECT_TRUE(recordsOf(QByteArray()).isEmpty());
    // Control codes stay codes (437 would show some as symbols); the renderer needs them.
    EXPECT_EQ(recordsOf(QByteArray("\x00\x01\x0e\x0f\x12\x14\x7f\x0c", 8)),
              QStringList{QString(u"\0\x01\x0e\x0f\x12\x14\x7f\x0c"_s)});
}

// Only a regular file is a print file, and it is not reached through a link: a FIFO would
// block every read, a link named like a print file could hand over any file.
TEST(ReaderRecords, OnlyARegularFileThatIsNoLinkOpens)
{
    TempFolders folders;
    const QString fifo = folders.appData() + u"/fifo.dat"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString target = TempFolders::writeFile(folders.root() + u"/geheim.txt"_s, "geheim\r\n");
    const QString link = folders.appData() + u"/link.dat"_s;
    ASSERT_TRUE(QFile::link(target, link));
    PrintFileReader reader;
    for (const QString& path : {fifo, link, folders.appData(), folders.appData() + u"/fehlt.dat"_s})
        EXPECT_FALSE(reader.open(path)) << path.toStdString();
}

// A line too long for printer output ends the reading instead of the memory.
TEST(ReaderRecords, ARecordBeyondTheLongestIsRefused)
{
    TempFolders folders;
    PrintFileReader reader(437, 4096);
    ASSERT_TRUE(reader.open(TempFolders::writeFile(folders.printFile(),
                                                   "kurz\r\n" + QByteArray(PrintFileReader::LongestRecord + 10, 'x'))));
    PrintFileReader::Record record;
    EXPECT_EQ(reader.next(record), PrintFileReader::Status::Record);
    EXPECT_EQ(reader.next(record), PrintFileReader::Status::TooLong);
}

TEST(ReaderRecords, EscapeParametersNeverBreakRecords)
{
    EXPECT_EQ(
        recordsOfTestData(u"escape-samples.dat"_s),
        (QStringList{seq('@') + seq('3', {0x0a}) + u"Zeile 1"_s, seq('C', {0x0c}) + seq('J', {0x0d}) + u"Zeile 2"_s,
                     seq('*', {0x21, 2, 0, 0x0a, 0x0d, 0x0c, 0x0a, 0x0d, 0x0c}) + u"Bild"_s,
                     seq('(', {'B', 5, 0, 0x0a, 0x0d, 0x0c, 0, 1}) + u"Code"_s,
                     seq('D', {0x0a, 0x0d, 0x14, 0}) + u"\tTab"_s, seq('E') + u"Fett"_s + seq('F')}));

    // ESC 3 with parameter CR directly before the line's LF: the CR belongs to the sequence.
    // A stray ESC at the line end takes no command, so CR LF still ends the record.
    EXPECT_EQ(recordsOf("\x1b"
                        "3\r\nab\x1b\r\ncd\x1b\x1b"
                        "E\n"),
              (QStringList{seq('3', {'\r'}), u"ab"_s + Esc, u"cd"_s + Esc + seq('E')}));
}

TEST(ReaderRecords, CodePage437BoxDrawingAndUmlautsOr850)
{
    EXPECT_EQ(recordsOfTestData(u"cp437-box.dat"_s),
              (QStringList{u"╔════════╤═══════╗"_s, u"║ Müller │ Größe ║"_s, u"╟────────┼───────╢"_s,
                           u"║ Ärger  │ Übel  ║"_s, u"╚════════╧═══════╝"_s}));
    for (const auto& [page, text] : {std::pair{850, u"øðÁßäöü"_s}, {1252, u"¢╨╡ßäöü"_s}}) // anything but 850 is 437
        EXPECT_EQ(recordsOfTestData(u"cp850-differs.dat"_s, page), QStringList{text}) << page;
}

// The tally decides the landscape turn: printable characters only.
TEST(ReaderRecords, SignTallyCountsPrintableCharactersOnly)
{
    EXPECT_EQ(printableTally(u"Hallo Welt"_s), 10);
    EXPECT_EQ(printableTally(Esc + u"E"_s + u"Fett"_s + Esc + u"F"_s), 4);
    EXPECT_EQ(printableTally(Esc + u"W"_s + param(1) + u"ÄÖ"_s + Esc + u"("_s + param('B') + param(2) + param(0) +
                             param('4') + param('2') + u"\f\t\r\x7f"_s + param('x')),
              2);
    EXPECT_EQ(printableTally(Esc), 0);
    EXPECT_EQ(printableTally(Esc + Esc + u"Ex"_s), 1);
    EXPECT_EQ(printableTally(QString(139, u'─')), 139);
}

// A tab list without its NUL ends after 32 stops; the rest is text again. (The other broken
// inputs are replayed with the reader's invariants by FuzzSeeds.reader.)
TEST(ReaderRecords, AnEndlessTabListEndsAfter32Stops)
{
    const QStringList records = recordsOfTestData(u"broken-tab-list.dat"_s);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].size(), 2 + 39);
    EXPECT_TRUE(escape::isParameter(records[0][33]));
    EXPECT_EQ(records[0][34], QChar(33));
    EXPECT_EQ(records[1], u"nach"_s);
}
