#include "BenchListing.h"

#include "CodePage.h"

#include <QString>

using namespace Qt::StringLiterals;

namespace bench {

QByteArray listing(int pages)
{
    const QByteArray top = codepage::encode(QChar(u'╔') + QString(78, u'═') + QChar(u'╗'), 437);
    const QByteArray rule = codepage::encode(QChar(u'╟') + QString(78, u'─') + QChar(u'╢'), 437);
    const QByteArray bottom = codepage::encode(QChar(u'╚') + QString(78, u'═') + QChar(u'╝'), 437);
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
            bytes += codepage::encode(text.leftJustified(79, u' ', true) + QChar(u'║'), 437) + "\r\n";
        }
        bytes += bottom + "\r\n";
    }
    return bytes;
}

} // namespace bench
