#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QRawFont;

// A TrueType font's outlines and metrics, read from the font's tables, and the subset a
// PDF embeds: only the glyphs a document uses (and the glyphs those are built from)
// keep their outlines, every glyph keeps its number, so text written with the font's
// glyph numbers shows with the subset unchanged.
class TrueTypeFont
{
public:
    // Reads the tables of `font`. Not valid for fonts without TrueType outlines (CFF)
    // or with damaged tables.
    explicit TrueTypeFont(const QRawFont& font);

    bool isValid() const { return m_valid; }
    int glyphCount() const { return m_glyphCount; }
    int unitsPerEm() const { return m_unitsPerEm; }
    // Advance of a glyph in thousandths of the em, as a PDF font's widths give it.
    double width(quint32 glyph) const { return glyph < m_widths.size() ? m_widths[glyph] : 0.0; }

    // Values of the font descriptor, in thousandths of the em.
    struct Metrics
    {
        int xMin = 0, yMin = 0, xMax = 0, yMax = 0; // bounding box of all glyphs
        int ascent = 800;
        int descent = -200;
        int capHeight = 700;
        double italicAngle = 0;
        bool fixedPitch = false;
        bool italic = false;
    };
    Metrics metrics() const;
    // The weight class (400 regular, 700 bold) the font's data is drawn for.
    int weightClass() const { return m_weightClass; }
    // The name a PDF may use for the font: its PostScript name, or one made from the family.
    QString postScriptName() const { return m_postScriptName; }

    // A complete font program with the outlines of `used` (a flag per glyph number; the
    // missing-glyph box 0 is always kept) and empty outlines for the rest.
    QByteArray subset(const std::vector<bool>& used) const;

private:
    // The outline data of a glyph, empty for a glyph without outline.
    QByteArray glyphData(quint32 glyph) const;
    void addComponents(quint32 glyph, std::vector<bool>& keep, int depth) const;
    // The glyphs a subset keeps: glyph 0, the used ones and the glyphs they are made of.
    std::vector<bool> keptGlyphs(const std::vector<bool>& used) const;

    bool m_valid = false;
    int m_glyphCount = 0;
    int m_unitsPerEm = 1000;
    int m_horizontalMetrics = 0;
    int m_weightClass = 400;
    bool m_longOffsets = false;
    QString m_postScriptName;
    std::vector<double> m_widths;
    QByteArray m_head, m_hhea, m_maxp, m_hmtx, m_loca, m_glyf, m_os2, m_post, m_name;
};
