#pragma once

#include <QSize>
#include <QtGlobal>

// Page sizes of the PDF outputs. Sizes are worked out in twips (1,440 to the inch) and
// turned into pixels at the resolution the component reports, each side rounded to the
// nearest whole pixel with halves going to the even neighbour.
namespace pagesizes {

// The two PDF outputs: the document the user keeps, and the one attached to a mail.
// They differ in the A4 size they draw on (see pageTwips).
enum class PdfVariant
{
    File,
    Mail
};

// Short and long side of an A4 page in twips. The file variant uses the exact A4 size;
// the mail variant 21 x 29.7 cm at 567 twips per centimetre.
struct Twips
{
    double shortSide = 0;
    double longSide = 0;
};
Twips pageTwips(PdfVariant variant);

// twips / 1440 x dotsPerInch, rounded half to even.
qint32 twipsToPixels(double twips, double dotsPerInch);

// The text page of a variant: portrait is short side across, landscape long side across.
QSize pagePixels(PdfVariant variant, bool landscape, int dpiX, int dpiY);

// An attachment image page: 11907 twips across and 29.7 x 567 twips down in portrait,
// swapped in landscape, at the resolution the component reports.
QSize imagePagePixels(bool landscape, int dpiX, int dpiY);

// The whole-number factor by which a page bitmap is finer than the page, so text drawn
// into it keeps at least 200 dots per inch: 3 at 72 dpi, 1 from 200 dpi up.
int bitmapFactor(int dpi);

} // namespace pagesizes
