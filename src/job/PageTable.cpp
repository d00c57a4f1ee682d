#include "PageTable.h"

#include <algorithm>

QString PageTable::operator()(qint64 line, qint64 page) const
{
    if (page < 0 || page >= m_pages.size())
        return {};
    const Page& p = m_pages.at(page);
    const qint64 index = line - p.first;
    return index >= 0 && index < p.lines.size() ? p.lines.at(index) : QString();
}

bool PageTable::set(qint64 line, qint64 page, const QString& text)
{
    if (page < 0 || page >= m_pages.size() || line < 0 || line > m_lineBound)
        return false;
    Page& p = m_pages[page];
    if (p.lines.isEmpty()) {
        // Room for the rest of the page, which is filled line by line; addPage gives back
        // what stays unused.
        p.first = line;
        p.lines.reserve(std::clamp<qint64>(m_lineBound - line + 1, 1, 256));
    }
    qint64 index = line - p.first;
    if (index < 0 || index >= p.lines.size()) {
        if (text.isEmpty())
            return true; // an unwritten cell already reads as empty text
        if (index < 0) {
            p.lines.insert(0, -index, QString());
            p.first = line;
            index = 0;
        } else {
            p.lines.resize(index + 1);
        }
    }
    // A record read from a file may carry spare capacity; a job keeps many thousands of
    // lines, so a line with much spare room is copied to one that fits its text.
    QString stored = text;
    if (stored.capacity() - stored.size() > stored.size() / 4 + 8)
        stored.squeeze();
    p.lines[index] = std::move(stored);
    return true;
}

qint32 PageTable::addPage(qint64 lines)
{
    m_pages.last().lines.squeeze();
    m_pages.append(Page{});
    m_lineBound = std::max(m_lineBound, lines);
    return pageCount();
}
