// The print-file reader: when a file is complete, and the records it hands on.

#include "PrintFile.h"
#include "CodePage.h"
#include "EscapeCodes.h"
#include "EscapeTable.h"
#include "TempFolders.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString Esc(QChar(0x1b));

// Writes `bytes` as a finished print file (or the named test data file) and opens it.
int openPrintFile(const TempFolders& folders, const QByteArray& bytes)
{
    return OPENDAT(TempFolders::writeAged(folders.printFile(), bytes));
}

int openTestData(const TempFolders& folders, const QString& name)
{
    QFile file(testDataPath(name));
    return file.open(QIODevice::ReadOnly) ? openPrintFile(folders, file.readAll()) : -2;
}

// ESC, its command and parameters as the reader encodes them.
QString seq(char command, std::initializer_list<int> params = {})
{
    QString s = Esc + param(uchar(command));
    for (int p : params)
        s += param(uchar(p));
    return s;
}

// Every record up to the end record (at most 10000, so a reader that never ends fails
// instead of hanging).
QStringList readRecords()
{
    QStringList records;
    for (QString record = GETRECORD(); record != endRecord() && records.size() < 10000; record = GETRECORD())
        records << record;
    return records;
}

} // namespace

// A writer that keeps the file open is shown by Polling.AWriterThatPausesWithTheFileOpen...;
// here the quiet time after the last change.
TEST(ReaderOpen, FileStillBeingWrittenWaitsForQuietTime)
{
    TempFolders folders;
    QElapsedTimer sinceWritten;
    sinceWritten.start();
    const QString path = TempFolders::writeFile(folders.printFile(), "Seite 1\r\n");
    EXPECT_EQ(OPENDAT(path), -1);
    int opened = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (opened = OPENDAT(path)) != -1; }, 5000));
    EXPECT_EQ(opened, 1);
    EXPECT_GE(sinceWritten.elapsed(), 290);
    EXPECT_EQ(readRecords(), QStringList{u"Seite 1"_s});
    // A time stamp in the future does not block for ever.
    TempFolders::writeAged(path, "x\r\n", -3600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return OPENDAT(path) == 1; }, 5000));
}

// The locks DOS emulators take on a file they write: an fcntl record lock or an exclusive
// flock; a shared flock is a reader and does not count.
TEST(ReaderOpen, WriterLockMeansStillWriting)
{
    TempFolders folders;
    const QString path = TempFolders::writeAged(folders.printFile(), "x\r\n");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
    EXPECT_EQ(OPENDAT(path), -1);
    lock.l_type = F_UNLCK;
    ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(OPENDAT(path), -1);
    ::close(fd);
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_EQ(flock(reader, LOCK_SH), 0);
    EXPECT_EQ(OPENDAT(path), 1);
    ::close(reader);
    EXPECT_EQ(readRecords(), QStringList{u"x"_s});
}

TEST(ReaderRecords, LineEndsFormFeedsAndEndRecordAlsoOfEmptyAndMissingFiles)
{
    TempFolders folders;
    ASSERT_EQ(openPrintFile(folders, "eins\r\nzwei\rdrueber\n\fdrei\n\n"_ba + QByteArray("vi\0er", 5) + "\r\nletzte"),
              1);
    const QStringList expected{u"eins"_s, u"zwei\rdrueber"_s,   u"\fdrei"_s,
                               QString(), QString(u"vi\0er"_s), u"letzte"_s};
    EXPECT_EQ(readRecords(), expected);
    // After the last record the end record comes again and again.
    EXPECT_EQ(GETRECORD(), endRecord());
    EXPECT_EQ(GETRECORD(), endRecord());
    FILERESET();
    EXPECT_EQ(readRecords(), expected);
    CLOSEDAT();
    EXPECT_EQ(GETRECORD(), endRecord());

    // No empty record after the final line end or a DOS end of file, which is text inside.
    ASSERT_EQ(openPrintFile(folders, "a\r\nb\r\n"), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"a"_s, u"b"_s}));
    ASSERT_EQ(openPrintFile(folders, "a\r\nb"_ba + '\x1a' + "c\r\n\x1a"), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"a"_s, u"b"_s + QChar(0x1a) + u"c"_s}));

    // An empty file, or one of a DOS end of file alone, holds no job; a missing one cannot
    // be opened. Either way only the end record comes.
    EXPECT_EQ(openPrintFile(folders, "\x1a"), 0);
    EXPECT_EQ(GETRECORD(), endRecord());
    EXPECT_EQ(openPrintFile(folders, QByteArray()), 0);
    EXPECT_EQ(OPENDAT(folders.appData() + u"/fehlt.dat"_s), -1);
    EXPECT_EQ(GETRECORD(), endRecord());

    // Control codes stay codes (437 would show some as symbols); the renderer needs them.
    ASSERT_EQ(openPrintFile(folders, QByteArray("\x00\x01\x0e\x0f\x12\x14\x7f\x0c", 8)), 1);
    EXPECT_EQ(readRecords(), QStringList{QString(u"\0\x01\x0e\x0f\x12\x14\x7f\x0c"_s)});
}

