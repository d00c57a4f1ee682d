#include "engine/RendererParser.h"

#include "engine/BoxDrawing.h"
#include "engine/EscapeTable.h"
#include "engine/RendererCharsets.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char16_t Esc = 0x1B;
// A record longer than this many cells is not a print line any more; further
// characters still switch modes but are not placed.
constexpr size_t MaxItems = 20000;
// Bytes of one escape sequence kept for its interpretation (bar code data included).
constexpr qsizetype MaxParameters = 4096;

bool flag(uchar n)
{
    return n & 1; // both 1 / 0 and the digits "1" / "0"
}

class Parser
{
public:
    Parser(QStringView text, RendererModes& modes, const QString& fontName, double pitchScale, RendererLine& line)
        : m_text(text), m_modes(modes), m_pitchScale(pitchScale), m_line(line)
    {
        m_line.clear();
        // At most one item a character: the items are stored without growing on the way
        // (the capacity stays from line to line).
        m_line.items.reserve(size_t(std::min<qsizetype>(text.size(), qsizetype(MaxItems))));
        m_line.fonts.append(fontName);
        m_line.setFontAfter(fontName);
    }

    void run()
    {
        const qsizetype n = m_text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = m_text[i];
            const char16_t u = c.unicode();
            if (u == Esc) {
                i = escapeSequence(i);
                m_styleKnown = false;
                continue;
            }
            if (escape::isParameter(c))
                continue; // a stray parameter byte: nothing to print
            if (QChar::isHighSurrogate(u) && i + 1 < n && m_text[i + 1].isLowSurrogate()) {
                put(QChar::surrogateToUcs4(c, m_text[i + 1]));
                ++i;
                continue;
            }
            if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
                control(u);
                m_styleKnown = false;
                continue;
            }
            put(u);
        }
        // Double width by SO lasts for one line only.
        m_modes.lineDoubleWidth = false;
    }

private:
    double cell() const { return m_modes.cellInches(m_pitchScale); }

    void control(char16_t u)
    {
        switch (u) {
        case 0x0F: // SI
            m_modes.condensed = true;
            break;
        case 0x12: // DC2
            m_modes.condensed = false;
            break;
        case 0x0E: // SO
            m_modes.lineDoubleWidth = true;
            break;
        case 0x14: // DC4
            m_modes.lineDoubleWidth = false;
            break;
        case 0x09: { // HT: stops every 8 cells of the current pitch
            const double stop = 8 * m_pitchScale / m_modes.charactersPerInch();
            m_x = (std::floor(m_x / stop + 1e-9) + 1) * stop;
            break;
        }
        case 0x08: // BS: back one cell, the next character strikes over
            m_x = std::max(0.0, m_x - cell());
            break;
        case 0x0D: // a lone CR: back to column 1, the rest strikes over
            m_x = 0;
            break;
        default: // LF, FF, NUL, CAN, DEL and others have no place inside a line
            break;
        }
    }

    void put(char32_t c)
    {
        if (m_line.items.size() >= MaxItems)
            return;
        if (!m_styleKnown)
            learnStyle();
        const char32_t ch = m_modes.charset == 0 || c > U'~' ? c : charsets::national(m_modes.charset, c);
        const RendererItem::Kind kind = boxdrawing::isBoxCharacter(ch) ? RendererItem::Box : RendererItem::Glyph;
        const RendererItem& item =
            m_line.items.emplace_back(RendererItem{kind, m_attributes, quint16(m_font), ch, -1, m_x, m_cellWidth});
        noteInk(item);
        m_x += m_cellWidth;
    }

    // The modes change only in escape sequences and control characters: what they make of
    // a character is worked out once for the characters between.
    void learnStyle()
    {
        m_cellWidth = cell();
        m_attributes = 0;
        if (m_modes.heavy())
            m_attributes |= RendererItem::Bold;
        if (m_modes.italic)
            m_attributes |= RendererItem::Italic;
        if (m_modes.underline)
            m_attributes |= RendererItem::Underline;
        if (m_modes.doubleHeight)
            m_attributes |= RendererItem::DoubleHeight;
        m_styleKnown = true;
    }

    void add(const RendererItem& item)
    {
        noteInk(item);
        m_line.items.push_back(item);
    }

    void noteInk(const RendererItem& item)
    {
        if (item.inked()) {
            m_line.inkEnd = std::max(m_line.inkEnd, item.x + item.width);
            if (item.has(RendererItem::DoubleHeight))
                m_line.doubleHeight = true;
        }
    }

    // Interprets the sequence whose ESC stands at `at`; returns the index of its last
    // character.
    qsizetype escapeSequence(qsizetype at)
    {
        const qsizetype n = m_text.size();
        if (at + 1 >= n)
            return at;
        const QChar commandChar = m_text[at + 1];
        const uchar command =
            escape::isParameter(commandChar) ? escape::parameterByte(commandChar) : uchar(commandChar.unicode() & 0xFF);
        qsizetype next = at + 2;
        // The reader encodes the command and its parameters as U+F0xx characters; a
        // sequence from the settings comes as plain characters.
        const bool encoded = escape::isParameter(commandChar) || (next < n && escape::isParameter(m_text[next]));
        // Collect only as many bytes as the sequence can need: the table answers with
        // more than it was given while the sequence continues beyond it.
        m_params.clear();
        qsizetype i = next;
        qsizetype wanted = 8;
        qsizetype length = 0;
        for (;;) {
            while (i < n && m_params.size() < wanted) {
                const QChar p = m_text[i];
                if (encoded != escape::isParameter(p))
                    break;
                m_params.append(char(encoded ? escape::parameterByte(p) : uchar(p.unicode() & 0xFF)));
                ++i;
            }
            const auto* bytes = reinterpret_cast<const uchar*>(m_params.constData());
            length = escape::parameterLength(command, bytes, m_params.size());
            if (length <= m_params.size() || m_params.size() < wanted || wanted >= MaxParameters)
                break;
            wanted = std::min(length, MaxParameters);
        }
        length = std::clamp<qsizetype>(length, 0, m_params.size());
        m_params.truncate(length);
        apply(command, m_params);
        return next + length - 1;
    }

    void apply(uchar command, const QByteArray& params)
    {
        const uchar n = params.isEmpty() ? 0 : uchar(params[0]);
        switch (command) {
        case '@':
            m_modes.reset();
            break;
        case 'E':
            m_modes.bold = true;
            break;
        case 'F':
            m_modes.bold = false;
            break;
        case 'G':
            m_modes.doubleStrike = true;
            break;
        case 'H':
            m_modes.doubleStrike = false;
            break;
        case '4':
            m_modes.italic = true;
            break;
        case '5':
            m_modes.italic = false;
            break;
        case '-':
            m_modes.underline = n == 1 || n == 2 || n == '1' || n == '2';
            break;
        case 0x0F:
            m_modes.condensed = true;
            break;
        case 0x0E:
            m_modes.lineDoubleWidth = true;
            break;
        case 'P':
            m_modes.pitch = 10;
            break;
        case 'M':
            m_modes.pitch = 12;
            break;
        case 'g':
            m_modes.pitch = 15;
            break;
        case 'W':
            m_modes.doubleWidth = flag(n);
            break;
        case 'w':
            m_modes.doubleHeight = flag(n);
            break;
        case '!':
            m_modes.pitch = n & 1 ? 12 : 10;
            m_modes.condensed = n & 4;
            m_modes.bold = n & 8;
            m_modes.doubleStrike = n & 16;
            m_modes.doubleWidth = n & 32;
            m_modes.italic = n & 64;
            m_modes.underline = n & 128;
            break;
        case 'R': {
            const int set = n >= '0' && n <= '9' ? n - '0' : n;
            if (charsets::isKnown(set))
                m_modes.charset = set;
            break;
        }
        case 'k':
            selectTypeface(n);
            break;
        case '(':
            if (params.size() >= 3 && params[0] == 'B')
                barCode(params.mid(3));
            break;
        default:
            break; // consumed with its parameters, not printed
        }
    }

    void selectTypeface(int typeface)
    {
        const QString family = renderer::typefaceFamily(typeface);
        if (family.isEmpty())
            return;
        qsizetype index = m_line.fonts.indexOf(family);
        if (index < 0) {
            m_line.fonts.append(family);
            index = m_line.fonts.size() - 1;
        }
        m_font = int(index);
        m_line.setFontAfter(family);
    }

    void barCode(const QByteArray& data)
    {
        BarCode code = BarCode::fromEscapeData(data);
        if (!code.isValid() || m_line.items.size() >= MaxItems)
            return;
        RendererItem item;
        item.kind = RendererItem::Code;
        item.x = m_x;
        item.width = code.widthInches();
        item.barCode = int(m_line.barCodes.size());
        m_line.barCodes.push_back(std::move(code));
        add(item);
        m_x += item.width;
    }

    QStringView m_text;
    RendererModes& m_modes;
    double m_pitchScale;
    RendererLine& m_line;
    double m_x = 0;
    int m_font = 0;
    QByteArray m_params;
    bool m_styleKnown = false; // m_cellWidth and m_attributes follow the modes
    double m_cellWidth = 0;
    quint8 m_attributes = 0;
};

} // namespace

