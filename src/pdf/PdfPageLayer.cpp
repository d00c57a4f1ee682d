#include "pdf/PdfPageLayer.h"

#include "pdf/PdfContent.h"
#include "platform/TempJournal.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QTemporaryFile>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Glyph offsets smaller than this (in text space units, a font pixel) are not written.
constexpr double PositionTolerance = 1e-3;
constexpr int FontCompression = 6;

QByteArray deflated(std::string_view data)
{
    return PdfDeflater(FontCompression).deflate(data);
}

// UTF-16 of a character, as hex digits for a character map.
void appendUtf16Hex(PdfContent& out, char32_t c)
{
    if (c >= 0x10000 && c <= 0x10FFFF)
        out.hex4(QChar::highSurrogate(c)).hex4(QChar::lowSurrogate(c));
    else
        out.hex4(c > 0xFFFF ? 0xFFFD : c);
}

QString fontKey(const QRawFont& font)
{
    return font.familyName() + u'|' + font.styleName() + u'|' + QString::number(font.weight()) + u'|' +
           QString::number(int(font.style()));
}

// Six capital letters that mark a subset, different for different subsets.
QByteArray subsetTag(const std::vector<bool>& used, const QByteArray& name)
{
    size_t hash = qHash(name);
    for (size_t g = 0; g < used.size(); ++g) {
        if (used[g])
            hash = hash * 31 + g;
    }
    QByteArray tag(6, 'A');
    for (char& c : tag) {
        c = char('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

std::string toUnicodeMap(const std::vector<bool>& used, const std::vector<char32_t>& characters)
{
    PdfContent entries;
    int count = 0;
    PdfContent out;
    out << "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
           "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
           "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    auto flush = [&] {
        if (count == 0)
            return;
        out << std::to_string(count) << " beginbfchar\n" << entries.bytes() << "endbfchar\n";
        entries.clear();
        count = 0;
    };
    for (size_t g = 0; g < used.size(); ++g) {
        if (!used[g] || characters[g] == 0)
            continue;
        entries << '<';
        entries.hex4(quint32(g)) << "> <";
        appendUtf16Hex(entries, characters[g]);
        entries << ">\n";
        if (++count == 100)
            flush();
    }
    flush();
    out << "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return std::string(out.bytes());
}

} // namespace

struct PdfPageLayer::Font
{
    QString key;
    TrueTypeFont data;
    QByteArray resourceName;
    bool embeddable = false;
    std::vector<bool> used;
    std::vector<char32_t> characters; // what each glyph stands for, the first one seen

    explicit Font(const QRawFont& font) : key(fontKey(font)), data(font) {}
};

struct PdfPageLayer::Spill
{
    tempjournal::Note note; // outlives the file it notes
    QTemporaryFile file{QDir::temp().filePath(QStringLiteral("druckserver-text-XXXXXX"))};
    bool usable = false;
};

PdfPageLayer::PdfPageLayer() = default;
PdfPageLayer::~PdfPageLayer() = default;

PdfPageLayer::Font* PdfPageLayer::fontFor(const QRawFont& font)
{
    for (const auto& [raw, known] : m_recent) {
        if (raw == font)
            return known;
    }
    const QString key = fontKey(font);
    Font* found = nullptr;
    for (const auto& candidate : m_fonts) {
        if (candidate->key == key)
            found = candidate.get();
    }
    if (!found) {
        auto added = std::make_unique<Font>(font);
        Font& f = *added;
        // A style the font's data does not have (bold or slanted made up by the font
        // system) cannot be embedded as it looks; such text goes through the painter.
        const bool madeUpBold = font.weight() >= QFont::DemiBold && f.data.weightClass() < 600;
        const bool madeUpItalic = font.style() != QFont::StyleNormal && !f.data.metrics().italic;
        f.embeddable = f.data.isValid() && !madeUpBold && !madeUpItalic;
        f.resourceName = "DT" + QByteArray::number(qsizetype(m_fonts.size()));
        f.used.assign(size_t(f.data.glyphCount()), false);
        f.characters.assign(size_t(f.data.glyphCount()), 0);
        found = added.get();
        m_fonts.push_back(std::move(added));
    }
    if (m_recent.size() >= 16)
        m_recent.erase(m_recent.begin());
    m_recent.emplace_back(font, found);
    return found;
}

void PdfPageLayer::beginPage(int index, double pointsPerPixel, double pageHeightPoints)
{
    endPage();
    if (index < 0)
        return;
    m_pageIndex = index;
    m_page.clear();
    // Device pixels, y downwards, as the painter draws; text is black.
    m_page << "q ";
    m_page.number(pointsPerPixel) << "0 0 ";
    m_page.number(-pointsPerPixel) << "0 ";
    m_page.number(pageHeightPoints) << "cm 0 g\n";
    m_currentFont = nullptr;
    m_currentSize = -1;
    m_currentSpacing = 0;
    m_fillColour = qRgb(0, 0, 0);
    m_inText = false;
    m_hasContent = false;
}

void PdfPageLayer::enterText(bool text)
{
    if (text != m_inText)
        m_page << (text ? "BT\n" : "ET\n");
    m_inText = text;
}

void PdfPageLayer::setFillColour(QRgb colour)
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

bool PdfPageLayer::fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects)
{
    // Rectangles stay rectangles only under scaling and moving.
    if (m_pageIndex < 0 || toDevice.type() > QTransform::TxScale)
        return false;
    enterText(false);
    setFillColour(colour);
    for (const QRectF& rect : rects) {
        const QRectF r = toDevice.mapRect(rect);
        m_page.number(r.x()).number(r.y()).number(r.width()).number(r.height()) << "re f\n";
    }
    m_hasContent = m_hasContent || !rects.empty();
    return true;
}

