#include "pages/PageSizes.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace pagesizes {
namespace {

constexpr double TwipsPerInch = 1440.0;
constexpr double TwipsPerCentimetre = 567.0;
constexpr int LegibleDpi = 200;

} // namespace

Twips pageTwips(PdfVariant variant)
{
    if (variant == PdfVariant::Mail)
        return {21.0 * TwipsPerCentimetre, 29.7 * TwipsPerCentimetre};
    return {11907.567, 16840.467};
}

qint32 twipsToPixels(double twips, double dotsPerInch)
{
    const double pixels = twips / TwipsPerInch * dotsPerInch;
    if (!std::isfinite(pixels))
        return 0;
    // nearbyint follows the current rounding mode; round to nearest is the default, and
    // nobody here changes it, but say so rather than depend on it silently.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(pixels);
    std::fesetround(saved);
    return qint32(std::clamp(rounded, 0.0, double(std::numeric_limits<qint32>::max())));
}

QSize pagePixels(PdfVariant variant, bool landscape, int dpiX, int dpiY)
{
    const Twips twips = pageTwips(variant);
    const double across = landscape ? twips.longSide : twips.shortSide;
    const double down = landscape ? twips.shortSide : twips.longSide;
    return {twipsToPixels(across, dpiX), twipsToPixels(down, dpiY)};
}

QSize imagePagePixels(bool landscape, int dpiX, int dpiY)
{
    const double shortSide = 11907.0;
    const double longSide = 29.7 * TwipsPerCentimetre;
    const double across = landscape ? longSide : shortSide;
    const double down = landscape ? shortSide : longSide;
    return {twipsToPixels(across, dpiX), twipsToPixels(down, dpiY)};
}

int bitmapFactor(int dpi)
{
    if (dpi <= 0)
        return 1;
    return std::max(1, (LegibleDpi + dpi - 1) / dpi);
}

} // namespace pagesizes
