#include "ServerSettings.h"

#include "Folders.h"
#include "ReadingRules.h"

#include <algorithm>

namespace keys {

QString pdfFolderDefault()
{
    return folders::homeFolder();
}

double Key::bounded(double value) const
{
    if (minimum > 0 && value <= 0)
        return rules::numericValue(fallback());
    return std::clamp(value, double(minimum), double(maximum));
}

qint32 Key::bounded(qint32 value) const
{
    if (minimum > 0 && value <= 0)
        return rules::wholeNumber(fallback());
    return std::clamp(value, minimum, maximum);
}

} // namespace keys

ServerSettingsRecord& ServerSettings()
{
    static ServerSettingsRecord record;
    return record;
}

QString& AppDataFolder()
{
    static QString folder;
    return folder;
}

bool& SettingsWindowOpen()
{
    static bool open = false;
    return open;
}

QString DefaultSettingsFile()
{
    const QString folder = AppDataFolder().isEmpty() ? folders::appDataFolder() : AppDataFolder();
    return folders::join(folder, QStringLiteral("PS.INI"));
}

namespace {

QString fallbackOf(const keys::Key& key)
{
    if (qstrcmp(key.name, keys::PDFFolder.name) == 0)
        return keys::pdfFolderDefault();
    return key.fallback();
}

} // namespace

QString readServerString(const QString& file, const keys::Key& key)
{
    return rules::readString(file, keys::Pserver, key.key(), fallbackOf(key));
}

qint32 readServerNumber(const QString& file, const keys::Key& key)
{
    return key.bounded(rules::readNumber(file, keys::Pserver, key.key(), fallbackOf(key)));
}

bool readServerFlag(const QString& file, const keys::Key& key)
{
    return rules::readFlag(file, keys::Pserver, key.key(), fallbackOf(key));
}

void LoadServerSettings(const QString& file)
{
    ServerSettingsRecord& s = ServerSettings();
    s.SignPitch = readServerNumber(file, keys::SignPitch);
    s.BarCodePitch = readServerNumber(file, keys::BarCodePitch);
    s.Fontname = readServerString(file, keys::Fontname);
    s.AddEscSequenz = readServerString(file, keys::AddEscSequenz);
    s.PDFFolder = readServerString(file, keys::PDFFolder);
    s.PDFMSG = readServerFlag(file, keys::PDFMSG);
    s.PDFDLG = readServerFlag(file, keys::PDFDLG);
    s.PDFShow = readServerFlag(file, keys::PDFShow);
    s.MailDelete = readServerFlag(file, keys::MailDelete);
    s.PdfPrint = readServerFlag(file, keys::PdfPrint);
    s.PdfCut = readServerFlag(file, keys::PdfCut);
    s.PdfEdit = readServerFlag(file, keys::PdfEdit);
    s.PdfPassword = readServerString(file, keys::PdfPassword);
    s.PdfSignatur = readServerString(file, keys::PdfSignatur);
    s.PdfBitmap = readServerFlag(file, keys::PdfBitmap);
    s.PdfMailAnhang = readServerFlag(file, keys::PdfMailAnhang);
    s.Waterlayer = rules::firstDigitValue(
        rules::readRaw(file, keys::Pserver, keys::Waterlayer.key(), keys::Waterlayer.fallback()));
}
