#include "support/PdfTools.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

const QString Tool = QStringLiteral(DRUCKSERVER_BINARY_DIR "/druckserver-pdf");

// `pages` pages of `lines` CP437 lines ("Seite p Zeile l" with umlauts and a box),
// each page ended by a form feed.
QString writePrintFile(const QString& path, int pages, int lines)
{
    QByteArray bytes;
    for (int p = 1; p <= pages; ++p, bytes += "\f\r\n")
        for (int l = 1; l <= lines; ++l)
            bytes += "Seite " + QByteArray::number(p) + " Zeile " + QByteArray::number(l) +
                     " Gr\x94\xe1"
                     "e \x81"
                     "ber \xc9\xcd\xbb\r\n";
    return TempFolders::writeFile(path, bytes);
}

} // namespace

// The tool prints as the server does: pages cut at form feeds, the default security, a
// settings file of its own, and a line longer than any page (a text file without line
// ends) clipped at the page's edge, its glyphs beyond costing neither time nor size.
TEST(PdfTool, ConvertsAPrintFileWithTheGivenSettings)
{
    TempFolders dirs;
    const QString printFile = writePrintFile(dirs.root() + "/liste.dat", 3, 12);
    const QString pdf = dirs.root() + "/liste.pdf";

    const pdftools::ToolResult result = pdftools::run(Tool, {printFile, pdf});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString info = pdftools::info(pdf).out;
    EXPECT_EQ(pdftools::infoValue(info, "Pages"), "3");
    EXPECT_EQ(pdftools::infoValue(info, "Page size"), "595 x 842 pts (A4)");
    EXPECT_TRUE(pdftools::infoValue(info, "Encrypted").startsWith("yes (print:yes copy:no")) << "default: code 3";
    const QStringList pages = pdftools::text(pdf).out.split(u'\f');
    ASSERT_GE(pages.size(), 3);
    // Box-drawing characters are drawn as lines, not as text.
    EXPECT_TRUE(pages[1].contains("Seite 2 Zeile 4 Größe über")) << pages[1].toStdString();
    EXPECT_FALSE(pages[0].contains("Seite 2")) << "each form feed ends a page";
    EXPECT_TRUE(QFileInfo::exists(printFile)) << "the print file is left in place";

    // A settings file of its own: ten lines a page and no permissions.
    const QString ini = TempFolders::writeFile(dirs.root() + "/eigen.ini", "[Pserver]\nLinesPerPage=10\nPdfPrint=0\n");
    const QString small = dirs.root() + "/klein.pdf";
    ASSERT_EQ(pdftools::run(Tool, {printFile, small, ini}).exitCode, 0);
    const QString smallInfo = pdftools::info(small).out;
    EXPECT_EQ(pdftools::infoValue(smallInfo, "Encrypted"), "no");
    EXPECT_EQ(pdftools::infoValue(smallInfo, "Pages"), "6") << "12 lines on 10-line pages";

    QByteArray line(2 << 20, Qt::Uninitialized);
    QRandomGenerator letters(4711); // text that does not pack away
    for (char& c : line)
        c = char('a' + letters.bounded(26));
    const QString longFile = TempFolders::writeFile(dirs.root() + "/lang.dat", "Kopfzeile\r\n" + line + "\r\n");
    const QString longPdf = dirs.root() + "/lang.pdf";
    ASSERT_EQ(pdftools::run(Tool, {longFile, longPdf}).exitCode, 0);
    EXPECT_LT(QFileInfo(longPdf).size(), 200 * 1024);
    const QString text = pdftools::text(longPdf).out.simplified();
    EXPECT_TRUE(text.startsWith("Kopfzeile"));
    EXPECT_GT(text.size(), 100);
    EXPECT_LT(text.size(), 1000);
}

TEST(PdfTool, FailsWithAGermanMessageAndLeavesNothingBehind)
{
    TempFolders dirs;
    const QString printFile = writePrintFile(dirs.root() + "/a.dat", 1, 2);
    // A missing print file, a PDF folder that is not there (which folders can take a PDF
    // is the component's), no PDF named at all.
    const QString missingFolder = dirs.root() + "/nicht/da";
    const std::pair<QStringList, QStringList> cases[] = {
        {{dirs.root() + "/fehlt.dat", dirs.root() + "/x.pdf"}, {"Die Druckdatei", "fehlt.dat"}},
        {{printFile, missingFolder + "/x.pdf"}, {missingFolder}},
        {{printFile}, {"Aufruf: druckserver-pdf"}}};
    for (const auto& [args, said] : cases) {
        const pdftools::ToolResult result = pdftools::run(Tool, args);
        EXPECT_EQ(result.exitCode, 1);
        for (const QString& part : said)
            EXPECT_TRUE(result.err.contains(part)) << result.err.toStdString();
    }
    EXPECT_EQ(QDir(dirs.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.dat"});
}
