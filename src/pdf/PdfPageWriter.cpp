#include "pdf/PdfPageWriter.h"

#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QTransform>

#include <array>
#include <cmath>
#include <string>

namespace {

// Glyph offsets smaller than this (in text space units, a font pixel) are not written.
constexpr double PositionTolerance = 1e-3;
// Sized fonts a writer remembers for a quick match; a page rarely uses more than a few.
constexpr size_t RecentFonts = 16;

} // namespace

PdfPageWriter::PdfPageWriter(PdfPageLayer& layer) : m_layer(layer) {}

void PdfPageWriter::beginPage(double pointsPerPixel, double pageHeightPoints)
{
    m_page.clear();
    for (const PdfPageLayer::UsedGlyph& used : m_used)
        m_usedOnPage[size_t(used.font)][used.glyph] = false;
    m_used.clear();
    m_pointsPerPixel = pointsPerPixel;
    m_pageHeight = pageHeightPoints;
    // Device pixels, y downwards, as the painter draws; text is black.
    m_page << "q ";
    m_page.number(pointsPerPixel) << "0 0 ";
    m_page.number(-pointsPerPixel) << "0 ";
    m_page.number(pageHeightPoints) << "cm 0 g\n";
    m_currentFont = nullptr;
    m_currentSize = -1;
    m_currentSpacing = 0;
    m_fillColour = qRgb(0, 0, 0);
    m_black.clear();
    m_inText = false;
    m_hasContent = false;
    m_open = true;
}

void PdfPageWriter::addBlack(const QRectF& rect)
{
    // The stroke of a frame's column continues the one of the line above: same left edge
    // and width, touching or overlapping it.
    for (auto it = m_black.rbegin(); it != m_black.rend(); ++it) {
        if (it->left() == rect.left() && it->width() == rect.width() && it->top() <= rect.bottom() &&
            rect.top() <= it->bottom()) {
            const double top = std::min(it->top(), rect.top());
            const double bottom = std::max(it->bottom(), rect.bottom());
            it->setTop(top);
            it->setBottom(bottom);
            return;
        }
    }
    m_black.push_back(rect);
}

void PdfPageWriter::writeBlack()
{
    if (m_black.empty())
        return;
    enterText(false);
    setFillColour(qRgb(0, 0, 0));
    for (const QRectF& r : m_black)
        m_page.number(r.x()).number(r.y()).number(r.width()).number(r.height()) << "re f\n";
    m_black.clear();
}

PdfPageLayer::Page PdfPageWriter::endPage()
{
    PdfPageLayer::Page page;
    if (m_open && m_hasContent) {
        writeBlack();
        enterText(false);
        m_page << "Q\n";
        page.content = m_deflater.deflate(m_page.bytes());
        page.glyphs = m_used;
    }
    m_open = false;
    return page;
}

PdfPageWriter::Font* PdfPageWriter::fontFor(const QRawFont& font)
{
    for (const auto& [raw, known] : m_recent) {
        if (raw == font)
            return known;
    }
    Font* found = m_layer.fontFor(font);
    if (m_recent.size() >= RecentFonts)
        m_recent.erase(m_recent.begin());
    m_recent.emplace_back(font, found);
    if (m_usedOnPage.size() <= size_t(found->index))
        m_usedOnPage.resize(size_t(found->index) + 1);
    m_usedOnPage[size_t(found->index)].resize(size_t(found->data.glyphCount()), false);
    return found;
}

void PdfPageWriter::enterText(bool text)
{
    if (text != m_inText)
        m_page << (text ? "BT\n" : "ET\n");
    m_inText = text;
}

void PdfPageWriter::setFillColour(QRgb colour)
{
    colour |= 0xff000000;
    if (colour == m_fillColour)
        return;
    m_fillColour = colour;
    if (qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour)) {
        m_page.number(qRed(colour) / 255.0) << "g\n";
        return;
    }
    m_page.number(qRed(colour) / 255.0).number(qGreen(colour) / 255.0).number(qBlue(colour) / 255.0) << "rg\n";
}

bool PdfPageWriter::fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects)
{
    // Rectangles stay rectangles only under scaling and moving.
    if (!m_open || toDevice.type() > QTransform::TxScale)
        return false;
    if ((colour | 0xff000000) == qRgb(0, 0, 0)) {
        for (const QRectF& rect : rects)
            addBlack(toDevice.mapRect(rect));
        m_hasContent = m_hasContent || !rects.empty();
        return true;
    }
    // A shade lies below the frames drawn after it, as when painted line by line.
    writeBlack();
    enterText(false);
    setFillColour(colour);
    for (const QRectF& rect : rects) {
        const QRectF r = toDevice.mapRect(rect);
        m_page.number(r.x()).number(r.y()).number(r.width()).number(r.height()) << "re f\n";
    }
    m_hasContent = m_hasContent || !rects.empty();
    return true;
}

