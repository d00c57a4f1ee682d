#pragma once

#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QSize>

// A child process killed, at the latest, when the object goes: the peers' and the server's.
struct ChildProcess : QProcess
{
    ~ChildProcess()
    {
        kill();
        waitForFinished();
    }
};

// PDF inspection through the command-line tools of poppler and qpdf, run as separate
// processes on real files. A tool that fails to start or times out gives empty output and
// a negative exit code; a missing tool therefore fails the test that needs it.
namespace pdftools {

struct ToolResult
{
    int exitCode = -1;
    QString out, err;

    bool ok() const { return exitCode == 0; }
};

ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

// pdfinfo, with "Page    N size:" lines for pages 1 to lastPage when lastPage > 0.
ToolResult info(const QString& pdf, const QString& password = QString(), int lastPage = 0);
// The trimmed value of a "Key: value" line of pdfinfo ("Pages", "Page    2 size").
QString infoValue(const QString& infoOutput, const QString& key);
QString infoOf(const QString& pdf, const QString& key, int lastPage = 0);
ToolResult text(const QString& pdf); // pdftotext -layout
// qpdf --check; exit code 0 means a sound file that could be opened.
ToolResult check(const QString& pdf, const QString& password = QString());

// The text of each page: laid out, or in the order the page's content draws it (-raw),
// which tells what lies behind what.
QStringList pageTexts(const QString& pdf, bool contentOrder = false, const QString& password = QString());
QList<QImage> pageImages(const QString& pdf, int dpi); // pdftoppm

// pdffonts rows; the name with its subset tag ("ABCDEF+LiberationMono").
struct Font
{
    QString name;
    bool embedded = false, subset = false, unicode = false;
};
QList<Font> fonts(const QString& pdf);

// pdftotext -bbox: the words of each page with their boxes in points.
struct Word
{
    QString text;
    QRectF box;
};
QList<QList<Word>> words(const QString& pdf);

// pdfimages -list: page, size and encoding ("image" for lossless, "jpeg") of every image.
struct Image
{
    int page = 0;
    QSize size;
    QString encoding;
    QString colour; // "gray", "index", "rgb"
    int bits = 0;   // per component
};
QList<Image> images(const QString& pdf);

} // namespace pdftools
