#include "FuzzTargets.h"

#include "platform/Profile.h"
#include "settings/JobSettings.h"
#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace {

struct SectionKey
{
    QString section;
    QString key;
};

// The keys of section Pserver; the numbers among them have their ranges.
const std::vector<const keys::Key*>& serverKeys()
{
    using namespace keys;
    static const std::vector<const Key*> list{
        &LinesPerPage,    &LinesPerPageQ,  &AutoLandscape,  &Polling,     &SignPitch,  &BarCodePitch,  &Fontname,
        &AddEscSequenz,   &PDFFolder,      &PDFMSG,         &PDFDLG,      &PDFShow,    &MailDelete,    &PdfPrint,
        &PdfCut,          &PdfEdit,        &PdfPassword,    &PdfSignatur, &PdfBitmap,  &PdfMailAnhang, &Waterlayer,
        &AutoStart,       &HideMode,       &AutoStartDelay, &LeftSpace,   &TopSpace,   &MailName,      &MailPW,
        &Betreff,         &MailText,       &MailDirect,     &CodePage,    &SmtpServer, &MailFrom,      &QuietTime,
        &PrintFileFolder, &TrustPrintFiles};
    return list;
}

// Every key a reader of the settings file asks for.
const std::vector<SectionKey>& knownKeys()
{
    static const std::vector<SectionKey> all = [] {
        using namespace keys;
        std::vector<SectionKey> list;
        for (const Key* k : serverKeys())
            list.push_back({Pserver, k->key()});
        for (const Key* k : {&Printer, &Water, &PicPage, &Exemplare, &Repeat, &Picture}) {
            for (char slot : {'0', '1', '2'})
                list.push_back({PDevice, k->key() + QLatin1Char(slot)});
        }
        return list;
    }();
    return all;
}

QByteArray bytesOf(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        fuzz::fail("the settings file stays readable");
    return in.readAll();
}

// The lines of a settings file as the profile functions see them.
QStringList linesOf(const QString& file)
{
    auto decode = QStringDecoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    QString text = decode(bytesOf(file));
    text.remove(u'\r');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// What a read returns for a value written as it stands: blanks around it and one pair of
// enclosing quotes go.
QString asRead(const QString& written)
{
    QStringView value(written);
    while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
        value = value.sliced(1);
    while (!value.isEmpty() && (value.back() == u' ' || value.back() == u'\t'))
        value.chop(1);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

QString readValue(const QString& file, const SectionKey& at, int bufferSize = 4096)
{
    return rules::readRaw(file, at.section, at.key, QStringLiteral("(none)"), bufferSize);
}

void checkReads(const QString& file)
{
    // The typed readers of a job's settings; their numbers go through the rules and stay
    // in their keys' ranges.
    JobSettings::load(file);
    for (const keys::Key* k : serverKeys()) {
        const qint32 n = keys::readNumber(file, *k);
        if (!k->allows(n) && n != rules::wholeNumber(k->fallback()))
            fuzz::fail("a number read from the settings stays in its range");
        keys::readString(file, *k);
        keys::readFlag(file, *k);
    }
    for (const SectionKey& at : knownKeys()) {
        const QString whole = readValue(file, at);
        const QString cut = readValue(file, at, 255);
        if (cut.size() > 254 || !whole.startsWith(cut))
            fuzz::fail("a read returns at most bufferSize - 1 characters of the value");
        if (whole.contains(QChar(u'\0')))
            fuzz::fail("NUL characters are removed");
        const QString text = rules::stringValue(whole);
        if (!text.isEmpty() && (text.front() == u' ' || text.back() == u' '))
            fuzz::fail("a string value has no blanks at its ends");
        rules::wholeNumber(whole);
        rules::flagValue(whole);
        rules::firstDigitValue(whole);
    }
    // A name with "=" can never be a key, so its default comes back, less trailing blanks.
    if (profile::GetPrivateProfileString(keys::Pserver, QStringLiteral("a=b"), QStringLiteral("d "), 255, file) !=
        QStringLiteral("d"))
        fuzz::fail("a missing key gives the default");
}

// A write changes one line (or adds the key, or the section and the key) and leaves every
// other line and every other key as it was; the value reads back.
void checkWrite(const QString& file, const QByteArray& bytes)
{
    const SectionKey at = knownKeys()[size_t(bytes.size()) % knownKeys().size()];
    QString value = QString::fromLatin1(bytes.left(bytes.indexOf('\n'))).left(300);
    value.remove(u'\r');

    std::vector<QString> before;
    for (const SectionKey& other : knownKeys())
        before.push_back(readValue(file, other));
    const QStringList linesBefore = linesOf(file);
    const QByteArray bytesBefore = bytesOf(file);
    if (!rules::write(file, at.section, at.key, value))
        fuzz::fail("a write to a writable folder succeeds");
    const QStringList linesAfter = linesOf(file);
    const QByteArray bytesAfter = bytesOf(file);
    // Every byte outside the changed or added lines stays: what comes before them and
    // what follows them.
    qsizetype head = 0;
    while (head < bytesBefore.size() && head < bytesAfter.size() && bytesBefore[head] == bytesAfter[head])
        ++head;
    qsizetype tail = 0;
    while (tail < bytesBefore.size() - head && tail < bytesAfter.size() - head &&
           bytesBefore[bytesBefore.size() - 1 - tail] == bytesAfter[bytesAfter.size() - 1 - tail])
        ++tail;
    if (bytesBefore.mid(head, bytesBefore.size() - head - tail).count('\n') > 1)
        fuzz::fail("a write changes no byte beyond the key's line");

    if (readValue(file, at) != asRead(value).remove(QChar(u'\0')))
        fuzz::fail("a written value reads back");
    for (size_t i = 0; i < knownKeys().size(); ++i) {
        const SectionKey& other = knownKeys()[i];
        const bool written = other.section == at.section && other.key == at.key;
        if (!written && readValue(file, other) != before[i])
            fuzz::fail("a write leaves the other keys alone");
    }
    qsizetype same = 0;
    while (same < linesBefore.size() && same < linesAfter.size() && linesBefore[same] == linesAfter[same])
        ++same;
    qsizetype sameEnd = 0;
    while (sameEnd < linesBefore.size() - same && sameEnd < linesAfter.size() - same &&
           linesBefore[linesBefore.size() - 1 - sameEnd] == linesAfter[linesAfter.size() - 1 - sameEnd])
        ++sameEnd;
    if (linesBefore.size() - same - sameEnd > 1 || linesAfter.size() - same - sameEnd > 3)
        fuzz::fail("a write keeps every other line");
}

} // namespace

int fuzzSettings(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder(QDir("/dev/shm").exists()
                                    ? QStringLiteral("/dev/shm/druckserver-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/druckserver-fuzz-XXXXXX"));
    const QString file = folder.filePath(QStringLiteral("PS.INI"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        // Removed and written anew, the file gets a new inode, so the profile functions
        // never take it for the file they parsed for the input before.
        QFile::remove(file);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            fuzz::fail("the fuzz folder is writable");
    }
    checkReads(file);
    checkWrite(file, bytes);
    // A write forgets the parsed file, so nothing of this input stays in memory.
    rules::write(file, keys::Pserver, QStringLiteral("Fuzz"), QString());
    return 0;
}
