#include "BenchListing.h"

#include "engine/CodePage.h"

#include <QString>

using namespace Qt::StringLiterals;

namespace bench {
namespace {

// Text as a DOS program would write it in code page 437; characters it lacks become '?'.
QByteArray encode(QStringView text)
{
    const char16_t* map = codepage::table(437);
    QByteArray bytes(text.size(), '?');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            bytes[i] = char(c);
            continue;
        }
        for (int b = 0x80; b < 0x100; ++b) {
            if (map[b] == c) {
                bytes[i] = char(b);
                break;
            }
        }
    }
    return bytes;
}

} // namespace

QByteArray listing(int pages)
{
    const QByteArray top = encode(QChar(u'╔') + QString(78, u'═') + QChar(u'╗'));
    const QByteArray rule = encode(QChar(u'╟') + QString(78, u'─') + QChar(u'╢'));
    const QByteArray bottom = encode(QChar(u'╚') + QString(78, u'═') + QChar(u'╝'));
    QByteArray bytes;
    bytes.reserve(qsizetype(pages) * ListingLinesPerPage * 83);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            bytes += '\f';
        bytes += top + "\r\n";
        for (int line = 2; line < ListingLinesPerPage; ++line) {
            if (line % 10 == 0) {
                bytes += rule + "\r\n";
                continue;
            }
            const QString text = u"║ %1 │ Müller & Söhne Größenänderung │ Übertrag %2 │ Straße %3"_s.arg(page, 6)
                                     .arg(line * 1234.5, 12, 'f', 2)
                                     .arg(line, 3);
            bytes += encode(text.leftJustified(79, u' ', true) + QChar(u'║')) + "\r\n";
        }
        bytes += bottom + "\r\n";
    }
    return bytes;
}

} // namespace bench
