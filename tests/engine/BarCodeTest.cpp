// Bar codes of ESC ( B must scan: every page is checked with a real decoder (zbarimg).

#include "engine/BarCode.h"
#include "RenderTestSupport.h"
#include "support/PdfTools.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

// What zbarimg reads from the page, one "TYPE:data" line per symbol, sorted.
QStringList scan(const QImage& image)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.png"));
    image.save(file);
    const pdftools::ToolResult zbar = pdftools::run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), file});
    EXPECT_GE(zbar.exitCode, 0) << "zbarimg did not run";
    QStringList found = zbar.out.split(u'\n', Qt::SkipEmptyParts);
    found.sort();
    return found;
}

// One bar code per line group, after a label and with blank lines below.
QStringList barCodePage(const QStringList& codes)
{
    QStringList lines;
    for (const QString& code : codes)
        lines << QStringLiteral("Code  ") + code + QStringLiteral(" Ende") << QString() << QString() << QString()
              << QString() << QString();
    return lines;
}

} // namespace

TEST(BarCode, EverySymbologyScansWhetherParametersComeEncodedOrPlainAndWithAnyCheckDigit)
{
    const QStringList lines =
        barCodePage({barCode(5, "DRUCK-39"), barCode(0, "400638133393"), barCode(1, "9638507"),
                     barCode(3, "03600029145"), barCode(6, "{BRechnung-128"), barCode(2, "12345670")});
    for (int dpi : {150, 300}) {
        EXPECT_EQ(scan(renderPage(lines, {.dpi = dpi}).image),
                  (QStringList{"CODE-128:Rechnung-128", "CODE-39:DRUCK-39", "EAN-13:0036000291452",
                               "EAN-13:4006381333931", "EAN-8:96385074", "I2/5:12345670"}))
            << "zbarimg reports UPC-A as EAN-13 with a leading zero; " << dpi << " dpi";
    }

    // The same EAN-13 with its check digit given (right and wrong), and with its command and
    // parameters as plain characters, the way a settings prefix carries a sequence.
    QString plain = barCode(0, "400638133393");
    for (QChar& c : plain)
        c = QChar(char16_t(c.unicode() >= 0xF000 ? c.unicode() - 0xF000 : c.unicode()));
    for (const QString& code : {barCode(0, "4006381333931"), barCode(0, "4006381333937"), plain})
        EXPECT_EQ(scan(renderPage(barCodePage({code})).image), QStringList{"EAN-13:4006381333931"});
}

TEST(BarCode, BarsHaveTheirHeightAndTheTextGoesOnAfterThem)
{
    const RenderedPage page =
        renderPage({QStringLiteral("AB") + barCode(5, "X1", 3, 2) + QStringLiteral("C"), QStringLiteral("AB")},
                   {.dpi = 300, .barCodePitch = 24});
    const QRect band = bandRect(page, 1);
    const BarCode code = BarCode::fromEscapeData(QByteArray("\x05\x03\x00\x00\x00\x02X1", 8));
    ASSERT_TRUE(code.isValid());
    const double codeStart = 2 * 30.0; // after "AB"
    const double codeEnd = codeStart + code.widthInches() * 300;
    // Human-readable text suppressed (flag bit 1): only bars, 24 points tall, from the
    // top of the band.
    const QRect bars = inkBounds(page.image, QRect(int(codeStart) + 1, 0, int(codeEnd - codeStart) - 2, 1000));
    EXPECT_NEAR(bars.top(), band.top(), 2);
    EXPECT_NEAR(bars.height(), 100, 2) << "24 points at 300 dpi";
    // "C" stands right after the code's full width, quiet zones included.
    const QRect c = inkBounds(page.image, QRect(int(codeEnd) + 1, band.top(), 60, int(page.bandHeight)));
    EXPECT_NEAR(c.left(), codeEnd + 3, 4);

    // Letters in an EAN ("12ab"), an unknown type, no data.
    for (const char* bad : {"00020000000031326162", "09020000000031323334", "0502"})
        EXPECT_FALSE(BarCode::fromEscapeData(QByteArray::fromHex(bad)).isValid()) << bad;
}