TEST(ReaderRecords, EscapeParametersNeverBreakRecords)
{
    TempFolders folders;
    ASSERT_EQ(openTestData(folders, u"escape-samples.dat"_s), 1);
    EXPECT_EQ(
        readRecords(),
        (QStringList{seq('@') + seq('3', {0x0a}) + u"Zeile 1"_s, seq('C', {0x0c}) + seq('J', {0x0d}) + u"Zeile 2"_s,
                     seq('*', {0x21, 2, 0, 0x0a, 0x0d, 0x0c, 0x0a, 0x0d, 0x0c}) + u"Bild"_s,
                     seq('(', {'B', 5, 0, 0x0a, 0x0d, 0x0c, 0, 1}) + u"Code"_s,
                     seq('D', {0x0a, 0x0d, 0x14, 0}) + u"\tTab"_s, seq('E') + u"Fett"_s + seq('F')}));

    // ESC 3 with parameter CR directly before the line's LF: the CR belongs to the sequence.
    // A stray ESC at the line end takes no command, so CR LF still ends the record.
    ASSERT_EQ(openPrintFile(folders, "\x1b"
                                     "3\r\nab\x1b\r\ncd\x1b\x1b"
                                     "E\n"),
              1);
    EXPECT_EQ(readRecords(), (QStringList{seq('3', {'\r'}), u"ab"_s + Esc, u"cd"_s + Esc + seq('E')}));
}

TEST(ReaderRecords, CodePage437BoxDrawingAndUmlautsOr850FromTheSettings)
{
    TempFolders folders;
    ASSERT_EQ(openTestData(folders, u"cp437-box.dat"_s), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"╔════════╤═══════╗"_s, u"║ Müller │ Größe ║"_s, u"╟────────┼───────╢"_s,
                                          u"║ Ärger  │ Übel  ║"_s, u"╚════════╧═══════╝"_s}));
    for (const auto& [page, text] : {std::pair{u"850"_s, u"øðÁßäöü"_s}, {u"1252"_s, u"¢╨╡ßäöü"_s}}) {
        folders.setSetting(u"Pserver"_s, u"CodePage"_s, page); // anything but 850 is 437
        ASSERT_EQ(openTestData(folders, u"cp850-differs.dat"_s), 1);
        EXPECT_EQ(readRecords(), QStringList{text}) << page.toStdString();
    }
}

// The tally decides the landscape turn: printable characters only.
TEST(ReaderRecords, SignTallyCountsPrintableCharactersOnly)
{
    EXPECT_EQ(GETSIGNTALLY(u"Hallo Welt"_s), 10);
    EXPECT_EQ(GETSIGNTALLY(Esc + u"E"_s + u"Fett"_s + Esc + u"F"_s), 4);
    EXPECT_EQ(GETSIGNTALLY(Esc + u"W"_s + param(1) + u"ÄÖ"_s + Esc + u"("_s + param('B') + param(2) + param(0) +
                           param('4') + param('2') + u"\f\t\r\x7f"_s + param('x')),
              2);
    EXPECT_EQ(GETSIGNTALLY(Esc), 0);
    EXPECT_EQ(GETSIGNTALLY(Esc + Esc + u"Ex"_s), 1);
    EXPECT_EQ(GETSIGNTALLY(QString(139, u'─')), 139);
}

// A tab list without its NUL ends after 32 stops; the rest is text again. (The other broken
// inputs are replayed with the reader's invariants by FuzzSeeds.reader.)
TEST(ReaderRecords, AnEndlessTabListEndsAfter32Stops)
{
    TempFolders folders;
    ASSERT_EQ(openTestData(folders, u"broken-tab-list.dat"_s), 1);
    const QStringList records = readRecords();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].size(), 2 + 39);
    EXPECT_TRUE(escape::isParameter(records[0][33]));
    EXPECT_EQ(records[0][34], QChar(33));
    EXPECT_EQ(records[1], u"nach"_s);
}
