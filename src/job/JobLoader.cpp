#include "job/JobLoader.h"

#include "engine/PrintFileReader.h"
#include "job/PageFiller.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "platform/SafeFiles.h"
#include "settings/ReadingRules.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <string_view>

namespace {

// Whether `text` holds `marker`. Few records hold the marker's first character at all, and
// looking for one character is far cheaper than looking for a string.
bool holds(const QString& text, QLatin1StringView marker)
{
    const QChar first = QLatin1Char(marker.front());
    for (qsizetype at = text.indexOf(first); at >= 0; at = text.indexOf(first, at + 1))
        if (QStringView(text).sliced(at).startsWith(marker))
            return true;
    return false;
}

// A record over 1 MiB holding a NUL character is binary data without line ends.
constexpr qsizetype LongRecord = 1 << 20;

// The command keywords that set a value. A keyword matches when it follows the "@"
// directly; its value starts right after it, with or without a blank in between.
enum class Command
{
    Datei,
    Email,
    CcEmail,
    BccEmail,
    Fax,
    Betreff,
    Anhang,
    TxtEmail,
    Ini,
    None
};

struct Keyword
{
    QLatin1StringView word;
    Command command;
};

constexpr Keyword commandKeywords[] = {
    {QLatin1StringView("DATEI"), Command::Datei},     {QLatin1StringView("EMAIL"), Command::Email},
    {QLatin1StringView("CCEMAIL"), Command::CcEmail}, {QLatin1StringView("BCCEMAIL"), Command::BccEmail},
    {QLatin1StringView("FAX"), Command::Fax},         {QLatin1StringView("BETREFF"), Command::Betreff},
    {QLatin1StringView("ANHANG"), Command::Anhang},   {QLatin1StringView("TXTEMAIL"), Command::TxtEmail},
    {QLatin1StringView("INI"), Command::Ini},
};

// The keyword a command record starts with, given the record trimmed of blanks and
// beginning with "@". Upper-casing looks only at the few characters a keyword can span.
Keyword matchKeyword(QStringView trimmed)
{
    const QString head = trimmed.sliced(1, std::min<qsizetype>(trimmed.size() - 1, 8)).toString().toUpper();
    for (const Keyword& k : commandKeywords) {
        if (head.startsWith(k.word))
            return k;
    }
    return {QLatin1StringView(), Command::None};
}

QString commandValue(QStringView trimmed, const Keyword& keyword)
{
    const qsizetype from = 1 + keyword.word.size();
    QString value = from < trimmed.size() ? trimmed.sliced(from).toString() : QString();
    value.remove(u'\r');
    return rules::trimBlanks(value).toString();
}

QString digitsOf(const QString& text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits;
}

// Sets what a command record says; an unknown command is dropped, "@INI" was read by the
// scanning pass.
void runCommand(Job& job, const QString& record)
{
    const QStringView trimmed = rules::trimBlanks(record);
    const Keyword keyword = matchKeyword(trimmed);
    if (keyword.command == Command::None || keyword.command == Command::Ini)
        return;
    const QString value = commandValue(trimmed, keyword);
    switch (keyword.command) {
    case Command::Datei:
        job.documentName = cleanPdfName(value);
        break;
    case Command::Email:
        job.mailTo = value;
        break;
    case Command::CcEmail:
        job.mailCc = value;
        break;
    case Command::BccEmail:
        job.mailBcc = value;
        break;
    case Command::Fax:
        job.faxNumber = digitsOf(value);
        break;
    case Command::Betreff:
        job.mailSubject = value;
        break;
    case Command::Anhang:
        job.attachmentList = job.attachmentList.isEmpty() ? value : job.attachmentList + QStringLiteral(", ") + value;
        break;
    case Command::TxtEmail:
        job.mailBodyName = value;
        break;
    case Command::Ini:
    case Command::None:
        break;
    }
}

// The page index of the job with where each page starts for a drawing from page 1, the
// widest line, and the first line with a NUL character.
class PageIndex final : public PageFiller::Sink
{
public:
    PageIndex(Job& job, qint32 maxPages)
        : m_job(job), m_maxPages(maxPages),
          m_tracker(job.settings.signPitch, job.settings.leftMargin, job.settings.fontName, job.linesPerPage())
    {
    }