namespace renderer {

void parseLine(QStringView text, RendererModes& modes, const QString& fontName, double pitchScale, RendererLine& line)
{
    Parser(text, modes, fontName, pitchScale, line).run();
}

bool plainLineInkEnd(QStringView text, RendererModes& modes, double pitchScale, double& inkEnd)
{
    if (size_t(text.size()) > MaxItems)
        return false;
    // No national character set turns a character into a blank or a blank into another,
    // so the ink ends at the last character that is no blank, whatever the set.
    // Control characters, surrogates and escape parameters make a line no plain line. The
    // check runs without a branch over blocks of eight characters, which the compiler turns
    // into a few vector instructions a block.
    const char16_t* chars = text.utf16();
    const auto special = [](char16_t u) {
        return unsigned(u < 0x20) | unsigned(char16_t(u - 0x7F) < 0x21) | unsigned((u & 0xF800) == 0xD800) |
               unsigned(char16_t(u - escape::ParameterBase) <= 0xFF);
    };
    constexpr qsizetype Block = 8;
    unsigned found = 0;
    qsizetype i = 0;
    for (; i + Block <= text.size(); i += Block) {
        unsigned inBlock = 0;
        for (qsizetype k = 0; k < Block; ++k)
            inBlock |= special(chars[i + k]);
        found |= inBlock;
    }
    for (; i < text.size(); ++i)
        found |= special(chars[i]);
    if (found)
        return false;
    qsizetype inkedCells = text.size();
    while (inkedCells > 0 && (chars[inkedCells - 1] == u' ' || chars[inkedCells - 1] == 0xA0))
        --inkedCells;
    if (modes.underline)
        inkedCells = text.size();
    // As after any line: double width by SO has ended.
    modes.lineDoubleWidth = false;
    inkEnd = double(inkedCells) * modes.cellInches(pitchScale);
    return true;
}

QString typefaceFamily(int typeface)
{
    switch (typeface) {
    case 0:
        return QStringLiteral("Times New Roman"); // Roman
    case 1:
        return QStringLiteral("Arial"); // Sans Serif
    case 2:
        return QStringLiteral("Courier New"); // Courier
    default:
        return QString();
    }
}

} // namespace renderer
