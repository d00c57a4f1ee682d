#include "pdf/TrueTypeSubset.h"

#include <QRawFont>
#include <QtEndian>

#include <algorithm>
#include <array>

namespace {

// Not inlined: the compiler cannot see the size checks of the callers and would warn
// about reading past an empty table. Tables are read once per font.
Q_NEVER_INLINE quint16 u16(const QByteArray& table, qsizetype at)
{
    if (at < 0 || at + 2 > table.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(table.constData()) + at;
    return quint16(p[0] << 8 | p[1]);
}

qint16 s16(const QByteArray& table, qsizetype at)
{
    return qint16(u16(table, at));
}

quint32 u32(const QByteArray& table, qsizetype at)
{
    return quint32(u16(table, at)) << 16 | u16(table, at + 2);
}

void put16(QByteArray& out, quint16 value)
{
    const char bytes[2] = {char(value >> 8), char(value)};
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void set16(QByteArray& table, qsizetype at, quint16 value)
{
    if (at + 2 <= table.size())
        qToBigEndian(value, table.data() + at);
}

void set32(QByteArray& table, qsizetype at, quint32 value)
{
    if (at + 4 <= table.size())
        qToBigEndian(value, table.data() + at);
}

quint32 checksum(const QByteArray& data)
{
    quint32 sum = 0;
    const qsizetype whole = data.size() / 4 * 4;
    for (qsizetype i = 0; i < whole; i += 4)
        sum += qFromBigEndian<quint32>(data.constData() + i);
    if (whole < data.size()) {
        std::array<uchar, 4> rest{};
        std::copy(data.constData() + whole, data.constData() + data.size(), rest.begin());
        sum += qFromBigEndian<quint32>(rest.data());
    }
    return sum;
}

int toThousandths(int value, int unitsPerEm)
{
    return int(std::lround(value * 1000.0 / unitsPerEm));
}

// The PostScript name (name id 6) from the naming table, in the Windows or the Mac entry.
QString postScriptNameOf(const QByteArray& name)
{
    const int count = u16(name, 2);
    const int strings = u16(name, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + qsizetype(i) * 12;
        const int platform = u16(name, record);
        const int id = u16(name, record + 6);
        const int length = u16(name, record + 8);
        const qsizetype at = strings + u16(name, record + 10);
        if (id != 6 || at + length > name.size())
            continue;
        if (platform == 3) {
            QString text;
            for (int c = 0; c + 1 < length; c += 2)
                text.append(QChar(u16(name, at + c)));
            return text;
        }
        if (platform == 1)
            return QString::fromLatin1(name.mid(at, length));
    }
    return {};
}

// A PDF name may hold letters and digits safely; everything else goes.
QString cleanName(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-')
            out.append(c);
    }
    return out;
}

// A naming table with only the names a reader shows (family, style, full and PostScript
// name): a font's own table carries its licence and often tens of kilobytes.
QByteArray shortNameTable(const QString& family, const QString& style, const QString& postScriptName)
{
    const QString names[] = {family, style, family + u' ' + style, postScriptName};
    const quint16 ids[] = {1, 2, 4, 6};
    QByteArray strings;
    QByteArray table;
    put16(table, 0);
    put16(table, 4);
    put16(table, 6 + 4 * 12);
    for (int i = 0; i < 4; ++i) {
        put16(table, 3);      // Windows
        put16(table, 1);      // Unicode BMP
        put16(table, 0x409);  // English
        put16(table, ids[i]);
        put16(table, quint16(names[i].size() * 2));
        put16(table, quint16(strings.size()));
        for (QChar c : names[i])
            put16(strings, c.unicode());
    }
    return table + strings;
}

struct FontTable
{
    const char* tag;
    QByteArray data;
};

// A font file of the tables, each on a four-byte boundary, with the directory a reader
// looks them up in and the whole-file checksum in the head table.
QByteArray fontFile(std::vector<FontTable> tables)
{
    std::erase_if(tables, [](const FontTable& t) { return t.data.isEmpty(); });
    const quint16 count = quint16(tables.size());
    quint16 power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    QByteArray out;
    put32(out, 0x00010000);
    put16(out, count);
    put16(out, quint16(power * 16));
    put16(out, log2);
    put16(out, quint16(count * 16 - power * 16));
    quint32 offset = 12 + 16u * count;
    qsizetype headOffset = 0;
    for (const FontTable& t : tables) {
        out.append(t.tag, 4);
        put32(out, checksum(t.data));
        put32(out, offset);
        put32(out, quint32(t.data.size()));
        if (qstrncmp(t.tag, "head", 4) == 0)
            headOffset = offset;
        offset += (quint32(t.data.size()) + 3) & ~3u;
    }
    for (const FontTable& t : tables) {
        out.append(t.data);
        while (out.size() % 4)
            out.append('\0');
    }
    set32(out, headOffset + 8, 0xB1B0AFBA - checksum(out));
    return out;
}


} // namespace

TrueTypeFont::TrueTypeFont(const QRawFont& font)
{
    if (!font.isValid())
        return;
    m_head = font.fontTable("head");
    m_hhea = font.fontTable("hhea");
    m_maxp = font.fontTable("maxp");
    m_hmtx = font.fontTable("hmtx");
    m_loca = font.fontTable("loca");
    m_glyf = font.fontTable("glyf");
    m_os2 = font.fontTable("OS/2");
    m_post = font.fontTable("post");
    if (m_head.size() < 54 || m_hhea.size() < 36 || m_maxp.size() < 6 || m_loca.isEmpty() || m_glyf.isEmpty())
        return;

    m_unitsPerEm = u16(m_head, 18);
    m_longOffsets = s16(m_head, 50) == 1;
    m_glyphCount = u16(m_maxp, 4);
    m_horizontalMetrics = u16(m_hhea, 34);
    const qsizetype locaNeeded = qsizetype(m_glyphCount + 1) * (m_longOffsets ? 4 : 2);
    if (m_unitsPerEm < 16 || m_glyphCount == 0 || m_loca.size() < locaNeeded || m_horizontalMetrics == 0 ||
        m_hmtx.size() < qsizetype(m_horizontalMetrics) * 4)
        return;
    if (m_os2.size() >= 6)
        m_weightClass = u16(m_os2, 4);
    m_widths.resize(size_t(m_glyphCount));
    for (int g = 0; g < m_glyphCount; ++g) {
        const int entry = std::min(g, m_horizontalMetrics - 1);
        m_widths[size_t(g)] = u16(m_hmtx, qsizetype(entry) * 4) * 1000.0 / m_unitsPerEm;
    }

    m_postScriptName = cleanName(postScriptNameOf(font.fontTable("name")));
    if (m_postScriptName.isEmpty())
        m_postScriptName = cleanName(font.familyName() + u'-' + font.styleName());
    m_name = shortNameTable(font.familyName(), font.styleName(), m_postScriptName);
    m_valid = true;
}

TrueTypeFont::Metrics TrueTypeFont::metrics() const
{
    Metrics m;
    if (!m_valid)
        return m;
    const int em = m_unitsPerEm;
    m.xMin = toThousandths(s16(m_head, 36), em);
    m.yMin = toThousandths(s16(m_head, 38), em);
    m.xMax = toThousandths(s16(m_head, 40), em);
    m.yMax = toThousandths(s16(m_head, 42), em);
    m.ascent = toThousandths(s16(m_hhea, 4), em);
    m.descent = toThousandths(s16(m_hhea, 6), em);
    m.capHeight = m_os2.size() >= 90 ? toThousandths(s16(m_os2, 88), em) : m.ascent;
    if (m.capHeight <= 0)
        m.capHeight = m.ascent;
    if (m_post.size() >= 16) {
        m.italicAngle = qint32(u32(m_post, 4)) / 65536.0;
        m.fixedPitch = u32(m_post, 12) != 0;
    }
    m.italic = (u16(m_head, 44) & 2) != 0 || m.italicAngle != 0;
    return m;
}

QByteArray TrueTypeFont::glyphData(quint32 glyph) const
{
    if (glyph >= quint32(m_glyphCount))
        return {};
    const quint32 start = m_longOffsets ? u32(m_loca, qsizetype(glyph) * 4) : u16(m_loca, qsizetype(glyph) * 2) * 2u;
    const quint32 end =
        m_longOffsets ? u32(m_loca, qsizetype(glyph + 1) * 4) : u16(m_loca, qsizetype(glyph + 1) * 2) * 2u;
    if (end <= start || end > quint32(m_glyf.size()))
        return {};
    return QByteArray::fromRawData(m_glyf.constData() + start, end - start);
}

// A composite glyph is drawn from other glyphs, which the subset must keep as well.
void TrueTypeFont::addComponents(quint32 glyph, std::vector<bool>& keep, int depth) const
{
    const QByteArray data = glyphData(glyph);
    if (depth > 8 || data.size() < 10 || s16(data, 0) >= 0)
        return;
    enum : quint16 { WordArguments = 0x1, Scale = 0x8, More = 0x20, XYScale = 0x40, TwoByTwo = 0x80 };
    qsizetype at = 10;
    quint16 flags = More;
    while ((flags & More) && at + 4 <= data.size()) {
        flags = u16(data, at);
        const quint16 component = u16(data, at + 2);
        at += 4 + ((flags & WordArguments) ? 4 : 2);
        if (flags & Scale)
            at += 2;
        else if (flags & XYScale)
            at += 4;
        else if (flags & TwoByTwo)
            at += 8;
        if (component < keep.size() && !keep[component]) {
            keep[component] = true;
            addComponents(component, keep, depth + 1);
        }
    }
}

std::vector<bool> TrueTypeFont::keptGlyphs(const std::vector<bool>& used) const
{
    std::vector<bool> keep(size_t(m_glyphCount), false);
    keep[0] = true;
    for (size_t g = 0; g < used.size() && g < keep.size(); ++g) {
        if (used[g] && !keep[g]) {
            keep[g] = true;
            addComponents(quint32(g), keep, 0);
        }
    }
    return keep;
}

QByteArray TrueTypeFont::subset(const std::vector<bool>& used) const
{
    if (!m_valid)
        return {};
    const std::vector<bool> keep = keptGlyphs(used);

    // Outlines of the kept glyphs, each starting on a four-byte boundary, with long offsets.
    QByteArray glyf;
    QByteArray loca;
    loca.reserve((m_glyphCount + 1) * 4);
    for (int g = 0; g < m_glyphCount; ++g) {
        put32(loca, quint32(glyf.size()));
        if (!keep[size_t(g)])
            continue;
        glyf.append(glyphData(quint32(g)));
        while (glyf.size() % 4)
            glyf.append('\0');
    }
    put32(loca, quint32(glyf.size()));

    // Metrics of dropped glyphs are zero, which packs well.
    QByteArray hmtx = m_hmtx;
    for (int g = 0; g < m_glyphCount; ++g) {
        if (keep[size_t(g)])
            continue;
        if (g < m_horizontalMetrics)
            set32(hmtx, qsizetype(g) * 4, 0);
        else
            set16(hmtx, qsizetype(m_horizontalMetrics) * 4 + qsizetype(g - m_horizontalMetrics) * 2, 0);
    }
    QByteArray head = m_head;
    set32(head, 8, 0);  // checkSumAdjustment, set by fontFile()
    set16(head, 50, 1); // long offsets

    // The tables the page writer's own subsets carry, which every reader accepts: no
    // character map (glyphs are addressed by number) and no hinting programs, so readers
    // draw the outlines as designed at every size.
    return fontFile({{"OS/2", m_os2},
                     {"glyf", glyf},
                     {"head", head},
                     {"hhea", m_hhea},
                     {"hmtx", hmtx},
                     {"loca", loca},
                     {"maxp", m_maxp},
                     {"name", m_name}});
}
