#include "PdfTools.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace pdftools {

ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ToolResult result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

namespace {

QStringList popplerPassword(const QString& password)
{
    return password.isEmpty() ? QStringList() : QStringList{QStringLiteral("-upw"), password};
}

QStringList qpdfPassword(const QString& password)
{
    return password.isEmpty() ? QStringList() : QStringList{QStringLiteral("--password=") + password};
}

} // namespace

ToolResult info(const QString& pdf, const QString& password, int lastPage)
{
    QStringList args = popplerPassword(password);
    if (lastPage > 0)
        args << QStringLiteral("-f") << QStringLiteral("1") << QStringLiteral("-l") << QString::number(lastPage);
    return run(QStringLiteral("pdfinfo"), args << pdf);
}

QString infoValue(const QString& infoOutput, const QString& key, const QString& separator)
{
    const QString prefix = key + (separator == QLatin1String(":") ? separator : QLatin1Char(' ') + separator);
    for (const QString& line : infoOutput.split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    }
    return {};
}

QString infoOf(const QString& pdf, const QString& key, int lastPage)
{
    return infoValue(info(pdf, {}, lastPage).out, key);
}

ToolResult text(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("pdftotext"), popplerPassword(password)
                                                << QStringLiteral("-layout") << QStringLiteral("-enc")
                                                << QStringLiteral("UTF-8") << pdf << QStringLiteral("-"));
}

ToolResult showEncryption(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("qpdf"), qpdfPassword(password) << QStringLiteral("--show-encryption") << pdf);
}

ToolResult check(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("qpdf"), qpdfPassword(password) << QStringLiteral("--check") << pdf);
}

QStringList pageTexts(const QString& pdf, bool contentOrder, const QString& password)
{
    const QStringList args = popplerPassword(password)
                             << (contentOrder ? QStringLiteral("-raw") : QStringLiteral("-layout"))
                             << QStringLiteral("-enc") << QStringLiteral("UTF-8") << pdf << QStringLiteral("-");
    QStringList pages = run(QStringLiteral("pdftotext"), args).out.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QList<QImage> pageImages(const QString& pdf, int dpi)
{
    QTemporaryDir dir;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf, dir.path() + QStringLiteral("/p")});
    QList<QImage> images;
    const QStringList names = QDir(dir.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        images.append(QImage(dir.filePath(name)));
    return images;
}

QList<Font> fonts(const QString& pdf)
{
    // name type encoding emb sub uni object-id generation; the type may hold a blank.
    QList<Font> fonts;
    const QStringList rows = run(QStringLiteral("pdffonts"), {pdf}).out.split(u'\n', Qt::SkipEmptyParts).mid(2);
    for (const QString& row : rows) {
        const QStringList columns = row.split(u' ', Qt::SkipEmptyParts);
        if (columns.size() >= 7) {
            const qsizetype n = columns.size();
            fonts.append({columns[0], columns[n - 5] == QLatin1String("yes"), columns[n - 4] == QLatin1String("yes"),
                          columns[n - 3] == QLatin1String("yes")});
        }
    }
    return fonts;
}

QList<QList<Word>> words(const QString& pdf)
{
    static const QRegularExpression word(
        QStringLiteral(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}).out;
    QList<QList<Word>> pages;
    for (const QString& page : html.split(QStringLiteral("<page")).mid(1)) {
        QList<Word> found;
        for (const QRegularExpressionMatch& m : word.globalMatch(page))
            found.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
        pages.append(found);
    }
    return pages;
}

QList<Image> images(const QString& pdf)
{
    QList<Image> images;
    const QStringList lines = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).out.split(u'\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() > 8 && cols[2] == QLatin1String("image"))
            images.append({cols[0].toInt(), QSize(cols[3].toInt(), cols[4].toInt()), cols[8]});
    }
    return images;
}

} // namespace pdftools