bool PdfPageLayer::strokeLine(const QTransform& toDevice, const QLineF& line, double width)
{
    if (m_pageIndex < 0 || toDevice.type() > QTransform::TxScale || toDevice.m11() != toDevice.m22())
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

void PdfPageLayer::endPage()
{
    if (m_pageIndex < 0)
        return;
    if (m_hasContent) {
        enterText(false);
        m_page << "Q\n";
        store(m_pageIndex, m_deflater.deflate(m_page.bytes()));
    }
    m_pageIndex = -1;
}

bool PdfPageLayer::drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const quint32> glyphs,
                              std::span<const QPointF> positions, std::span<const char32_t> characters)
{
    if (m_pageIndex < 0 || glyphs.empty() || positions.size() != glyphs.size() || characters.size() != glyphs.size() ||
        !font.isValid())
        return false;
    Font* f = fontFor(font);
    if (!f || !f->embeddable)
        return false;
    for (quint32 g : glyphs) {
        if (g >= f->used.size())
            return false;
    }
    const double size = font.pixelSize();
    if (size <= 0)
        return false;

    setFillColour(qRgb(0, 0, 0));
    enterText(true);
    if (f != m_currentFont || size != m_currentSize) {
        m_page << '/' << f->resourceName.toStdString() << ' ';
        m_page.number(size) << "Tf\n";
        m_currentFont = f;
        m_currentSize = size;
    }
    // Text space is the run's space with y upwards; glyph advances are the widths.
    auto advance = [&](size_t i) { return f->data.width(glyphs[i]) * size / 1000.0; };
    // Character spacing takes the distance between neighbouring cells (the smallest step
    // forward: blanks put no glyph between words), so a word needs no number between its
    // glyphs.
    double spacing = m_currentSpacing;
    bool found = false;
    for (size_t i = 1; i < glyphs.size(); ++i) {
        if (positions[i].y() != positions[i - 1].y() || positions[i].x() <= positions[i - 1].x())
            continue;
        const double step = positions[i].x() - positions[i - 1].x() - advance(i - 1);
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
        m_page.number(origin.x()).number(origin.y()) << "Tm [<";
    };
    startAt(positions[0]);
    double pen = positions[0].x();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const QPointF& at = positions[i];
        if (i > 0 && at.y() != positions[i - 1].y()) {
            m_page << ">] TJ\n";
            startAt(at);
            pen = at.x();
        }
        const double gap = at.x() - pen;
        if (std::abs(gap) > PositionTolerance) {
            m_page << '>';
            m_page.number(-gap * 1000.0 / size) << '<';
        }
        m_page.hex4(glyphs[i]);
        pen = at.x() + advance(i) + m_currentSpacing;
        if (!f->used[glyphs[i]]) {
            f->used[glyphs[i]] = true;
            f->characters[glyphs[i]] = characters[i];
        }
    }
    m_page << ">] TJ\n";
    m_hasContent = true;
    return true;
}

std::vector<PdfPageLayer::EmbeddedFont> PdfPageLayer::embeddedFonts() const
{
    std::vector<EmbeddedFont> out;
    for (const auto& f : m_fonts) {
        if (std::find(f->used.begin(), f->used.end(), true) == f->used.end())
            continue;
        EmbeddedFont font;
        font.resourceName = f->resourceName;
        const QByteArray name = f->data.postScriptName().toLatin1();
        font.baseFont = subsetTag(f->used, name) + '+' + name;
        const QByteArray program = f->data.subset(f->used);
        font.programLength = program.size();
        font.program = deflated(std::string_view(program.constData(), size_t(program.size())));
        font.toUnicode = deflated(toUnicodeMap(f->used, f->characters));
        font.metrics = f->data.metrics();

        // Runs of neighbouring glyphs share one entry: first [w1 w2 ...].
        font.widths = PdfObject::array();
        for (size_t g = 0; g < f->used.size();) {
            if (!f->used[g]) {
                ++g;
                continue;
            }
            font.widths.append(PdfObject::integer(qint64(g)));
            PdfObject run = PdfObject::array();
            for (; g < f->used.size() && f->used[g]; ++g)
                run.append(PdfObject::real(f->data.width(quint32(g))));
            font.widths.append(std::move(run));
        }
        out.push_back(std::move(font));
    }
    return out;
}

void PdfPageLayer::store(int index, QByteArray content)
{
    if (m_pages.size() <= size_t(index))
        m_pages.resize(size_t(index) + 1);
    StoredPage& page = m_pages[size_t(index)];
    page = StoredPage{};
    page.size = content.size();
    if (!m_spill) {
        m_spill = std::make_unique<Spill>();
        m_spill->usable = m_spill->file.open();
        if (m_spill->usable)
            m_spill->note.set(m_spill->file.fileName());
    }
    QFile& file = m_spill->file;
    if (m_spill->usable && file.seek(file.size()) && file.write(content) == content.size()) {
        page.offset = file.size() - content.size();
        return;
    }
    page.inMemory = std::move(content);
}

QByteArray PdfPageLayer::pageContent(int index) const
{
    if (!hasPageContent(index))
        return {};
    const StoredPage& page = m_pages[size_t(index)];
    if (page.offset < 0)
        return page.inMemory;
    QFile& file = m_spill->file;
    QByteArray content;
    if (file.seek(page.offset))
        content = file.read(page.size);
    return content.size() == page.size ? content : QByteArray();
}

bool PdfPageLayer::hasPageContent(int index) const
{
    return index >= 0 && size_t(index) < m_pages.size() && m_pages[size_t(index)].size > 0;
}

bool PdfPageLayer::isEmpty() const
{
    return std::none_of(m_pages.begin(), m_pages.end(), [](const StoredPage& page) { return page.size > 0; });
}
