#pragma once

#include <QHash>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>
#include <vector>

// Fonts and glyph indexes for the line renderer. Looking a character up in a font (and
// shaping it) is what makes text layout slow; on a fixed-pitch grid every character is
// drawn on its own, so the renderer asks this cache for the glyph index and advance of
// each character and builds glyph runs itself.
//
// A face is one family and style at one pixel size. Characters the face lacks come from
// a fallback face (DejaVu Sans Mono), so CP437 symbols still print. The cache belongs to
// the thread that uses it (see forThisThread).
class GlyphCache
{
public:
    struct Glyph
    {
        quint32 index = 0;
        float advance = 0;     // device pixels at the face's size
        bool fallback = false; // the index is one of the fallback face
    };

    class Face
    {
    public:
        QRawFont font;
        QRawFont fallbackFont;       // may be invalid
        double referenceAdvance = 0; // advance of "0": the font's cell
        double ascent = 0;
        double descent = 0;
        double underlinePosition = 0;
        double lineThickness = 0;

        // Inline for what a page mostly holds: a glyph of Latin-1 already looked up.
        const Glyph& glyph(char32_t c)
        {
            if (c < 256 && m_latin1Known[c])
                return m_latin1[c];
            return glyphFirstTime(c);
        }

    private:
        const Glyph& glyphFirstTime(char32_t c);
        Glyph lookUp(char32_t c);
        std::array<Glyph, 256> m_latin1;
        std::array<bool, 256> m_latin1Known{};
        QHash<char32_t, Glyph> m_others;
    };

    // The cache of the calling thread.
    static GlyphCache& forThisThread();

    // The face of `family` (resolved through the system's font matching, so "Courier New"
    // may come out as a metric-compatible substitute: fonts::familyInUse with fixed
    // pitch names it) at `pixelSize` device pixels.
    // Never null; a family that does not exist gives the default fixed-pitch font. The
    // caller shares ownership, so a face stays usable while the cache makes room. A face
    // that is not `antialiased` draws its glyphs on bitmaps in two colours only.
    std::shared_ptr<Face> face(const QString& family, bool bold, bool italic, double pixelSize,
                               bool antialiased = true);

    void clear();

private:
    struct Key
    {
        QString family;
        bool bold;
        bool italic;
        double pixelSize;
        bool antialiased;
        bool operator==(const Key& other) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed)
    {
        return qHashMulti(seed, key.family, key.bold, key.italic, key.pixelSize, key.antialiased);
    }

    QRawFont baseFont(const QString& family, bool bold, bool italic, bool antialiased);

    struct Recent
    {
        Key key{};
        std::shared_ptr<Face> face;
    };

    QHash<Key, std::shared_ptr<Face>> m_faces;
    std::array<Recent, 4> m_recent;
    size_t m_nextRecent = 0;
    QHash<Key, QRawFont> m_baseFonts; // pixelSize 0
};
