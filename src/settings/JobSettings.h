#pragma once

#include <QString>
#include <QtGlobal>

// The settings one print job is read and output with. They are loaded once, when the job
// is read, and belong to the job from then on: a job waiting in its countdown outputs
// with its own settings whatever another job or the settings window loads meanwhile.
//
// Most keys come from the job's settings file: the file its "@INI" record names, or the
// default settings file PS.INI. The page geometry of the reader (lines per page, the
// landscape tally, the top margin) and the code page always come from the default file.
// A job settings file written by a stranger (see JobSettings::Origin) cannot decide where
// the output goes or how mail is sent: those keys come from the default file then.
struct JobSettings
{
    // Who may have written the job's own settings file.
    enum class Origin
    {
        Stranger, // whoever can write a print file: its settings file redirects nothing
        User,     // the user's own (PS.INI itself, or TrustPrintFiles=1)
    };

    QString file; // the job's settings file (PS.INI or the "@INI" file)
    // Whether the print dialog may remember its choices ([PDevice]) in `file`: PS.INI, or
    // a settings file where the user keeps files (the AppData folder, a DOS drive).
    bool dialogStateWritable = true;

    // Reading the print file (default file).
    qint32 linesPerPage = 65;          // LinesPerPage
    qint32 linesPerPageLandscape = 48; // LinesPerPageQ
    qint32 landscapeTally = 138;       // AutoLandscape: more printable characters turn the job
    qint32 topSpace = 0;               // TopSpace: blank lines above each page's text
    int codePage = 437;                // CodePage

    // Drawing the lines.
    qint32 signPitch = 12;     // SignPitch, points
    qint32 barCodePitch = 12;  // BarCodePitch, points
    QString fontName;          // Fontname
    QString linePrefix;        // AddEscSequenz: put in front of every text line
    qint32 leftMargin = 0;     // LeftSpace, tenths of an inch
    qint16 watermarkLayer = 0; // Waterlayer: 0 behind the text, 1 in front, else none

    // Starting the output.
    bool autoStart = false;    // AutoStart
    bool hidden = false;       // HideMode: with autoStart, no dialog is shown
    qint32 autoStartDelay = 0; // AutoStartDelay, milliseconds

    // PDF documents.
    QString pdfFolder;               // PDFFolder
    bool pdfMessage = false;         // PDFMSG: name the new file in a box
    bool pdfNameDialog = false;      // PDFDLG: ask for the file name
    bool pdfShow = false;            // PDFShow: open the new file
    bool pdfMayPrint = true;         // PdfPrint
    bool pdfMayCopy = false;         // PdfCut
    bool pdfMayEdit = false;         // PdfEdit
    QString pdfOwnerPassword;        // PdfPassword
    QString pdfOpenPassword;         // PdfSignatur
    bool pdfAsPictures = false;      // PdfBitmap: every page one picture
    bool pdfMailAttachments = false; // PdfMailAnhang: attachment pages in the mailed PDF too

    // Mail.
    bool mailDeletePdf = false; // MailDelete
    QString mailName;           // MailName: the login
    QString mailPassword;       // MailPW
    bool mailDirect = false;    // MailDirect: send without the mail program's window
    QString smtpServer;         // SmtpServer
    QString mailFrom;           // MailFrom (MailName when empty)
    QString mailSubject;        // Betreff: when the job names none
    QString mailText;           // MailText, "|" for a line break: when the job names no body

    // The print dialog's remembered choices ([PDevice], slot 0).
    QString destination;    // Printer0
    QString watermark;      // Water0
    qint16 pictureMode = 0; // PicPage0: 0 none, 1 first page, 2 every page
    QString copies;         // Exemplare0, as typed
    bool repeat = false;    // Repeat
    QString picture;        // Picture
    QString faxOption;      // FaxOption: the fax queue's option for the number

    // Reads the job's settings. `jobFile` empty or equal to `defaultFile`: everything from
    // the default file.
    static JobSettings load(const QString& defaultFile, const QString& jobFile = QString(),
                            Origin origin = Origin::User, bool dialogStateWritable = true);
};
