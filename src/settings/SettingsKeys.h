#pragma once

#include <QString>

#include <limits>

// The keys of the settings file PS.INI, with the defaults a reader uses when a key is
// absent. Key names match without regard to case.
//
// The default settings file is PS.INI in the AppData folder; a job may name another one
// ("@INI"), whose values then hold for that job (JobSettings).
namespace keys {

inline const QString Pserver = QStringLiteral("Pserver");
inline const QString PDevice = QStringLiteral("PDevice");
// Drive letters of the DOS programs and the folders they stand for ("D=/home/me/dos").
inline const QString Laufwerke = QStringLiteral("Laufwerke");

// A key with the default a reader uses when it is absent. A number key carries the widest
// range of values that can still do no harm: a value inside it is used as typed, even far
// outside what the settings window's spin buttons offer; a value outside it (also text
// that is no number, which reads as 0, where 0 lies outside) means the default. So a
// hand-edited or hostile value never costs unbounded time or memory.
struct Key
{
    const char* name;
    const char* defaultValue;
    qint32 lowest = std::numeric_limits<qint32>::min();
    qint32 highest = std::numeric_limits<qint32>::max();

    QString key() const { return QString::fromLatin1(name); }
    QString fallback() const { return QString::fromUtf8(defaultValue); }
    bool allows(double value) const { return value >= double(lowest) && value <= double(highest); }
    // The value when the key allows it, else the default.
    qint32 bounded(qint32 value) const;
    double bounded(double value) const;
};

// Pserver, in the order the settings file documents them.
inline constexpr Key LinesPerPage{"LinesPerPage", "65", 1, 1000};
inline constexpr Key LinesPerPageQ{"LinesPerPageQ", "48", 1, 1000};
inline constexpr Key AutoLandscape{"AutoLandscape", "138", 0, 1000000};
inline constexpr Key Polling{"Polling", "100", 0, 3600000}; // 0 stops polling
inline constexpr Key SignPitch{"SignPitch", "12", 1, 720};  // points; a glyph never exceeds its line anyway
inline constexpr Key BarCodePitch{"BarCodePitch", "12", 1, 720};
inline constexpr Key Fontname{"Fontname", "Courier New"};
inline constexpr Key AddEscSequenz{"AddEscSequenz", ""};
inline constexpr Key PDFFolder{"PDFFolder", ""}; // empty: the user's home folder, see pdfFolderDefault()
inline constexpr Key PDFMSG{"PDFMSG", "0"};
inline constexpr Key PDFDLG{"PDFDLG", "0"};
inline constexpr Key PDFShow{"PDFShow", "0"};
inline constexpr Key MailDelete{"MailDelete", "0"};
inline constexpr Key PdfPrint{"PdfPrint", "1"};
inline constexpr Key PdfCut{"PdfCut", "0"};
inline constexpr Key PdfEdit{"PdfEdit", "0"};
inline constexpr Key PdfPassword{"PdfPassword", ""};
inline constexpr Key PdfSignatur{"PdfSignatur", ""};
inline constexpr Key PdfBitmap{"PdfBitmap", "0"};
inline constexpr Key PdfMailAnhang{"PdfMailAnhang", "0"};
inline constexpr Key Waterlayer{"Waterlayer", "0"};
inline constexpr Key AutoStart{"AutoStart", "0"};
inline constexpr Key HideMode{"HideMode", "0"};
inline constexpr Key AutoStartDelay{"AutoStartDelay", "3000", 0, 86400000}; // up to a day; 0: at once
inline constexpr Key LeftSpace{"LeftSpace", "0", 0, 1000};
inline constexpr Key TopSpace{"TopSpace", "0", 0, 1000};
inline constexpr Key MailName{"MailName", ""};
inline constexpr Key MailPW{"MailPW", ""};
inline constexpr Key Betreff{"Betreff", ""};
inline constexpr Key MailText{"MailText", ""};
inline constexpr Key MailDirect{"MailDirect", "0"};
inline constexpr Key CodePage{"CodePage", "437"};
inline constexpr Key SmtpServer{"SmtpServer", "smtp://127.0.0.1:25"};
inline constexpr Key MailFrom{"MailFrom", ""};
// How long a print file must stay unchanged before it is taken, in milliseconds. Local
// writers are seen while they hold the file open; writers on other machines only by this.
inline constexpr Key QuietTime{"QuietTime", "300", 100, 60000};
// The folder where print files arrive; empty: the AppData folder.
inline constexpr Key PrintFileFolder{"PrintFileFolder", ""};
// "1": print files may name any file the user can read and may redirect output with their
// own settings file. By default whoever writes a print file is treated as a stranger.
inline constexpr Key TrustPrintFiles{"TrustPrintFiles", "0"};

// PDevice; the slot keys take the slot's digit ("Printer0").
inline constexpr Key Printer{"Printer", ""};
inline constexpr Key Water{"Water", ""};
inline constexpr Key PicPage{"PicPage", "0"};
inline constexpr Key Exemplare{"Exemplare", "1", 1, 999};
inline constexpr Key Repeat{"Repeat", "0"};
inline constexpr Key Picture{"Picture", ""};
// The option of a fax printer's queue that carries the number to dial.
inline constexpr Key FaxOption{"FaxOption", "phone"};

// The default of PDFFolder on this platform: the user's home folder.
QString pdfFolderDefault();

// Typed readers of one Pserver key with its default (PDFFolder: pdfFolderDefault()); a
// number outside the key's range is its default.
QString readString(const QString& file, const Key& key);
qint32 readNumber(const QString& file, const Key& key);
bool readFlag(const QString& file, const Key& key);

} // namespace keys

// Path of the default settings file: PS.INI in the AppData folder.
QString DefaultSettingsFile();

// Whether the settings window is open: print files wait meanwhile. Set by the settings
// window, read by the server; UI thread only.
bool& SettingsWindowOpen();