    void pageOpened(qint32 page) override
    {
        if (page > m_maxPages) {
            tooMany = true;
            return;
        }
        m_tracker.beginPage(true);
        m_job.addPageStart({recordOffset, before.pages, before.nextLine, m_tracker.start()});
    }
    void lineStored(qint32, qint64 line, const QString& text, bool containsNul) override
    {
        m_tracker.addLine(line, text);
        if (!containsNul)
            return;
        // A binary file holds NUL characters in thousands of records: the first one is
        // shown, the others only counted. A box shows the start of a long line.
        constexpr qsizetype shownCharacters = 2000;
        if (nulLines++ == 0)
            msgbox::show(text.size() > shownCharacters ? text.left(shownCharacters) : text);
    }

    double widestLineInches() const { return m_tracker.widestInches(); }

    qint64 recordOffset = 0;
    PageFiller::Position before;
    qint64 nulLines = 0;
    bool tooMany = false;

private:
    Job& m_job;
    qint32 m_maxPages;
    DocumentTracker m_tracker;
};

void run(const std::function<void()>& between)
{
    if (between)
        between();
}

QString faultyBecause(PrintFileReader::Status status)
{
    return status == PrintFileReader::Status::TooLong
               ? QStringLiteral("Eine Zeile ist länger als 16 MiB; das ist keine Druckausgabe.")
               : QStringLiteral("Die Datei konnte nicht ganz gelesen werden.");
}

void logNotFound(const LoadOptions& options, const QString& command, const QString& name, const QString& problem)
{
    msgbox::log(options.label.isEmpty() ? QStringLiteral("Druckauftrag") : options.label,
                QStringLiteral("%1 \"%2\": %3").arg(command, name, problem));
}

// A document name with a drive letter ("D:\\PDF\\R4711") names a place on the DOS
// program's drives; inside the PDF folder it becomes the name relative to it. Anywhere
// else it stays as written, and the PDF output refuses it as leading out of the folder.
void placeDocumentName(Job& job, const LoadOptions& options)
{
    const QString& name = job.documentName;
    if (name.size() < 2 || name[1] != u':' || !name[0].isLetter())
        return;
    const QString folder =
        QFileInfo(job.settings.pdfFolder.isEmpty() ? keys::pdfFolderDefault() : job.settings.pdfFolder)
            .canonicalFilePath();
    const JobFiles::Found placed = options.files.place(name);
    if (!placed.ok() || folder.isEmpty() || !placed.path.startsWith(folder + u'/'))
        return;
    QString relative = placed.path.mid(folder.size() + 1);
    if (relative.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        relative.chop(4);
    job.documentName = relative;
}

// The files the job's commands name, as the job may reach them.
void findFiles(Job& job, const LoadOptions& options)
{
    placeDocumentName(job, options);
    if (!job.mailBodyName.isEmpty()) {
        const JobFiles::Found body = options.files.find(job.mailBodyName);
        job.mailBodyFile = body.path;
        if (!body.ok())
            logNotFound(options, QStringLiteral("@TXTEMAIL"), job.mailBodyName, body.problem);
    }
    // The items of the list: the text before each "," with blanks around it removed; a
    // list ending with "," has no empty last item, an empty item names no file.
    for (const QString& item : job.attachmentList.split(u',')) {
        const QString name = item.trimmed();
        if (name.isEmpty())
            continue;
        const JobFiles::Found found = options.files.find(name);
        if (found.ok())
            job.attachmentFiles.append(found.path);
        else
            logNotFound(options, QStringLiteral("@ANHANG"), name, found.problem);
    }
}

} // namespace

bool readWatermarks(const QString& file, QStringList& definitions, QStringList& names)
{
    // A watermark file is a few dozen lines, read for every job: no device, FIFO or huge file.
    const std::optional<QByteArray> bytes = safefiles::readRegularFile(file, safefiles::LargestSettingsFile);
    if (!bytes)
        return false;
    // The file is 8-bit text in the locale's encoding with CR LF line ends; a final line
    // end does not start another (empty) line.
    QStringList lines = QString::fromLocal8Bit(*bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    definitions.clear();
    names = {QStringLiteral("Ohne")};
    for (QString line : std::as_const(lines)) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        definitions.append(line);
        const qsizetype bar = line.indexOf(u'|');
        if (bar < 0)
            break;
        names.append(line.left(bar));
    }
    return true;
}

LoadOptions toolLoadOptions(const QString& settingsFile)
{
    return {settingsFile.isEmpty() ? DefaultSettingsFile() : settingsFile,
            JobFiles::forServer(),
            folders::join(folders::programFolder(), QStringLiteral("Wasser.txt")),
            QString(),
            LoadOptions::MostPages,
            {}};
}

LoadResult loadJob(const QString& printFile, const LoadOptions& options)
{
    LoadResult result;
    Job& job = result.job;
    const JobSettings defaults = JobSettings::load(options.defaultSettingsFile);
    PrintFileReader reader(defaults.codePage);
    if (!reader.open(printFile))
        return result;
    job.sourceFile = printFile;
    job.codePage = defaults.codePage;

    // The scanning pass: orientation and the job's settings file.
    QString iniName;
    PrintFileReader::Record record;
    PrintFileReader::Status status;
    qint64 records = 0;
    // Most records need no text here: one decoded only where its bytes could hold what the
    // pass looks for (a record no longer than the tally cannot hold more printable characters).
    reader.setSkimming(true);
    while ((status = reader.next(record)) == PrintFileReader::Status::Record) {
        run(options.betweenRecords);
        ++records;
        const std::string_view bytes(record.raw.data(), size_t(record.raw.size()));
        const bool binary = bytes.size() > size_t(LongRecord) && bytes.find('\0') != std::string_view::npos;
        const bool wide = bytes.size() > size_t(defaults.landscapeTally);
        if (!binary && !wide && bytes.find("^Q") == std::string_view::npos &&
            bytes.find("@INI") == std::string_view::npos)
            continue;
        const QString text = reader.text(record);
        if (binary && text.contains(QChar(u'\0'))) {
            result.status = LoadResult::Status::Faulty;
            result.problem = QStringLiteral("Die Datei enthält Binärdaten ohne Zeilenenden.");
            return result;
        }
        if ((wide && printableTally(text) > defaults.landscapeTally) || holds(text, QLatin1StringView("^Q")))
            job.landscape = true;
        if (holds(text, QLatin1StringView("@INI"))) {
            QString named = rules::trimBlanks(QStringView(text).mid(4)).toString();
            iniName = named.remove(u'\r');
        }
    }
    reader.setSkimming(false);
    if (status != PrintFileReader::Status::End) {
        result.status = LoadResult::Status::Faulty;
        result.problem = faultyBecause(status);
        return result;
    }
    if (records == 0) {
        result.status = LoadResult::Status::Empty;
        return result;
    }
    job.pageLength = job.landscape ? defaults.linesPerPageLandscape : defaults.linesPerPage;

    // The job's settings: its own settings file when it names one it may read.
    QString iniFile;
    if (!iniName.isEmpty()) {
        const JobFiles::Found found = options.files.find(iniName);
        if (found.ok() && safefiles::isRegularFileWithin(found.path, safefiles::LargestSettingsFile))
            iniFile = found.path;
        else
            logNotFound(options, QStringLiteral("@INI"), iniName,
                        found.ok() ? QStringLiteral("ist keine Einstellungsdatei") : found.problem);
    }
    job.settings =
        JobSettings::load(options.defaultSettingsFile, iniFile,
                          options.files.trusted() ? JobSettings::Origin::User : JobSettings::Origin::Stranger,
                          !iniFile.isEmpty() && options.files.mayWriteSettings(iniFile));
    readWatermarks(options.watermarkFile, job.watermarks, job.watermarkNames);

    // The feeding pass: commands set values, text fills the pages.
    PageFiller filler(job.pageLength, job.settings.topSpace, job.settings.linePrefix);
    PageIndex index(job, options.maxPages);
    reader.seek(0);
    while ((status = reader.next(record)) == PrintFileReader::Status::Record) {
        run(options.betweenRecords);
        if (isCommandRecord(record.text)) {
            runCommand(job, record.text);
            continue;
        }
        index.recordOffset = record.offset;
        index.before = filler.position();
        filler.addText(record.text, index);
        if (index.tooMany) {
            result.status = LoadResult::Status::Faulty;
            result.problem = QStringLiteral("Der Auftrag hat mehr als %1 Seiten.")
                                 .arg(QLocale(QLocale::German).toString(options.maxPages));
            result.job = Job();
            return result;
        }
    }
    if (status != PrintFileReader::Status::End) {
        result.status = LoadResult::Status::Faulty;
        result.problem = faultyBecause(status);
        return result;
    }
    job.setWidestLineInches(index.widestLineInches());
    if (index.nulLines > 1)
        msgbox::log(QStringLiteral("Druckdatei"),
                    QStringLiteral("%1 weitere Zeilen mit NUL-Zeichen").arg(index.nulLines - 1));

    findFiles(job, options);
    result.status = LoadResult::Status::Loaded;
    return result;
}
