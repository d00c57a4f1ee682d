#include "engine/BoxDrawing.h"

#include "engine/BoxFills.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

enum Style : char { None = '.', Light = 'L', Heavy = 'H', Double = 'D' };
enum Direction { Up, Right, Down, Left };

// The arms of U+2500..U+257F, in the order up, right, down, left. Dashed lines,
// rounded corners and diagonals share the arms of their plain forms; draw() adds the
// difference.
constexpr const char* Arms[128] = {
    ".L.L", ".H.H", "L.L.", "H.H.", ".L.L", ".H.H", "L.L.", "H.H.", // 2500
    ".L.L", ".H.H", "L.L.", "H.H.", ".LL.", ".HL.", ".LH.", ".HH.", // 2508
    "..LL", "..LH", "..HL", "..HH", "LL..", "LH..", "HL..", "HH..", // 2510
    "L..L", "L..H", "H..L", "H..H", "LLL.", "LHL.", "HLL.", "LLH.", // 2518
    "HLH.", "HHL.", "LHH.", "HHH.", "L.LL", "L.LH", "H.LL", "L.HL", // 2520
    "H.HL", "H.LH", "L.HH", "H.HH", ".LLL", ".LLH", ".HLL", ".HLH", // 2528
    ".LHL", ".LHH", ".HHL", ".HHH", "LL.L", "LL.H", "LH.L", "LH.H", // 2530
    "HL.L", "HL.H", "HH.L", "HH.H", "LLLL", "LLLH", "LHLL", "LHLH", // 2538
    "HLLL", "LLHL", "HLHL", "HLLH", "HHLL", "LLHH", "LHHL", "HHLH", // 2540
    "LHHH", "HLHH", "HHHL", "HHHH", ".L.L", ".H.H", "L.L.", "H.H.", // 2548
    ".D.D", "D.D.", ".DL.", ".LD.", ".DD.", "..LD", "..DL", "..DD", // 2550
    "LD..", "DL..", "DD..", "L..D", "D..L", "D..D", "LDL.", "DLD.", // 2558
    "DDD.", "L.LD", "D.DL", "D.DD", ".DLD", ".LDL", ".DDD", "LD.D", // 2560
    "DL.L", "DD.D", "LDLD", "DLDL", "DDDD", ".LL.", "..LL", "L..L", // 2568
    "LL..", "....", "....", "....", "...L", "L...", ".L..", "..L.", // 2570
    "...H", "H...", ".H..", "..H.", ".H.L", "L.H.", ".L.H", "H.L.", // 2578
};

// Number of dashes of the dashed lines, 0 for solid ones.
int dashCount(char32_t c)
{
    if (c >= 0x2504 && c <= 0x2507)
        return 3;
    if (c >= 0x2508 && c <= 0x250B)
        return 4;
    if (c >= 0x254C && c <= 0x254F)
        return 2;
    return 0;
}

struct Geometry
{
    std::vector<QRectF>& strokes;
    QRectF cell;
    double t;       // light line width
    double g;       // distance of each line of a double line from the centre
    double overlap; // reach beyond the cell edge
    std::array<Style, 4> arms;
    int dashes;

    double centre(bool horizontalAxis) const { return horizontalAxis ? cell.center().x() : cell.center().y(); }
    double thickness(Style s) const { return s == Heavy ? 2 * t : t; }

    // Fills the stroke of arm `d` that runs at `offset` across its axis, from the cell
    // edge to `end` along it.
    void stroke(Direction d, double offset, double width, double end) const
    {
        const bool horizontal = d == Left || d == Right;
        const double sign = d == Left || d == Up ? -1 : 1;
        const double half = (horizontal ? cell.width() : cell.height()) / 2;
        const double edge = centre(horizontal) + sign * (half + overlap);
        const double from = std::min(edge, end);
        const double to = std::max(edge, end);
        const double across = centre(!horizontal) + offset;
        if (dashes == 0) {
            fill(horizontal, from, to, across, width);
            return;
        }
        // Dashed lines span the whole cell; draw their dashes once, for the first arm.
        if (d != Right && d != Down)
            return;
        const double start = centre(horizontal) - half;
        const double segment = 2 * half / dashes;
        for (int i = 0; i < dashes; ++i) {
            const double a = start + i * segment + segment * 0.2;
            fill(horizontal, a, a + segment * 0.6, across, width);
        }
    }

    void fill(bool horizontal, double from, double to, double across, double width) const
    {
        const QRectF r = horizontal ? QRectF(from, across - width / 2, to - from, width)
                                    : QRectF(across - width / 2, from, width, to - from);
        strokes.push_back(r);
    }