bool PdfPageWriter::strokeLine(const QTransform& toDevice, const QLineF& line, double width)
{
    if (!m_open || toDevice.type() > QTransform::TxScale || toDevice.m11() != toDevice.m22())
        return false;
    enterText(false);
    const QLineF l = toDevice.map(line);
    m_page << "0 G 0 J ";
    m_page.number(width * std::abs(toDevice.m11())) << "w ";
    m_page.number(l.x1()).number(l.y1()) << "m ";
    m_page.number(l.x2()).number(l.y2()) << "l S\n";
    m_hasContent = true;
    return true;
}

bool PdfPageWriter::drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const PlacedGlyph> glyphs)
{
    if (!m_open || glyphs.empty() || !font.isValid())
        return false;
    Font* f = fontFor(font);
    if (!f || !f->embeddable)
        return false;
    const double size = font.pixelSize();
    if (size <= 0)
        return false;
    // Glyph advances in text space, looked up once: every loop below needs them.
    const double unitsPerWidth = size / 1000.0;
    std::vector<double>& advances = m_advances;
    advances.resize(glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i].index >= quint32(f->data.glyphCount()))
            return false;
        advances[i] = f->data.width(glyphs[i].index) * unitsPerWidth;
    }

    setFillColour(qRgb(0, 0, 0));
    enterText(true);
    if (f != m_currentFont || size != m_currentSize) {
        m_page << '/' << std::string_view(f->resourceName.constData(), size_t(f->resourceName.size())) << ' ';
        m_page.number(size) << "Tf\n";
        m_currentFont = f;
        m_currentSize = size;
    }
    // Text space is the run's space with y upwards; glyph advances are the widths.
    // Character spacing takes the distance between neighbouring cells (the smallest step
    // forward: blanks put no glyph between words), so a word needs no number between its
    // glyphs.
    double spacing = m_currentSpacing;
    bool found = false;
    for (size_t i = 1; i < glyphs.size(); ++i) {
        const QPointF& at = glyphs[i].position;
        const QPointF& before = glyphs[i - 1].position;
        if (at.y() != before.y() || at.x() <= before.x())
            continue;
        const double step = at.x() - before.x() - advances[i - 1];
        if (!found || step < spacing)
            spacing = step;
        found = true;
    }
    if (std::abs(spacing - m_currentSpacing) > PositionTolerance / 10) {
        m_page.number(spacing) << "Tc\n";
        m_currentSpacing = spacing;
    }

    auto startAt = [&](const QPointF& at) {
        const QPointF origin = toDevice.map(at);
        m_page.number(toDevice.m11()).number(toDevice.m12()).number(-toDevice.m21()).number(-toDevice.m22());
        m_page.number(origin.x()).number(origin.y()) << "Tm [(";
    };
    startAt(glyphs[0].position);
    double pen = glyphs[0].position.x();
    std::vector<bool>& usedOnPage = m_usedOnPage[size_t(f->index)];
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const PlacedGlyph& glyph = glyphs[i];
        const QPointF& at = glyph.position;
        if (i > 0 && at.y() != glyphs[i - 1].position.y()) {
            m_page << ")] TJ\n";
            startAt(at);
            pen = at.x();
        }
        const double gap = at.x() - pen;
        if (std::abs(gap) > PositionTolerance) {
            m_page << ')';
            m_page.number(-gap * 1000.0 / size) << '(';
        }
        m_page.code2(glyph.index);
        pen = at.x() + advances[i] + m_currentSpacing;
        if (!usedOnPage[glyph.index]) {
            usedOnPage[glyph.index] = true;
            m_used.push_back({f->index, glyph.index, glyph.character});
        }
    }
    m_page << ")] TJ\n";
    m_hasContent = true;
    return true;
}

namespace {

constexpr QRgb White = 0xFFFFFF;

// The colours of a picture when there are at most 256 of them, found with a small table
// from colour to index. Neighbouring pixels mostly share a colour, so each pixel costs
// one comparison.
class Palette
{
public:
    static constexpr size_t MaxColours = 256;

    // Indexes of `colour` (without alpha); -1 when it is new and the palette is full.
    int indexOf(QRgb colour)
    {
        size_t slot = (colour * 2654435761u) >> 22; // 10 bits
        for (;; slot = (slot + 1) & (TableSize - 1)) {
            const quint32 key = m_keys[slot];
            if (key == (colour | Used))
                return m_indexes[slot];
            if (key == 0)
                break;
        }
        if (m_colours.size() == MaxColours)
            return -1;
        m_keys[slot] = colour | Used;
        m_indexes[slot] = quint8(m_colours.size());
        m_colours.push_back(colour);
        return int(m_colours.size() - 1);
    }
    const std::vector<QRgb>& colours() const { return m_colours; }
    // Puts black and white (those present) first, in that order, so a picture of only
    // these two is a grey picture of one bit a pixel.
    void clearWith(std::initializer_list<QRgb> first)
    {
        m_keys.fill(0);
        m_colours.clear();
        for (QRgb colour : first)
            indexOf(colour);
    }

private:
    static constexpr size_t TableSize = 1024;
    static constexpr quint32 Used = 0x1000000;
    std::array<quint32, TableSize> m_keys{};
    std::array<quint8, TableSize> m_indexes{};
    std::vector<QRgb> m_colours;
};

// Whether the picture has at most 256 colours; `palette` then holds them.
bool collectColours(const QImage& image, Palette& palette)
{
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = ~row[0];
        for (int x = 0; x < width; ++x) {
            const QRgb colour = row[x] & White;
            if (colour == last)
                continue;
            last = colour;
            if (palette.indexOf(colour) < 0)
                return false;
        }
    }
    return true;
}

