#include "pdf/PdfPageLayer.h"

#include "pdf/PdfContent.h"
#include "pdf/PdfPageWriter.h"
#include "platform/TempJournal.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

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

PdfPageLayer::Font::Font(int number, const QRawFont& font) : index(number), key(fontKey(font)), data(font)
{
    // A style the font's data does not have (bold or slanted made up by the font system)
    // cannot be embedded as it looks; such text goes through the painter.
    const bool madeUpBold = font.weight() >= QFont::DemiBold && data.weightClass() < 600;
    const bool madeUpItalic = font.style() != QFont::StyleNormal && !data.metrics().italic;
    embeddable = data.isValid() && !madeUpBold && !madeUpItalic;
    resourceName = "DT" + QByteArray::number(number);
    used.assign(size_t(data.glyphCount()), false);
    characters.assign(size_t(data.glyphCount()), 0);
}

struct PdfPageLayer::Spill
{
    tempjournal::Note note; // outlives the file it notes
    QTemporaryFile file{QDir::temp().filePath(QStringLiteral("druckserver-text-XXXXXX"))};
    bool usable = false;
    qint64 end = 0; // where the next page goes; asking the file would flush its buffer
};

PdfPageLayer::PdfPageLayer() : m_writer(std::make_unique<PdfPageWriter>(*this)) {}
PdfPageLayer::~PdfPageLayer() = default;

PdfPageLayer::Font* PdfPageLayer::fontFor(const QRawFont& font)
{
    const QString key = fontKey(font);
    const std::lock_guard lock(m_fontsLock);
    for (const auto& candidate : m_fonts) {
        if (candidate->key == key)
            return candidate.get();
    }
    m_fonts.push_back(std::make_unique<Font>(int(m_fonts.size()), font));
    return m_fonts.back().get();
}

void PdfPageLayer::beginPage(int index, double pointsPerPixel, double pageHeightPoints)
{
    endPage();
    if (index < 0)
        return;
    m_pageIndex = index;
    m_writer->beginPage(pointsPerPixel, pageHeightPoints);
}

void PdfPageLayer::endPage()
{
    if (m_pageIndex < 0)
        return;
    addPage(m_pageIndex, m_writer->endPage());
    m_pageIndex = -1;
}

bool PdfPageLayer::drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const PlacedGlyph> glyphs)
{
    return m_pageIndex >= 0 && m_writer->drawGlyphs(font, toDevice, glyphs);
}

bool PdfPageLayer::fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects)
{
    return m_pageIndex >= 0 && m_writer->fillRects(colour, toDevice, rects);
}

bool PdfPageLayer::strokeLine(const QTransform& toDevice, const QLineF& line, double width)
{
    return m_pageIndex >= 0 && m_writer->strokeLine(toDevice, line, width);
}

void PdfPageLayer::addPage(int index, Page page)
{
    if (index < 0 || page.content.isEmpty())
        return;
    const std::lock_guard lock(m_fontsLock); // writers may be adding fonts meanwhile
    for (const UsedGlyph& used : page.glyphs) {
        Font& font = *m_fonts[size_t(used.font)];
        if (!font.used[used.glyph]) {
            font.used[used.glyph] = true;
            font.characters[used.glyph] = used.character;
        }
    }
    store(index, std::move(page.content));
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
    if (m_spill->usable && (file.pos() == m_spill->end || file.seek(m_spill->end)) &&
        file.write(content) == content.size()) {
        page.offset = m_spill->end;
        m_spill->end += content.size();
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
    // Pages are mostly read in the order they were stored: a seek flushes and asks the
    // system even where the file already stands.
    if (file.pos() == page.offset || file.seek(page.offset))
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
