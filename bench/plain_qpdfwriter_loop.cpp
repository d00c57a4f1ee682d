// plain-qpdfwriter-loop INPUT.txt OUTPUT.pdf
// The simplest way to put a UTF-8 text listing into a PDF with Qt: one QPdfWriter, one
// drawText per line in a monospaced font, a new page at every form feed or after 60
// lines. No escape codes, no security, no finishing pass: the yardstick the PDF output
// is measured against.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain-qpdfwriter-loop INPUT.txt OUTPUT.pdf\n");
        return 1;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly))
        return 1;
    QStringList lines = QString::fromUtf8(input.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the text ends with a line end, not with an empty line

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    const double lineHeight = 842.0 / 65;
    int row = 0;
    for (QString line : lines) {
        line.remove(u'\r');
        if (line.startsWith(u'\f') || row == 60) {
            writer.newPage();
            row = 0;
            line.remove(u'\f');
        }
        painter.drawText(QPointF(36, (row + 1) * lineHeight), line);
        ++row;
    }
    return painter.end() ? 0 : 1;
}
