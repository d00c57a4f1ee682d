#include "job/PageFiller.h"

#include "settings/ReadingRules.h"

PageFiller::PageFiller(qint32 pageLength, qint32 topSpace, QString linePrefix)
    : m_pageLength(pageLength), m_topSpace(std::max(topSpace, 0)), m_prefix(std::move(linePrefix))
{
}

void PageFiller::openPage(Sink& sink)
{
    ++m_position.pages;
    m_position.nextLine = m_topSpace + 1;
    sink.pageOpened(m_position.pages);
}

void PageFiller::store(const QString& text, Sink& sink, bool containsNul)
{
    sink.lineStored(m_position.pages, m_position.nextLine, text, containsNul);
}

void PageFiller::addText(const QString& record, Sink& sink)
{
    QString text = m_prefix.isEmpty() ? record : m_prefix + record;
    // Most lines hold no marker at all; a look for single characters spares the searches.
    const QStringView view(text);
    const bool markers = view.contains(u'\f') || view.contains(u'^');
    const bool nul = view.contains(u'\0');
    if (markers) {
        text.replace(QChar(u'\f'), QStringLiteral("^N"));
        text.remove(QStringLiteral("^Q"));
    }

    // The new page opens before the break is looked at, so a break at the very start of
    // the job or right after a full page leaves an empty page.
    if (m_position.nextLine == 0)
        openPage(sink);

    const qsizetype breakAt = markers ? text.indexOf(QStringLiteral("^N")) : -1;
    if (breakAt < 0) {
        store(text, sink, nul);
        if (++m_position.nextLine > m_pageLength + m_topSpace)
            m_position.nextLine = 0;
        return;
    }
    if (breakAt == 0 && text.size() == 2) {
        m_position.nextLine = 0;
        return;
    }
    if (breakAt > 0)
        store(text.left(breakAt), sink, false);
    const QString rest = text.sliced(breakAt + 2);
    if (breakAt > 0 && rest.isEmpty()) {
        m_position.nextLine = 0;
        return;
    }
    openPage(sink);
    store(rest, sink, false);
    ++m_position.nextLine;
}

bool isCommandRecord(const QString& record)
{
    const QStringView trimmed = rules::trimBlanks(record);
    return !trimmed.isEmpty() && trimmed.front() == u'@';
}