    // Where a line at `side` (-1 or +1 across the arm) coming from the edge of arm `d`
    // stops at the perpendicular arms `near` (on its own side) and `far`.
    double doubleLineEnd(Direction d, Style near, Style far) const
    {
        const double c = centre(d == Left || d == Right);
        const double sign = d == Left || d == Up ? -1 : 1;
        if (near == Double)
            return c + sign * (g - t / 2); // meets the near line of the perpendicular pair
        if (near != None)
            return c;
        if (far == Double)
            return c - sign * (g + t / 2); // turns the corner along the far line
        if (far != None)
            return c - sign * thickness(far) / 2;
        return c;
    }

    double singleLineEnd(Direction d, Style a, Style b, Style opposite) const
    {
        const double c = centre(d == Left || d == Right);
        const double sign = d == Left || d == Up ? -1 : 1;
        if (a == Double && b == Double) {
            if (opposite != None)
                return c - sign * t / 2; // crossing a double line (╪): straight through
            return c + sign * (g - t / 2); // a T on a double line (╤) stops at its near line
        }
        if (a == Double || b == Double)
            return c - sign * (g + t / 2); // a corner reaches the double line's far side
        return c - sign * std::max(thickness(a), thickness(b)) / 2;
    }

    void drawArm(Direction d) const
    {
        const Style s = arms[d];
        if (s == None)
            return;
        const bool horizontal = d == Left || d == Right;
        // The perpendicular arms on the negative (up or left) and positive side.
        const Style a = horizontal ? arms[Up] : arms[Left];
        const Style b = horizontal ? arms[Down] : arms[Right];
        if (s == Double) {
            stroke(d, -g, t, doubleLineEnd(d, a, b));
            stroke(d, g, t, doubleLineEnd(d, b, a));
        } else {
            const Direction opposite = Direction((d + 2) % 4);
            stroke(d, 0, thickness(s), singleLineEnd(d, a, b, arms[opposite]));
        }
    }
};

void drawDiagonals(BoxFills& fills, const QRectF& cell, char32_t c, double t)
{
    if (c == 0x2571 || c == 0x2573)
        fills.addLine(QLineF(cell.bottomLeft(), cell.topRight()), t);
    if (c == 0x2572 || c == 0x2573)
        fills.addLine(QLineF(cell.topLeft(), cell.bottomRight()), t);
}

void drawBlock(BoxFills& fills, const QRectF& cell, char32_t c, double overlap)
{
    const QRectF r = cell.adjusted(-overlap, -overlap, overlap, overlap);
    const double w = r.width();
    const double h = r.height();
    auto fillPart = [&](double x0, double y0, double x1, double y1) {
        fills.addRect(QRectF(r.left() + x0 * w, r.top() + y0 * h, (x1 - x0) * w, (y1 - y0) * h));
    };
    if (c == 0x2580) {
        fillPart(0, 0, 1, 0.5);
    } else if (c >= 0x2581 && c <= 0x2588) {
        fillPart(0, 1 - (c - 0x2580) / 8.0, 1, 1);
    } else if (c >= 0x2589 && c <= 0x258F) {
        fillPart(0, 0, (0x2590 - c) / 8.0, 1);
    } else if (c == 0x2590) {
        fillPart(0.5, 0, 1, 1);
    } else if (c >= 0x2591 && c <= 0x2593) {
        // Shades as flat grey: a dot pattern would beat against the printer's own raster.
        const int grey = c == 0x2591 ? 191 : c == 0x2592 ? 128 : 64;
        fills.addRect(r, qRgb(grey, grey, grey));
    } else if (c == 0x2594) {
        fillPart(0, 0, 1, 1 / 8.0);
    } else if (c == 0x2595) {
        fillPart(7 / 8.0, 0, 1, 1);
    } else if (c >= 0x2596) {
        // Quadrants: bit 0 upper left, 1 upper right, 2 lower left, 3 lower right.
        static constexpr int Quadrants[10] = {4, 8, 1, 1 | 4 | 8, 1 | 8, 1 | 2 | 4, 1 | 2 | 8, 2, 2 | 4, 2 | 4 | 8};
        const int q = Quadrants[c - 0x2596];
        if (q & 1)
            fillPart(0, 0, 0.5, 0.5);
        if (q & 2)
            fillPart(0.5, 0, 1, 0.5);
        if (q & 4)
            fillPart(0, 0.5, 0.5, 1);
        if (q & 8)
            fillPart(0.5, 0.5, 1, 1);
    }
}

