#include "ReaderTestFiles.h"

#include "CodePage.h"
#include "EscapeTable.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
const QByteArray Esc("\x1b");
}

TEST(ReaderRecords, LineEndsFormFeedsAndEndRecord)
{
    TempFolders folders;
    ASSERT_EQ(openPrintFile(folders, "eins\r\nzwei\rdrueber\n\fdrei\n\n"_ba + QByteArray("vi\0er", 5) + "\r\nletzte"),
              1);
    const QStringList expected{u"eins"_s, u"zwei\rdrueber"_s,   u"\fdrei"_s,
                               QString(), QString(u"vi\0er"_s), u"letzte"_s};
    EXPECT_EQ(readRecords(), expected);
    // After the last record the end record comes again and again.
    EXPECT_EQ(GETRECORD(), endRecord());
    EXPECT_EQ(GETRECORD(), QChar(0x1b) + u"EOF"_s);

    FILERESET();
    EXPECT_EQ(GETRECORD(), u"eins"_s);
    FILERESET();
    EXPECT_EQ(readRecords(), expected);
    CLOSEDAT();
    EXPECT_EQ(GETRECORD(), endRecord());

    // No empty record after the final line end or a DOS end of file, which is text inside.
    ASSERT_EQ(openPrintFile(folders, "a\r\nb\r\n"), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"a"_s, u"b"_s}));
    ASSERT_EQ(openPrintFile(folders, "a\r\nb"_ba + '\x1a' + "c\r\n\x1a"), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"a"_s, u"b"_s + QChar(0x1a) + u"c"_s}));

    // Control codes stay codes (437 would show some as symbols); the renderer needs them.
    ASSERT_EQ(openPrintFile(folders, QByteArray("\x00\x01\x0e\x0f\x12\x14\x7f\x0c", 8)), 1);
    EXPECT_EQ(readRecords(), QStringList{QString(u"\0\x01\x0e\x0f\x12\x14\x7f\x0c"_s)});
}

TEST(ReaderRecords, EscapeParametersNeverBreakRecords)
{
    TempFolders folders;
    ASSERT_EQ(openTestData(folders, u"escape-samples.dat"_s), 1);
    const QString esc(QChar(0x1b));
    const QStringList records = readRecords();
    ASSERT_EQ(records.size(), 6);
    EXPECT_EQ(records[0], esc + param('@') + esc + param('3') + param(0x0a) + u"Zeile 1"_s);
    EXPECT_EQ(records[1], esc + param('C') + param(0x0c) + esc + param('J') + param(0x0d) + u"Zeile 2"_s);
    EXPECT_EQ(records[2], esc + param('*') + param(0x21) + param(2) + param(0) + param(0x0a) + param(0x0d) +
                              param(0x0c) + param(0x0a) + param(0x0d) + param(0x0c) + u"Bild"_s);
    EXPECT_EQ(records[3], esc + param('(') + param('B') + param(5) + param(0) + param(0x0a) + param(0x0d) +
                              param(0x0c) + param(0) + param(1) + u"Code"_s);
    EXPECT_EQ(records[4], esc + param('D') + param(0x0a) + param(0x0d) + param(0x14) + param(0) + u"\tTab"_s);
    EXPECT_EQ(records[5], esc + param('E') + u"Fett"_s + esc + param('F'));
}

TEST(ReaderRecords, ParameterCrBeforeLfStaysAndStrayEscapeKeepsLineEnd)
{
    TempFolders folders;
    // ESC 3 with parameter CR directly before the line's LF: the CR belongs to the sequence.
    // A stray ESC at the line end takes no command, so CR LF still ends the record.
    ASSERT_EQ(openPrintFile(folders, Esc + "3\r\nab" + Esc + "\r\ncd" + Esc + Esc + "E\n"), 1);
    const QString esc(QChar(0x1b));
    EXPECT_EQ(readRecords(),
              (QStringList{esc + param('3') + param('\r'), u"ab"_s + esc, u"cd"_s + esc + esc + param('E')}));
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

TEST(ReaderRecords, SignTallyCountsPrintableCharactersOnly)
{
    const QString esc(QChar(0x1b));
    EXPECT_EQ(GETSIGNTALLY(u"Hallo Welt"_s), 10);
    EXPECT_EQ(GETSIGNTALLY(esc + u"E"_s + u"Fett"_s + esc + u"F"_s), 4);
    EXPECT_EQ(GETSIGNTALLY(esc + u"W"_s + param(1) + u"ÄÖ"_s + esc + u"("_s + param('B') + param(2) + param(0) +
                           param('4') + param('2') + u"\f\t\r\x7f"_s + param('x')),
              2);
    EXPECT_EQ(GETSIGNTALLY(esc), 0);
    EXPECT_EQ(GETSIGNTALLY(esc + esc + u"Ex"_s), 1);
    EXPECT_EQ(GETSIGNTALLY(QString(139, u'─')), 139);

    // The tally of a record as read: 80 columns of box drawing and text, plus escape codes.
    TempFolders folders;
    ASSERT_EQ(openPrintFile(folders, Esc + "C\x0c" + Esc + "E" + QByteArray(80, '\xc4') + Esc + "F\r\n"), 1);
    EXPECT_EQ(GETSIGNTALLY(GETRECORD()), 80);
}

TEST(ReaderRecords, BrokenInputEndsCleanly)
{
    TempFolders folders;
    const QString esc(QChar(0x1b));
    // A bit image announced with 100 columns but cut after three bytes.
    ASSERT_EQ(openTestData(folders, u"broken-truncated-image.dat"_s), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"Zeile"_s, esc + param('*') + param(0x21) + param(0x64) + param(0) +
                                                          param('a') + param('b') + param('c')}));
    ASSERT_EQ(openTestData(folders, u"broken-escape-at-end.dat"_s), 1);
    EXPECT_EQ(readRecords(), (QStringList{u"Text"_s, esc}));
    // A tab list without its NUL ends after 32 stops; the rest is text again.
    ASSERT_EQ(openTestData(folders, u"broken-tab-list.dat"_s), 1);
    const QStringList records = readRecords();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].size(), 2 + 39);
    EXPECT_TRUE(escape::isParameter(records[0][33]));
    EXPECT_EQ(records[0][34], QChar(33));
    EXPECT_EQ(records[1], u"nach"_s);
}

TEST(CodePage, BothPagesRoundTripAndKeepControlCodes)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    for (int page : {437, 850}) {
        const QString text = codepage::decode(all, page);
        EXPECT_EQ(codepage::encode(text, page), all) << page;
        EXPECT_EQ(text.left(0x80), QString::fromLatin1(all.left(0x80))) << page;
    }
    EXPECT_EQ(codepage::decode("\x84\x94\x81\x8e\x99\x9a\xe1", 437), u"äöüÄÖÜß"_s);
    EXPECT_EQ(codepage::decode("\x84\xe1\xc9\xb5\xe4\xd5\x9b", 850), u"äß╔Áõıø"_s);
    EXPECT_EQ(codepage::encode(u"€ä"_s, 437), "?\x84");
}