// The picture's rows packed as `bits` bits a pixel (palette indexes), each row to a whole byte.
std::string packedIndexes(const QImage& image, Palette& palette, int bits)
{
    const int width = image.width();
    const int height = image.height();
    const size_t rowBytes = (size_t(width) * size_t(bits) + 7) / 8;
    std::string out(rowBytes * size_t(height), '\0');
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* bytes = reinterpret_cast<uchar*>(out.data() + rowBytes * size_t(y));
        QRgb last = ~row[0];
        uint index = 0;
        uint pending = 0; // bits not yet stored, the latest lowest
        int count = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb colour = row[x] & White;
            if (colour != last) {
                last = colour;
                index = uint(palette.indexOf(colour));
            }
            pending = (pending << bits) | index;
            count += bits;
            if (count == 8) {
                *bytes++ = uchar(pending);
                pending = 0;
                count = 0;
            }
        }
        if (count > 0)
            *bytes = uchar(pending << (8 - count));
    }
    return out;
}

// The picture in one bit a pixel, 0 black and 1 white, each row to a whole byte; false
// as soon as a pixel of another colour shows. Most pages are text, so this is tried first.
bool packBlackAndWhite(const QImage& image, std::string& out)
{
    const int width = image.width();
    const int height = image.height();
    const size_t rowBytes = (size_t(width) + 7) / 8;
    out.assign(rowBytes * size_t(height), '\0');
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* bytes = reinterpret_cast<uchar*>(out.data() + rowBytes * size_t(y));
        bool other = false;
        for (int x = 0; x < width; x += 8) {
            uint byte = 0;
            for (int k = 0; k < 8; ++k) {
                const QRgb colour = x + k < width ? row[x + k] & White : White;
                byte = (byte << 1) | uint(colour == White);
                other |= colour != White && colour != 0;
            }
            *bytes++ = uchar(byte);
        }
        if (other)
            return false;
    }
    return true;
}

std::string packedRgb(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    std::string out(size_t(width) * 3 * size_t(height), '\0');
    char* at = out.data();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            *at++ = char(qRed(row[x]));
            *at++ = char(qGreen(row[x]));
            *at++ = char(qBlue(row[x]));
        }
    }
    return out;
}

std::string hexOf(const char* data, size_t size)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex(size * 2, '\0');
    for (size_t i = 0; i < size; ++i) {
        const auto byte = uchar(data[i]);
        hex[2 * i] = digits[byte >> 4];
        hex[2 * i + 1] = digits[byte & 15];
    }
    return hex;
}

} // namespace

bool PdfPageWriter::drawPagePicture(const QRectF& target, const QImage& picture)
{
    if (!m_open || picture.isNull())
        return false;
    const QImage image = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    std::string samples;
    const bool blackAndWhite = packBlackAndWhite(image, samples);
    Palette palette;
    palette.clearWith({0x000000, White});
    const bool few = blackAndWhite || collectColours(image, palette);
    const std::vector<QRgb>& colours = palette.colours();
    const int bits = blackAndWhite ? 1 : !few ? 8 : colours.size() <= 4 ? 2 : colours.size() <= 16 ? 4 : 8;
    if (!blackAndWhite)
        samples = few ? packedIndexes(image, palette, bits) : packedRgb(image);
    // Stored as one inline picture, so the page needs no resources; as hexadecimal text,
    // which cannot hold the "EI" that ends it, the whole page being compressed once more.
    const QByteArray packed = m_deflater.deflate(samples);

    writeBlack();
    enterText(false);
    m_page << "q ";
    m_page.number(target.width()) << "0 0 ";
    m_page.number(-target.height()).number(target.x()).number(target.y() + target.height()) << "cm\nBI /W ";
    m_page << std::to_string(image.width()) << " /H " << std::to_string(image.height()) << " /BPC "
           << std::to_string(bits) << " /CS ";
    if (blackAndWhite) {
        m_page << "/G";
    } else if (few) {
        std::string table;
        for (QRgb colour : colours)
            table += {char(qRed(colour)), char(qGreen(colour)), char(qBlue(colour))};
        m_page << "[/I /RGB " << std::to_string(colours.size() - 1) << " <" << hexOf(table.data(), table.size())
               << ">]";
    } else {
        m_page << "/RGB";
    }
    m_page << " /F [/AHx /Fl] ID\n" << hexOf(packed.constData(), size_t(packed.size())) << ">\nEI Q\n";
    m_hasContent = true;
    return true;
}
