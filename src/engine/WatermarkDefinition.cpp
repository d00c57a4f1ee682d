#include "engine/WatermarkDefinition.h"

#include "settings/ReadingRules.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr std::array<QRgb, 16> palette = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
};

// A field read "as a whole number": blanks around it, an optional sign, digits and an
// optional decimal fraction, rounded half to even. Anything else (an empty field, letters,
// a second number) is unreadable, and the caller keeps the attribute it had.
std::optional<qint64> wholeNumber(const QString& field, qint64 lowest, qint64 highest)
{
    const QString text = field.trimmed();
    qsizetype i = 0;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        const qsizetype fractionStart = i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
        digits += i - fractionStart;
    }
    if (digits == 0 || i != text.size() || text.size() > 40)
        return std::nullopt;

    bool ok = false;
    const double value = QStringView(text).mid(negative || text[0] == u'+' ? 1 : 0).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const double rounded = std::nearbyint(negative ? -value : value); // default mode: half to even
    if (rounded < double(lowest) || rounded > double(highest))
        return std::nullopt;
    return static_cast<qint64>(rounded);
}

} // namespace

WatermarkDefinition WatermarkDefinition::parse(const QString& line, const WatermarkDefinition& previous)
{
    WatermarkDefinition d = previous;
    if (line.isEmpty())
        return d;

    // Cut fields 1 to 11 from the front. Once a "|" is missing every later field is
    // missing too, and the rest stays whole for the brightness.
    QString rest = line;
    auto cut = [&rest]() -> std::optional<QString> {
        const qsizetype bar = rest.indexOf(u'|');
        if (bar < 0)
            return std::nullopt;
        QString field = rest.left(bar);
        rest = rest.mid(bar + 1);
        return field;
    };
    auto number = [&cut](qint64 lowest, qint64 highest) -> std::optional<qint64> {
        const auto field = cut();
        return field ? wholeNumber(*field, lowest, highest) : std::nullopt;
    };
    constexpr qint64 min32 = std::numeric_limits<qint32>::min();
    constexpr qint64 max32 = std::numeric_limits<qint32>::max();
    constexpr qint64 min16 = std::numeric_limits<qint16>::min();
    constexpr qint64 max16 = std::numeric_limits<qint16>::max();

    if (const auto f = cut())
        d.text = *f;
    if (const auto f = cut())
        d.fontName = *f;
    if (const auto f = cut())
        d.size = *f;
    for (bool* style : {&d.bold, &d.italic, &d.underline, &d.strikethrough}) {
        if (const auto n = number(min16, max16))
            *style = *n != 0;
    }
    for (qint32* shift : {&d.horizontalOffset, &d.verticalOffset, &d.rotation}) {
        if (const auto n = number(min32, max32))
            *shift = static_cast<qint32>(*n);
    }
    if (const auto n = number(0, 15))
        d.colourIndex = static_cast<qint16>(*n);
    if (const auto n = wholeNumber(rest, 0, 255))
        d.brightness = static_cast<qint16>(*n);
    return d;
}

WatermarkDefinition WatermarkDefinition::parse(const QString& line)
{
    return parse(line, WatermarkDefinition{});
}

QString WatermarkDefinition::compose() const
{
    QStringList fields{text, fontName, size};
    for (const qint64 n :
         {qint64(bold), qint64(italic), qint64(underline), qint64(strikethrough), qint64(horizontalOffset),
          qint64(verticalOffset), qint64(rotation), qint64(colourIndex), qint64(brightness)})
        fields << rules::signedNumber(n);
    return fields.join(u'|');
}

QString WatermarkDefinition::nameOf(const QString& line)
{
    const qsizetype bar = line.indexOf(u'|');
    return bar < 0 ? line : line.left(bar);
}

QColor WatermarkDefinition::paletteColour(int index)
{
    if (index < 0 || index >= int(palette.size()))
        return QColor(palette[0]);
    return QColor(palette[size_t(index)]);
}

QColor WatermarkDefinition::shownColour(int index, int brightness)
{
    const QColor base = paletteColour(index);
    const int add = std::max(brightness, 0);
    auto lift = [add](int component) { return std::min(component + add, 255); };
    return QColor(lift(base.red()), lift(base.green()), lift(base.blue()));
}

double WatermarkDefinition::pointSize() const
{
    const double points = rules::numericValue(size);
    return points > 0.0 && std::isfinite(points) ? points : defaultPointSize;
}
