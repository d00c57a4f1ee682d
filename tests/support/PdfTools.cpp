#include "PdfTools.h"

#include <QDir>
#include <QTemporaryDir>

#include <QProcess>

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

ToolResult text(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("pdftotext"), popplerPassword(password)
                                                << QStringLiteral("-layout") << QStringLiteral("-enc")
                                                << QStringLiteral("UTF-8") << pdf << QStringLiteral("-"));
}

ToolResult fonts(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("pdffonts"), popplerPassword(password) << pdf);
}

ToolResult showEncryption(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("qpdf"), qpdfPassword(password) << QStringLiteral("--show-encryption") << pdf);
}

ToolResult check(const QString& pdf, const QString& password)
{
    return run(QStringLiteral("qpdf"), qpdfPassword(password) << QStringLiteral("--check") << pdf);
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

QStringList pageTexts(const QString& pdf)
{
    QStringList pages = text(pdf).out.split(u'\f');
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

} // namespace pdftools
