#include "engine/BarCode.h"

#include <QFont>
#include <QPainter>

#include <zint.h>

#include <algorithm>
#include <memory>

namespace {

// Height libzint is asked for, in modules. The bars are stretched to the height the
// caller wants at draw time; only what hangs below them (guard bars, text) keeps the
// module scale.
constexpr float EncodedHeight = 50.0f;
// libzint's vector output measures 2 units per module at scale 1.
constexpr float UnitsPerModule = 2.0f;

struct SymbolDeleter
{
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

int symbology(int type)
{
    switch (type) {
    case 0:
    case 1:
        return BARCODE_EANX;
    case 2:
        return BARCODE_C25INTER;
    case 3:
        return BARCODE_UPCA;
    case 4:
        return BARCODE_UPCE;
    case 5:
        return BARCODE_CODE39;
    case 6:
        return BARCODE_CODE128;
    case 7:
        return BARCODE_POSTNET;
    default:
        return 0;
    }
}

// The data as the symbology wants it. Epson's Code 39 data may carry its start and stop
// characters, and its Code 128 data starts with a code set selector ({A, {B, {C) that
// libzint chooses by itself; "{{" stands for a brace.
QByteArray normalizedData(int type, QByteArray data)
{
    if (type == 5) {
        if (data.startsWith('*'))
            data.remove(0, 1);
        if (data.endsWith('*'))
            data.chop(1);
        return data.toUpper();
    }
    if (type == 6) {
        QByteArray plain;
        for (qsizetype i = 0; i < data.size(); ++i) {
            if (data[i] == '{' && i + 1 < data.size()) {
                if (data[i + 1] == '{')
                    plain += '{';
                ++i; // a code set or function selector: libzint picks the code sets itself
                continue;
            }
            plain += data[i];
        }
        return plain;
    }
    return data;
}

bool allDigits(const QByteArray& data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Full length of the numeric symbologies with their check digit.
int fullLength(int type)
{
    switch (type) {
    case 0:
        return 13;
    case 1:
        return 8;
    case 3:
        return 12;
    case 4:
        return 8;
    default:
        return 0;
    }
}

Symbol encode(int type, const QByteArray& data, bool checkDigit, bool humanReadable)
{
    Symbol symbol(ZBarcode_Create());
    if (!symbol)
        return nullptr;
    symbol->symbology = symbology(type);
    symbol->height = EncodedHeight;
    symbol->scale = 1.0f;
    symbol->show_hrt = humanReadable ? 1 : 0;
    // Quiet zones are part of the symbol: a scanner needs them, and the print data
    // cannot be relied on to leave room beside the bars.
    symbol->output_options |= BARCODE_QUIET_ZONES;
    if (checkDigit && (type == 2 || type == 5))
        symbol->option_2 = 1;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size())) >=
        ZINT_ERROR)
        return nullptr;
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector)
        return nullptr;
    return symbol;
}

} // namespace

BarCode BarCode::fromEscapeData(const QByteArray& bytes)
{
    BarCode code;
    if (bytes.size() < 7)
        return code;
    const int type = uchar(bytes[0]);
    const int module = uchar(bytes[1]);
    code.m_moduleDots = module >= 1 && module <= 12 ? module : 2;
    code.m_requestedHeight = uchar(bytes[3]) + 256 * uchar(bytes[4]);
    const int flags = uchar(bytes[5]);
    if (symbology(type) == 0)
        return code;

    const QByteArray data = normalizedData(type, bytes.mid(6));
    if (data.isEmpty())
        return code;
    // Numeric symbologies take digits only, EAN and UPC with or without their check
    // digit; anything else is refused as the printer would refuse it.
    const bool numeric = type != 5 && type != 6;
    if (numeric && !allDigits(data))
        return code;
    if (fullLength(type) && data.size() != fullLength(type) && data.size() != fullLength(type) - 1 &&
        !(type == 4 && data.size() == 6))
        return code;
    const bool checkDigit = flags & 1;
    const bool humanReadable = !(flags & 2);
    Symbol symbol = encode(type, data, checkDigit, humanReadable);
    // A full-length EAN or UPC whose check digit is wrong: print it with the right one,
    // as the printer computes the check digit itself.
    if (!symbol && fullLength(type) && data.size() == fullLength(type))
        symbol = encode(type, data.left(data.size() - 1), checkDigit, humanReadable);
    if (!symbol)
        return code;

    const float height = symbol->height > 0 ? symbol->height : EncodedHeight;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        if (r->colour > 0 && r->colour != 7) // coloured or white boxes are not bars
            continue;
        code.m_bars.push_back(
            {r->x / UnitsPerModule, r->y / UnitsPerModule, r->width / UnitsPerModule, r->height / UnitsPerModule});
    }
    for (const zint_vector_string* s = symbol->vector->strings; s; s = s->next) {
        code.m_labels.push_back({s->x / UnitsPerModule, s->y / UnitsPerModule - height, s->fsize / UnitsPerModule,
                                 s->halign, QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length)});
    }
    // Bars are kept relative to the encoded bar height so draw() can stretch them.
    for (Bar& bar : code.m_bars) {
        bar.y /= height;
        bar.height /= height;
    }
    code.m_barModules = height;
    code.m_width = symbol->vector->width / UnitsPerModule;
    code.m_text = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    return code;
}

void BarCode::draw(QPainter& painter, QPointF topLeft, double moduleWidth, double barHeight) const
{
    if (!isValid() || moduleWidth <= 0 || barHeight <= 0)
        return;
    // Bar heights are fractions of the bar height up to 1; what hangs below (guard bars)
    // is measured in modules and converted at the module width.
    auto yOffset = [&](double fraction) {
        return fraction <= 1.0 ? fraction * barHeight : barHeight + (fraction - 1.0) * m_barModules * moduleWidth;
    };
    for (const Bar& bar : m_bars) {
        const double top = yOffset(bar.y);
        const double bottom = yOffset(bar.y + bar.height);
        painter.fillRect(QRectF(topLeft.x() + bar.x * moduleWidth, topLeft.y() + top, bar.width * moduleWidth,
                                bottom - top),
                         Qt::black);
    }
    if (m_labels.empty())
        return;
    painter.save();
    painter.setPen(Qt::black);
    for (const Label& label : m_labels) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(qMax(1, qRound(label.size * moduleWidth)));
        // A painter without text antialiasing draws in black and white only (a page
        // stored as a one-bit picture); the font has to be told as well.
        if (!painter.testRenderHint(QPainter::TextAntialiasing))
            font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(label.text);
        double x = topLeft.x() + label.x * moduleWidth;
        if (label.align == 0)
            x -= width / 2;
        else if (label.align == 2)
            x -= width;
        const double baseline = topLeft.y() + barHeight + label.baseline * moduleWidth;
        painter.drawText(QPointF(x, baseline), label.text);
    }
    painter.restore();
}
