#include "job/Job.h"

#include "engine/EscapeTable.h"
#include "engine/PrintFileReader.h"
#include "job/PageFiller.h"
#include "settings/ReadingRules.h"

#include <algorithm>
#include <limits>

qint32 Job::linesPerPage() const
{
    const qint64 lines = qint64(pageLength) + settings.topSpace;
    return qint32(std::clamp<qint64>(lines, 0, std::numeric_limits<qint32>::max()));
}

const QString& PageText::line(qint32 number) const
{
    static const QString none;
    return number >= 1 && number <= lines.size() ? lines[number - 1] : none;
}

// The lines of one page as the filling stores them; the page after it ends the reading.
class JobPages::Reader final : public PageFiller::Sink
{
public:
    explicit Reader(const Job& job) : file(job.codePage)
    {
        if (!job.sourceFile.isEmpty())
            file.open(job.sourceFile);
    }

    void pageOpened(qint32 page) override { done = done || page > wanted; }
    void lineStored(qint32 page, qint64 line, const QString& text, bool) override
    {
        if (page != wanted || line < 1 || line > limit)
            return;
        if (lines->size() < line)
            lines->resize(qsizetype(line));
        (*lines)[qsizetype(line) - 1] = text;
    }

    PrintFileReader file;
    qint32 wanted = 0;
    qint64 limit = 0;
    QStringList* lines = nullptr;
    bool done = false;
};

JobPages::JobPages(const Job& job) : m_job(job), m_reader(std::make_unique<Reader>(job)) {}

JobPages::~JobPages() = default;

const PageText& JobPages::page(qint32 number)
{
    m_page.page = number;
    m_page.lines.clear();
    if (number < 1 || number > m_job.pageCount())
        return m_page;

    const Job::PageStart& start = m_job.pageStarts()[number - 1];
    PageFiller filler(m_job.pageLength, m_job.settings.topSpace, m_job.settings.linePrefix);
    filler.setPosition({start.pagesBefore, start.lineBefore});
    Reader& reader = *m_reader;
    reader.wanted = number;
    reader.limit = m_job.linesPerPage();
    reader.lines = &m_page.lines;
    reader.done = false;
    reader.file.seek(start.recordOffset);
    PrintFileReader::Record record;
    while (!reader.done && reader.file.next(record) == PrintFileReader::Status::Record) {
        if (!isCommandRecord(record.text))
            filler.addText(record.text, reader);
    }
    // Trailing empty lines are not kept: a page is as long as its last line of text.
    while (!m_page.lines.isEmpty() && m_page.lines.last().isEmpty())
        m_page.lines.removeLast();
    return m_page;
}

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
