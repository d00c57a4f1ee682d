#include "support/PdfTools.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace pdftools {

ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

static QStringList upw(const QString& password)
{
    return password.isEmpty() ? QStringList() : QStringList{"-upw", password};
}

ToolResult info(const QString& pdf, const QString& password, int lastPage)
{
    QStringList args = upw(password);
    if (lastPage > 0)
        args += {"-f", "1", "-l", QString::number(lastPage)};
    return run("pdfinfo", args << pdf);
}

QString infoValue(const QString& infoOutput, const QString& key)
{
    for (const QString& line : infoOutput.split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

QString infoOf(const QString& pdf, const QString& key, int lastPage)
{
    return infoValue(info(pdf, {}, lastPage).out, key);
}

ToolResult text(const QString& pdf)
{
    return run("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
}

ToolResult check(const QString& pdf, const QString& password)
{
    return run("qpdf", {"--password=" + password, "--check", pdf});
}

QStringList pageTexts(const QString& pdf, bool contentOrder, const QString& password)
{
    const QStringList args{contentOrder ? "-raw" : "-layout", "-enc", "UTF-8", pdf, "-"};
    QStringList pages = run("pdftotext", upw(password) + args).out.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QList<QImage> pageImages(const QString& pdf, int dpi)
{
    QTemporaryDir dir;
    run("pdftoppm", {"-r", QString::number(dpi), "-png", pdf, dir.path() + "/p"});
    QList<QImage> images;
    for (const QString& name : QDir(dir.path()).entryList({"*.png"}, QDir::Files, QDir::Name))
        images.append(QImage(dir.filePath(name)));
    return images;
}

QList<Font> fonts(const QString& pdf)
{
    // name type encoding emb sub uni object-id generation; the type may hold a blank.
    QList<Font> fonts;
    for (const QString& row : run("pdffonts", {pdf}).out.split(u'\n', Qt::SkipEmptyParts).mid(2)) {
        const QStringList c = row.split(u' ', Qt::SkipEmptyParts);
        const qsizetype n = c.size();
        if (n >= 7)
            fonts.append({c[0], c[n - 5] == "yes", c[n - 4] == "yes", c[n - 3] == "yes"});
    }
    return fonts;
}

QList<QList<Word>> words(const QString& pdf)
{
    static const QRegularExpression word(
        R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    QList<QList<Word>> pages;
    for (const QString& page : run("pdftotext", {"-bbox", pdf, "-"}).out.split("<page").mid(1)) {
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
    for (const QString& line : run("pdfimages", {"-list", pdf}).out.split(u'\n').mid(2)) {
        const QStringList c = line.simplified().split(u' ');
        if (c.size() > 8 && c[2] == "image")
            images.append({c[0].toInt(), QSize(c[3].toInt(), c[4].toInt()), c[8], c[5], c[7].toInt()});
    }
    return images;
}

} // namespace pdftools
