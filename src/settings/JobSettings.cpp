#include "settings/JobSettings.h"

#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"

JobSettings JobSettings::load(const QString& defaultFile, const QString& jobFile, Origin origin,
                              bool dialogStateWritable)
{
    JobSettings s;
    const QString& own = jobFile.isEmpty() ? defaultFile : jobFile;
    const bool ownFileIsDefault = own == defaultFile;
    // Where output goes and how mail is sent: never decided by a stranger's file.
    const QString& routing = origin == Origin::User ? own : defaultFile;
    s.file = own;
    s.dialogStateWritable = ownFileIsDefault || dialogStateWritable;

    s.linesPerPage = keys::readNumber(defaultFile, keys::LinesPerPage);
    s.linesPerPageLandscape = keys::readNumber(defaultFile, keys::LinesPerPageQ);
    s.landscapeTally = keys::readNumber(defaultFile, keys::AutoLandscape);
    s.topSpace = keys::readNumber(defaultFile, keys::TopSpace);
    s.codePage = keys::readNumber(defaultFile, keys::CodePage); // the reader takes 437 for any it lacks

    s.signPitch = keys::readNumber(own, keys::SignPitch);
    s.barCodePitch = keys::readNumber(own, keys::BarCodePitch);
    s.fontName = keys::readString(own, keys::Fontname);
    s.linePrefix = keys::readString(own, keys::AddEscSequenz);
    s.leftMargin = keys::readNumber(own, keys::LeftSpace);
    s.watermarkLayer =
        rules::firstDigitValue(rules::readRaw(own, keys::Pserver, keys::Waterlayer.key(), keys::Waterlayer.fallback()));

    s.autoStart = keys::readFlag(own, keys::AutoStart);
    s.hidden = keys::readFlag(own, keys::HideMode);
    s.autoStartDelay = keys::readNumber(own, keys::AutoStartDelay);

    s.pdfFolder = keys::readString(routing, keys::PDFFolder);
    s.pdfMessage = keys::readFlag(own, keys::PDFMSG);
    s.pdfNameDialog = keys::readFlag(own, keys::PDFDLG);
    s.pdfShow = keys::readFlag(own, keys::PDFShow);
    s.pdfMayPrint = keys::readFlag(own, keys::PdfPrint);
    s.pdfMayCopy = keys::readFlag(own, keys::PdfCut);
    s.pdfMayEdit = keys::readFlag(own, keys::PdfEdit);
    s.pdfOwnerPassword = keys::readString(own, keys::PdfPassword);
    s.pdfOpenPassword = keys::readString(own, keys::PdfSignatur);
    s.pdfAsPictures = keys::readFlag(own, keys::PdfBitmap);
    s.pdfMailAttachments = keys::readFlag(own, keys::PdfMailAnhang);

    s.mailDeletePdf = keys::readFlag(routing, keys::MailDelete);
    s.mailName = keys::readString(routing, keys::MailName);
    s.mailPassword = keys::readString(routing, keys::MailPW);
    // Only "0" (or nothing) shows the mail program's window first.
    s.mailDirect =
        !rules::readRaw(routing, keys::Pserver, keys::MailDirect.key(), keys::MailDirect.fallback()).startsWith(u'0');
    s.smtpServer = keys::readString(routing, keys::SmtpServer);
    s.mailFrom = keys::readString(routing, keys::MailFrom);
    s.mailSubject = keys::readString(own, keys::Betreff);
    s.mailText = rules::readRaw(own, keys::Pserver, keys::MailText.key(), QString(), 4096);

    auto slot = [&](const QString& file, const keys::Key& key) {
        return rules::stringValue(rules::readRaw(file, keys::PDevice, key.key() + u'0', key.fallback()));
    };
    s.destination = slot(routing, keys::Printer);
    s.watermark = slot(own, keys::Water);
    // A mode outside 0 to 2 would name an option of another slot; it means no picture.
    const qint32 mode = rules::wholeNumber(slot(own, keys::PicPage));
    s.pictureMode = qint16(mode >= 0 && mode <= 2 ? mode : 0);
    s.copies = slot(own, keys::Exemplare);
    s.repeat = rules::readRaw(own, keys::PDevice, keys::Repeat.key(), keys::Repeat.fallback()).startsWith(u'1');
    s.picture = rules::stringValue(rules::readRaw(own, keys::PDevice, keys::Picture.key(), keys::Picture.fallback()));
    s.faxOption = rules::readString(own, keys::PDevice, keys::FaxOption.key(), keys::FaxOption.fallback());
    return s;
}
