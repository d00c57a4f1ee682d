#pragma once

#include <QString>

#include <limits>

// The keys of the settings file PS.INI and the process-wide settings the outputs read.
//
// The default settings file is PS.INI in the AppData folder; a job may name another
// one. Key names match without regard to case.

namespace keys {

inline const QString Pserver = QStringLiteral("Pserver");
inline const QString PDevice = QStringLiteral("PDevice");

// A key of section Pserver with the default a reader uses when it is absent. A number
// key may carry the range of values that make sense for it (the settings window's spin
// range, or a range a user could mean); a number read from a file is brought into it by
// bounded(), so no hand-edited or hostile value costs unbounded time or memory.
struct Key
{
    const char* name;
    const char* defaultValue;
    qint32 minimum = std::numeric_limits<qint32>::min();
    qint32 maximum = std::numeric_limits<qint32>::max();

    QString key() const { return QString::fromLatin1(name); }
    QString fallback() const { return QString::fromUtf8(defaultValue); }
    // The value within the range: above it the maximum, below it the minimum, except that
    // for a range above 0, 0 and below (also text that is no number) mean the default.
    double bounded(double value) const;
    qint32 bounded(qint32 value) const;
};

// Pserver, in the order the settings file documents them.
inline constexpr Key LinesPerPage{"LinesPerPage", "65", 10, 80};
inline constexpr Key LinesPerPageQ{"LinesPerPageQ", "48", 10, 80};
inline constexpr Key AutoLandscape{"AutoLandscape", "138", 80, 400};
inline constexpr Key Polling{"Polling", "100", 0, 60000}; // 0 stops polling
inline constexpr Key SignPitch{"SignPitch", "12", 8, 24};
inline constexpr Key BarCodePitch{"BarCodePitch", "12", 8, 72};
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
inline constexpr Key AutoStartDelay{"AutoStartDelay", "3000", 0, 10000}; // 0: at once
inline constexpr Key LeftSpace{"LeftSpace", "0", 0, 20};
inline constexpr Key TopSpace{"TopSpace", "0", 0, 20};
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

// PDevice; the slot keys take the slot's digit ("Printer0").
inline constexpr Key Printer{"Printer", ""};
inline constexpr Key Water{"Water", ""};
inline constexpr Key PicPage{"PicPage", "0"};
inline constexpr Key OnOff{"OnOff", "0"};
inline constexpr Key Exemplare{"Exemplare", "1", 1, 999};
inline constexpr Key Repeat{"Repeat", "0"};
inline constexpr Key Picture{"Picture", ""};

// The default of PDFFolder on this platform: the user's home folder.
QString pdfFolderDefault();

} // namespace keys

// The server settings record, filled by LoadServerSettings. The values loaded last stay
// in force: every job's init reloads them from its settings file, and saving in the
// settings window reloads them from the default file.
struct ServerSettingsRecord
{
    qint32 SignPitch = 0;
    qint32 BarCodePitch = 0;
    QString Fontname;
    QString AddEscSequenz;
    QString PDFFolder;
    bool PDFMSG = false;
    bool PDFDLG = false;
    bool PDFShow = false;
    bool MailDelete = false;
    bool PdfPrint = false;
    bool PdfCut = false;
    bool PdfEdit = false;
    QString PdfPassword;
    QString PdfSignatur;
    bool PdfBitmap = false;
    bool PdfMailAnhang = false;
    qint16 Waterlayer = 0;
};

// Process-wide values; they live as long as the process and belong to the UI thread.
ServerSettingsRecord& ServerSettings();
QString& AppDataFolder();
bool& SettingsWindowOpen();

// Path of the default settings file: AppDataFolder (or the platform's AppData folder
// before InitPS ran) followed by PS.INI.
QString DefaultSettingsFile();

// Reads the 17 keys of the record from section Pserver of the given file, in this order:
// SignPitch, BarCodePitch, Fontname, AddEscSequenz, PDFFolder, PDFMSG, PDFDLG, PDFShow,
// MailDelete, PdfPrint, PdfCut, PdfEdit, PdfPassword, PdfSignatur, PdfBitmap,
// PdfMailAnhang, Waterlayer.
void LoadServerSettings(const QString& file);

// Typed readers of one Pserver key with its default; a number is bounded to the key's range.
QString readServerString(const QString& file, const keys::Key& key);
qint32 readServerNumber(const QString& file, const keys::Key& key);
bool readServerFlag(const QString& file, const keys::Key& key);
