#include "Job.h"

#include "EscapeTable.h"
#include "MessageBox.h"
#include "ReadingRules.h"
#include "ServerSettings.h"

#include <algorithm>
#include <limits>

namespace {

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

} // namespace

QString cleanPdfName(const QString& name)
{
    QString cleaned;
    cleaned.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control && !escape::isParameter(c))
            cleaned.append(c);
    }
    cleaned = rules::trimBlanks(cleaned).toString();
    const bool onlyDots = std::all_of(cleaned.cbegin(), cleaned.cend(), [](QChar c) { return c == u'.'; });
    return onlyDots ? QString() : cleaned;
}

void Job::setLandscape(bool landscape)
{
    m_landscape = landscape;
    if (!m_observer)
        return;
    const QSize size = landscape ? QSize(1815, 1455) : QSize(1455, 1815);
    m_observer->pagePictureGeometryChanged(QRect(QPoint(240, 720), size), QRect(QPoint(360, 840), size));
}

QString Job::defaultSettingsFile() const
{
    return m_defaultSettingsFile.isEmpty() ? DefaultSettingsFile() : m_defaultSettingsFile;
}

qint32 Job::CurrentLine() const
{
    return qint32(std::clamp<qint64>(m_currentLine, 0, std::numeric_limits<qint32>::max()));
}

qint32 Job::OutputLineCount() const
{
    const qint64 lines = PageCount() > 0 ? PageLines.lineBound() : qint64(PageLen) + Topspace;
    return qint32(std::clamp<qint64>(lines, 0, std::numeric_limits<qint32>::max()));
}

void Job::AddWatermark(const QString& Water, qint32 Index)
{
    // A watermark file holds a few dozen lines; an index beyond this is a caller's error
    // and must not exhaust memory.
    constexpr qint32 largestIndex = 1 << 20;
    if (Index < 0 || Index > largestIndex)
        return;
    if (Index >= m_watermarks.size())
        m_watermarks.resize(Index + 1);
    m_watermarks[Index] = Water;
}

void Job::StartNewPage()
{
    // TopSpace always comes from the default settings file, whatever IniFile says, and is
    // read afresh for every page (the profile functions cache the parsed file). Its range
    // starts at 0: a negative margin would put text above line 1, where no output draws it.
    Topspace = readServerNumber(defaultSettingsFile(), keys::TopSpace);
    const qint32 page = PageLines.addPage(qint64(PageLen) + Topspace);
    m_currentLine = qint64(Topspace) + 1;
    if (m_observer)
        m_observer->pageCountChanged(page);
}

void Job::runCommand(const QString& record)
{
    const QStringView trimmed = rules::trimBlanks(record);
    const Keyword keyword = matchKeyword(trimmed);
    if (keyword.command == Command::None || keyword.command == Command::Ini)
        return; // unknown commands are dropped; "@INI" was used when the file was scanned
    const QString value = commandValue(trimmed, keyword);
    switch (keyword.command) {
    case Command::Datei:
        pdfName = cleanPdfName(value);
        break;
    case Command::Email:
        RecEMail = value;
        if (m_observer)
            m_observer->emailChanged(RecEMail);
        break;
    case Command::CcEmail:
        RecEMailCC = value;
        break;
    case Command::BccEmail:
        RecEMailBCC = value;
        break;
    case Command::Fax:
        RecFax = digitsOf(value);
        if (m_observer)
            m_observer->faxChanged(RecFax);
        break;
    case Command::Betreff:
        SubjectMail = value;
        break;
    case Command::Anhang:
        AnHaenge = AnHaenge.isEmpty() ? value : AnHaenge + QStringLiteral(", ") + value;
        break;
    case Command::TxtEmail:
        TextEmail = value;
        break;
    case Command::Ini:
    case Command::None:
        break;
    }
}

void Job::reportNul(const QString& line)
{
    // A binary file holds NUL characters in thousands of records: the first one is shown,
    // the others only counted (see nulRecordCount). A box shows the start of a long line.
    constexpr qsizetype shownCharacters = 2000;
    if (m_nulRecords++ == 0)
        msgbox::show(line.size() > shownCharacters ? line.left(shownCharacters) : line);
}

void Job::AddLineToArray(const QString& record)
{
    // A record is a command when its first non-blank character is "@".
    const QStringView trimmed = rules::trimBlanks(record);
    if (!trimmed.isEmpty() && trimmed.front() == u'@') {
        runCommand(record);
        return;
    }

    QString text = ServerSettings().AddEscSequenz + record;
    // Most lines hold no marker at all; one look at the characters spares the searches.
    bool markers = false;
    bool nul = false;
    for (QChar c : std::as_const(text)) {
        markers = markers || c == u'\f' || c == u'^';
        nul = nul || c == u'\0';
    }
    if (markers) {
        text.replace(QChar(u'\f'), QStringLiteral("^N"));
        text.remove(QStringLiteral("^Q"));
    }

    // The new page is opened before the break is looked at, so a break at the very start
    // of the job or right after a full page leaves an empty page.
    if (m_currentLine == 0)
        StartNewPage();

    const qsizetype breakAt = markers ? text.indexOf(QStringLiteral("^N")) : -1;
    if (breakAt < 0) {
        PageLines.set(m_currentLine, PageCount(), text);
        if (nul)
            reportNul(text);
        ++m_currentLine;
        if (m_currentLine > qint64(PageLen) + Topspace)
            m_currentLine = 0;
        return;
    }

    // Only the first break of a record is acted on; text stored around it neither ends a
    // full page by itself nor is checked for NUL characters.
    if (breakAt == 0 && text.size() == 2) {
        m_currentLine = 0;
        return;
    }
    if (breakAt > 0)
        PageLines.set(m_currentLine, PageCount(), text.left(breakAt));
    const QString rest = text.sliced(breakAt + 2);
    if (breakAt > 0 && rest.isEmpty()) {
        m_currentLine = 0;
        return;
    }
    StartNewPage();
    PageLines.set(m_currentLine, PageCount(), rest);
    ++m_currentLine;
}
