#pragma once

#include "Job.h"
#include "OutputContext.h"
#include "PdfOutput.h"
#include "PdfTools.h"
#include "PictureHolder.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QList>
#include <QPair>
#include <QStringList>

#include <functional>

#include <gtest/gtest.h>

// A print dialog for the PDF outputs: a job filled line by line, the slot's picture mode
// and watermark choice, the two picture holders, and a record of the progress reported.
class TestDialog : public OutputContext
{
public:
    explicit TestDialog(int pages = 0, int linesPerPage = 0)
    {
        if (pages > 0)
            fill(pages, linesPerPage);
    }
    ~TestDialog() override { releasePdfComponent(*this); }

    Job& job() override { return m_job; }
    qint16 PicPageMode(qint16) const override { return picPageMode; }
    qint32 WatermarkPosition(qint16) const override { return watermarkPosition; }
    PictureHolder& Picture1() override { return picture1; }
    PictureHolder& Picture2() override { return picture2; }
    void setProgressMaximum(qint16, qint32 pages, qint32 total) override { maxima.append({pages, total}); }
    void setProgressValue(qint16, qint32 pages, qint32 total) override { values.append({pages, total}); }
    void processEvents() override
    {
        if (onEvents)
            onEvents();
    }

    // `pages` pages of `linesPerPage` lines each: "P<page>Z<line>" followed by `tail`.
    void fill(int pages, int linesPerPage, const QString& tail = QString())
    {
        m_job.PageLen = linesPerPage;
        for (int p = 1; p <= pages; ++p)
            for (int l = 1; l <= linesPerPage; ++l)
                m_job.AddLineToArray(QStringLiteral("P%1Z%2%3").arg(p).arg(l).arg(tail));
        FromPage = 1;
        ToPage = m_job.PageCount();
    }

    qint16 picPageMode = 0;
    qint32 watermarkPosition = 0;
    PictureHolder picture1;
    PictureHolder picture2;
    QList<QPair<qint32, qint32>> maxima;
    QList<QPair<qint32, qint32>> values;
    std::function<void()> onEvents;

private:
    Job m_job;
};

// Private folders, the default settings loaded, and a PDF folder of its own.
struct PdfFixture
{
    TempFolders dirs;
    QString pdfFolder;

    PdfFixture()
    {
        LoadServerSettings(dirs.settingsFile());
        pdfFolder = dirs.root() + QStringLiteral("/pdf");
        QDir().mkpath(pdfFolder);
        ServerSettings().PDFFolder = pdfFolder;
    }

    // Every file below the temporary root, relative to it, but the resolution probe's.
    QStringList allFiles() const
    {
        QStringList files;
        QDirIterator it(dirs.root(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(dirs.root()).relativeFilePath(it.next());
        files.removeAll(QStringLiteral("appdata/Test.pdf"));
        files.sort();
        return files;
    }
    QStringList pdfFiles() const { return QDir(pdfFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files); }
};

// The text of each page, in content order (pdftotext -raw), split at page ends.
inline QStringList pageTexts(const QString& pdf, const QString& password = QString())
{
    QStringList args;
    if (!password.isEmpty())
        args << QStringLiteral("-upw") << password;
    args << QStringLiteral("-raw") << QStringLiteral("-enc") << QStringLiteral("UTF-8") << pdf << QStringLiteral("-");
    QStringList pages = pdftools::run(QStringLiteral("pdftotext"), args).out.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// "pdfimages -list" rows: the page, size and encoding ("image" for lossless, "jpeg") of
// every image.
struct ListedImage
{
    int page = 0;
    QSize size;
    QString encoding;
};
inline QList<ListedImage> listImages(const QString& pdf)
{
    QList<ListedImage> images;
    const QStringList lines =
        pdftools::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).out.split(u'\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() > 4 && cols[2] == QStringLiteral("image"))
            images.append({cols[0].toInt(), QSize(cols[3].toInt(), cols[4].toInt()), cols.value(8)});
    }
    return images;
}

// The pdfinfo value of `key` ("Pages", "Page    2 size") for pages up to `lastPage`.
inline QString infoOf(const QString& pdf, const QString& key, int lastPage = 0)
{
    return pdftools::infoValue(pdftools::info(pdf, {}, lastPage).out, key);
}

// Writes the dialog's job to "<name>.pdf", unencrypted so the tools need no password.
inline QString writeNamedPdf(PdfFixture& fx, TestDialog& dialog, const QString& name)
{
    ServerSettings().PdfPrint = false;
    dialog.job().pdfName = name;
    QString stamp;
    const PdfOutcome outcome = PrintToPdf(dialog, 0, stamp);
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    return fx.pdfFolder + QStringLiteral("/") + name + QStringLiteral(".pdf");
}

inline QString writePicture(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    image.save(path);
    return path;
}
