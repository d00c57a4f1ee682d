#include "engine/GlyphCache.h"

#include "platform/FontFamilies.h"

#include <QFont>

namespace {

// Faces kept per thread before the cache starts over; a document uses a handful.
constexpr qsizetype MaxFaces = 64;

const QString FallbackFamily = QStringLiteral("DejaVu Sans Mono");

} // namespace

const GlyphCache::Glyph& GlyphCache::Face::glyphFirstTime(char32_t c)
{
    if (c < 256) {
        if (!m_latin1Known[c]) {
            m_latin1[c] = lookUp(c);
            m_latin1Known[c] = true;
        }
        return m_latin1[c];
    }
    auto it = m_others.constFind(c);
    if (it == m_others.constEnd())
        it = m_others.insert(c, lookUp(c));
    return *it;
}

GlyphCache::Glyph GlyphCache::Face::lookUp(char32_t c)
{
    auto find = [c](const QRawFont& font, Glyph& out) {
        if (!font.isValid() || !font.supportsCharacter(c))
            return false;
        const QString text = QString::fromUcs4(&c, 1);
        const QList<quint32> indexes = font.glyphIndexesForString(text);
        if (indexes.isEmpty() || indexes.first() == 0)
            return false;
        out.index = indexes.first();
        const QList<QPointF> advances = font.advancesForGlyphIndexes(indexes, QRawFont::UseDesignMetrics);
        out.advance = advances.isEmpty() ? 0.0f : float(advances.first().x());
        return true;
    };
    Glyph glyph;
    if (find(font, glyph))
        return glyph;
    if (find(fallbackFont, glyph)) {
        glyph.fallback = true;
        return glyph;
    }
    return Glyph{}; // index 0: the font's "missing" box, drawn by the main face
}

GlyphCache& GlyphCache::forThisThread()
{
    thread_local GlyphCache cache;
    return cache;
}

QRawFont GlyphCache::baseFont(const QString& family, bool bold, bool italic, bool antialiased)
{
    const Key key{family, bold, italic, 0, antialiased};
    auto it = m_baseFonts.constFind(key);
    if (it != m_baseFonts.constEnd())
        return *it;
    // The same font the settings window names as the family in use.
    QFont font = fonts::fontFor(family, fonts::Pitch::Fixed);
    font.setBold(bold);
    font.setItalic(italic);
    font.setPixelSize(100);
    // Positions come from the cell grid, not from hinted advances.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    if (!antialiased)
        font.setStyleStrategy(QFont::NoAntialias);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) {
        QFont fixed(FallbackFamily);
        fixed.setBold(bold);
        fixed.setItalic(italic);
        fixed.setPixelSize(100);
        if (!antialiased)
            fixed.setStyleStrategy(QFont::NoAntialias);
        raw = QRawFont::fromFont(fixed);
    }
    m_baseFonts.insert(key, raw);
    return raw;
}

std::shared_ptr<GlyphCache::Face> GlyphCache::face(const QString& family, bool bold, bool italic, double pixelSize,
                                                   bool antialiased)
{
    // A line asks for the same few faces again and again; the latest answers are checked
    // first, which is cheaper than hashing the family name.
    for (const Recent& recent : m_recent) {
        if (recent.face && recent.key.pixelSize == pixelSize && recent.key.bold == bold &&
            recent.key.italic == italic && recent.key.antialiased == antialiased && recent.key.family == family)
            return recent.face;
    }
    const Key key{family, bold, italic, pixelSize, antialiased};
    auto remember = [this, &key](const std::shared_ptr<Face>& face) {
        m_recent[m_nextRecent] = {key, face};
        m_nextRecent = (m_nextRecent + 1) % m_recent.size();
        return face;
    };
    auto it = m_faces.constFind(key);
    if (it != m_faces.constEnd())
        return remember(*it);
    if (m_faces.size() >= MaxFaces) {
        m_faces.clear();
        m_recent.fill({});
    }

    auto face = std::make_shared<Face>();
    face->font = baseFont(family, bold, italic, antialiased);
    face->font.setPixelSize(pixelSize);
    if (face->font.familyName() != FallbackFamily) {
        face->fallbackFont = baseFont(FallbackFamily, bold, italic, antialiased);
        face->fallbackFont.setPixelSize(pixelSize);
    }
    face->ascent = face->font.ascent();
    face->descent = face->font.descent();
    face->underlinePosition = face->font.underlinePosition();
    face->lineThickness = face->font.lineThickness();
    const Glyph& zero = face->glyph(U'0');
    face->referenceAdvance = zero.advance > 0 ? zero.advance : pixelSize * 0.6;
    m_faces.insert(key, face);
    return remember(face);
}

void GlyphCache::clear()
{
    m_recent.fill({});
    m_faces.clear();
    m_baseFonts.clear();
}