// The strokes of one character in a cell at the origin. A listing draws the same few
// characters in cells of one size thousands of times, so each thread keeps the strokes of
// the latest ones and moves them to the cell at hand.
struct Strokes
{
    char32_t c;
    QSizeF cell;
    double lineWidth;
    double overlap;
    double minimumWidth;
    std::vector<QRectF> rects;
};

const std::vector<QRectF>& armStrokes(char32_t c, const QSizeF& cell, double lineWidth, double overlap,
                                      double minimumWidth)
{
    constexpr size_t Kept = 64;
    thread_local std::vector<Strokes> kept;
    for (const Strokes& s : kept)
        if (s.c == c && s.cell.width() == cell.width() && s.cell.height() == cell.height() &&
            s.lineWidth == lineWidth && s.overlap == overlap && s.minimumWidth == minimumWidth)
            return s.rects;
    if (kept.size() >= Kept)
        kept.clear();
    Strokes& made = kept.emplace_back(Strokes{c, cell, lineWidth, overlap, minimumWidth, {}});
    // Keep lines, and the two lines of a double line, inside narrow cells (condensed or
    // scaled-down documents) so neighbouring verticals never merge.
    const double room = std::min(cell.width(), cell.height());
    const double t = std::max(std::min(lineWidth, room / 6), minimumWidth);
    const double g = std::min(1.25 * t, room * 0.3);
    const char* arms = Arms[c - 0x2500];
    const Geometry geometry{made.rects,  QRectF(QPointF(0, 0), cell),
                            t,           g,
                            overlap,     {Style(arms[0]), Style(arms[1]), Style(arms[2]), Style(arms[3])},
                            dashCount(c)};
    for (Direction d : {Up, Right, Down, Left})
        geometry.drawArm(d);
    return made.rects;
}

} // namespace

namespace boxdrawing {

void draw(BoxFills& fills, const QRectF& cell, char32_t c, double lineWidth, double overlap, double minimumWidth)
{
    if (!isBoxCharacter(c) || cell.width() <= 0 || cell.height() <= 0)
        return;
    if (c >= 0x2580) {
        drawBlock(fills, cell, c, overlap);
        return;
    }
    if (c >= 0x2571 && c <= 0x2573) {
        const double t = std::max(std::min(lineWidth, std::min(cell.width(), cell.height()) / 6), minimumWidth);
        drawDiagonals(fills, cell, c, t);
        return;
    }
    const QPointF at = cell.topLeft();
    for (const QRectF& stroke : armStrokes(c, cell.size(), lineWidth, overlap, minimumWidth))
        fills.addRect(stroke.translated(at));
}

void Line::begin(double height, double lineWidth, double overlap, double minimumWidth)
{
    m_line.height = height;
    m_line.lineWidth = lineWidth;
    m_line.overlap = overlap;
    m_line.minimumWidth = minimumWidth;
    m_line.cells.clear();
}

void Line::add(char32_t c, double left, double width)
{
    m_line.cells.push_back({c, left, width});
}

void Line::drawInto(BoxFills& fills, double top)
{
    if (m_line.cells.empty())
        return;
    // A page has a few kinds of framed lines: rules, rows, the top and the bottom. Lines
    // wider than any page holds are drawn as they come, so what is kept stays small.
    constexpr size_t Kept = 8;
    constexpr size_t MostCellsKept = 512;
    if (m_line.cells.size() > MostCellsKept) {
        for (const Cell& cell : m_line.cells)
            draw(fills, QRectF(cell.left, top, cell.width, m_line.height), cell.c, m_line.lineWidth, m_line.overlap,
                 m_line.minimumWidth);
        return;
    }
    auto drawn = std::find_if(m_kept.begin(), m_kept.end(), [&](const Drawn& d) { return d.shape == m_line; });
    if (drawn == m_kept.end()) {
        if (m_kept.size() < Kept) {
            drawn = m_kept.emplace(m_kept.end());
        } else {
            drawn = m_kept.begin() + qsizetype(m_nextToReplace);
            m_nextToReplace = (m_nextToReplace + 1) % Kept;
        }
        drawn->shape = m_line;
        drawn->strokes.clear();
        for (const Cell& cell : m_line.cells)
            draw(drawn->strokes, QRectF(cell.left, 0, cell.width, m_line.height), cell.c, m_line.lineWidth,
                 m_line.overlap, m_line.minimumWidth);
    }
    fills.appendMoved(drawn->strokes, top);
}

} // namespace boxdrawing
