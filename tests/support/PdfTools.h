#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <ostream>

// PDF inspection through the command-line tools of poppler and qpdf, run as separate
// processes on real files. Every function returns the tool's output; a tool that fails
// to start or times out gives empty output and a negative exit code.
namespace pdftools {

struct ToolResult
{
    int exitCode = -1;
    QString out;
    QString err;

    bool ok() const { return exitCode == 0; }
};

ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

// pdfinfo, optionally with the password that opens the file, for pages first to last
// when last > 0 (then "Page    N size:" lines are included).
ToolResult info(const QString& pdf, const QString& password = QString(), int lastPage = 0);
// pdftotext -layout of the whole document.
ToolResult text(const QString& pdf, const QString& password = QString());
// pdffonts.
ToolResult fonts(const QString& pdf, const QString& password = QString());
// qpdf --show-encryption.
ToolResult showEncryption(const QString& pdf, const QString& password = QString());
// qpdf --check; exit code 0 means a sound file that could be opened.
ToolResult check(const QString& pdf, const QString& password = QString());

// The text of each page (pdftotext -layout, split at the form feeds), first page first.
QStringList pageTexts(const QString& pdf);
// Every page rendered to an image at the given resolution (pdftoppm), first page first.
QList<QImage> pageImages(const QString& pdf, int dpi = 30);

// The value of one "Key: value" (or, with separator "=", "Key = value") line of pdfinfo output ("Pages", "Page size",
// "CreationDate", "Page    2 size"), trimmed; empty when absent.
QString infoValue(const QString& infoOutput, const QString& key, const QString& separator = QStringLiteral(":"));

} // namespace pdftools

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
