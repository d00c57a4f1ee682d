#pragma once

#include "pages/Output.h"
#include "pages/PageSizes.h"

#include <QDateTime>
#include <QString>

struct JobSettings;

// The PDF outputs: the job's pages of the request's range, each drawn as the printer
// draws it (background picture, watermark, every line through the line renderer), then
// the attachment image pages, written through a PDF component with the job's security
// settings, the creation date and the page size of A4 in the job's orientation.
//
// A failure (a PDF folder that is missing or not writable, a document the component could
// not finish) comes back as a failed outcome with a German message naming the file or
// folder; no file is left behind then, neither the target nor a partial one. The outputs
// show nothing, neither a failure nor the new file: the dispatcher decides what the user
// sees.
//
// The file is PDFFolder / base name ".pdf". The base name is the request's document name,
// else the job's, else the one the user gives in the name dialog (PDFDLG; a done outcome
// carries the answer in `documentName`, for the dialog to keep for later outputs of the
// job), else "PDFDOC" + stamp. A name the job or the user gave replaces a file of that
// name; it stays inside PDFFolder (its folders are matched without regard to case; ".."
// and absolute paths fail the output with a German message). "PDFDOC" + stamp never
// replaces a file: the stamp is the first second from now whose name is free.
using pagesizes::PdfVariant;

// The document the user keeps ("Pdf-Dokument").
class PdfOutput : public Output
{
public:
    OutputOutcome run(const Job& job, const OutputRequest& request, OutputProgress& progress) override;
};

// The document a mail attaches: A4 of 21 x 29.7 cm, and attachment image pages only with
// PdfMailAnhang set. Naming as above. A done outcome names the file.
OutputOutcome makeMailPdf(const Job& job, const OutputRequest& request, OutputProgress& progress);

// The page loop of both outputs, writing to `path` without asking for a name: the
// command-line converter uses it directly.
OutputOutcome writeJobPdf(const Job& job, const OutputRequest& request, OutputProgress& progress, const QString& path,
                          PdfVariant variant);

// The document stamp: local date and time as 14 digits, "yyyyMMddhhmmss".
QString documentStamp(const QDateTime& when = QDateTime::currentDateTime());
// The stamp of `from`, or of the first second after it, whose "PDFDOC" + stamp names
// neither a file in the PDF folder nor a document this process is writing.
QString freeDocumentStamp(const JobSettings& settings, const QDateTime& from = QDateTime::currentDateTime());
// Whether a base name leads out of the folder it is meant for: an absolute path, a drive,
// a ".." part.
bool leavesFolder(const QString& baseName);
// Why a base name may not be used (it leads out of the PDF folder: an absolute path, a
// drive, a ".." part), as a German message; empty text when it may.
QString pdfNameProblem(const JobSettings& settings, const QString& baseName);
// The PDF folder (the home folder when the setting is empty) joined with base name +
// ".pdf". A "\" in the base name separates folders, as a DOS program means it; each
// folder is matched without regard to case when no folder of exactly that name exists.
QString pdfFilePath(const JobSettings& settings, const QString& baseName);
