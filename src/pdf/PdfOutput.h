#pragma once

#include "OutputOutcome.h"
#include "PdfPageGeometry.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

class OutputContext;
class PdfComponent;

// The PDF outputs of a print dialog: the job's pages from FromPage to ToPage, each drawn
// as the printer draws it (background picture, watermark, every line through the line
// renderer), then the attachment image pages, written through the context's PDF
// component with the security settings, the creation date and the page size of A4 in
// the job's orientation.
//
// The outputs read the server settings in force when they start. A failure (a PDF folder
// that is missing or not writable, a document the component could not finish) comes back
// as a failed outcome with a German message naming the file or folder; no file is left
// behind then, neither the target nor a partial one. The outputs show nothing, neither a
// failure nor the new file: the print dialog decides what the user sees.

using pdfgeometry::PdfVariant;

// The document for destination "Pdf-Dokument". The file is PDFFolder / base name ".pdf",
// the base name being the job's pdfName, or, when that is empty, the name the user gives
// in the name dialog (with PDFDLG set; the answer is stored in pdfName and kept for later
// outputs of the job once the document was written; after a failure the next try asks
// again) or "PDFDOC" + stamp. `stamp` receives the document stamp, empty
// when pdfName was set on entry.
//
// A name the job or the user gave replaces a file of that name; it stays inside
// PDFFolder (sub-folders that exist are fine; ".." and absolute paths fail the output
// with a German message). "PDFDOC" + stamp never replaces a file: the stamp is the first
// second from now whose name is free (freeDocumentStamp).
OutputOutcome PrintToPdf(OutputContext& dialog, qint16 Index, QString& stamp);

// The document a mail attaches: A4 of 21 x 29.7 cm, a stamp that is always made and
// returned, and attachment image pages only with PdfMailAnhang set. Naming as above.
OutputOutcome PrintToMailPdf(OutputContext& dialog, qint32 Index, QString& stamp);

// The page loop of both outputs, writing to `path` without asking for a name: the
// command-line converter uses it directly.
OutputOutcome writeJobPdf(OutputContext& dialog, qint16 Index, const QString& path, PdfVariant variant);

// The document stamp: local date and time as 14 digits, "yyyyMMddhhmmss".
QString documentStamp(const QDateTime& when = QDateTime::currentDateTime());
// The stamp of `from`, or of the first second after it, whose "PDFDOC" + stamp names
// neither a file in PDFFolder nor a document this process is writing.
QString freeDocumentStamp(const QDateTime& from = QDateTime::currentDateTime());
// Why a base name may not be used (it leads out of PDFFolder: an absolute path, a drive,
// a ".." part), as a German message; empty text when it may.
QString pdfNameProblem(const QString& baseName);
// The job's pdfName, or "PDFDOC" + stamp when it is empty.
QString pdfBaseName(const QString& pdfName, const QString& stamp);
// PDFFolder (the home folder when the setting is empty) joined with base name + ".pdf".
// A "\" in the base name separates sub-folders, as a DOS program means it.
QString pdfFilePath(const QString& baseName);

// The PDF component of an output context, made at its first use; it lives as long as the
// context (OutputContext::pdfComponent), so the values written to it persist from one
// output of the job to the next.
PdfComponent& pdfComponentFor(OutputContext& dialog);
