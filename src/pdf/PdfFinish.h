#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class PdfEncryption;
class PdfPageLayer;

// The pass over a finished QPdfWriter file that adds what the writer cannot do itself:
// the pages' text written by the document's own text layer, encryption with passwords
// and permissions, and a chosen creation date. It reads one file and writes another an
// object at a time (PdfFileReader.h, PdfFileWriter.h), copying stream data as it is
// stored (never decoded and compressed again). What it keeps is a few numbers per object
// and per page, never the objects: a document of 100,000 pages costs some MiB, and the
// pass costs little more than reading, encrypting and writing the file.
// A page of the finished document: the writer's page it is (counted from 0), or -1 for
// a page the writer never made because nothing was painted on it (its text layer is all
// there is); its size in points.
struct PdfPagePlacement
{
    int writerPage = -1;
    double width = 0;
    double height = 0;
};

struct PdfFinishOptions
{
    // Opens the document with full rights. When encryption is wanted but this is empty,
    // a random one is used so the permissions still bind whoever opens the file.
    QString ownerPassword;
    // Needed to open the document at all; empty means anyone may open it.
    QString openPassword;
    // 0 with both passwords empty: no encryption. Otherwise the file is encrypted with
    // AES-256 and these bits of the code grant: 2 printing, 4 changing, 8 copying.
    qint32 permissionCode = 0;
    // The document's creation date; an invalid value keeps the one the writer stored.
    QDateTime creationDate;
    // Text to put on top of each page, with its fonts; the pages of the layer are the
    // pages of the source in order.
    const PdfPageLayer* text = nullptr;
    // The document's pages in order; the text layer's pages are these. Null: the
    // writer's pages as they are.
    const std::vector<PdfPagePlacement>* pages = nullptr;
    // The encryption made ahead by makePdfEncryption() for these options; when null and
    // encryption is wanted, the pass makes it.
    PdfEncryption* encryption = nullptr;

    bool encrypts() const { return permissionCode != 0 || !ownerPassword.isEmpty() || !openPassword.isEmpty(); }
};

// Permission bits of the code.
enum PdfPermissionBit : qint32
{
    PdfMayPrint = 2,
    PdfMayModify = 4,
    PdfMayCopy = 8,
};

// The encryption `options` ask for, null without. Deriving its keys from the passwords
// takes some milliseconds on purpose (AES-256's password hash), so a document makes it
// while its pages are drawn rather than when it is finished.
std::unique_ptr<PdfEncryption> makePdfEncryption(const PdfFinishOptions& options);

// Rewrites `source` into `target` (overwritten if present). Returns an empty text on
// success, otherwise the reason the pass failed; `target` may then hold a partial file,
// which the caller removes.
QString finishPdf(const QString& source, const QString& target, const PdfFinishOptions& options);

// A date in the form PDF document information uses: D:YYYYMMDDHHmmSS+HH'mm'.
QString pdfDateString(const QDateTime& when);
