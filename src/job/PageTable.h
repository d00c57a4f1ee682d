#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <vector>

// The text of a job: lines 0 to lineBound() of pages 0 to pageCount(), addressed as
// (line, page) like the table the outputs read. Every cell starts as empty text.
//
// Storage grows only with what is stored: a page keeps the run of lines from the first
// to the last one written, so a job with a huge page length or top margin, or with many
// empty pages, costs memory in proportion to its text, not to its nominal size. The line
// bound is the largest one any page was opened with, so when the top margin changes
// between pages the table grows and no stored line is lost.
//
// A long job holds hundreds of thousands of lines, so a page keeps its lines as one block
// of one byte per character: ASCII as itself, and the other characters a print file
// brings (its code page's letters, frames, escape parameters) as codes the table hands
// out as it meets them, 127 at most. A line with a character beyond those is kept as
// UTF-16. Reading a line decodes it.
class PageTable
{
public:
    PageTable();
    ~PageTable();
    PageTable(PageTable&&) noexcept;
    PageTable& operator=(PageTable&&) noexcept;

    // Empty text when (line, page) lies outside the table or was never written.
    QString operator()(qint64 line, qint64 page) const;

    // Stores text at (line, page). Returns false, storing nothing, when the cell lies
    // outside lines 0 to lineBound() or pages 0 to pageCount().
    bool set(qint64 line, qint64 page, const QString& text);

    // Adds one page whose lines run from 0 to `lines` (negative: line 0 only) and returns
    // its number. The previous page gives back the spare room it reserved while filling.
    qint32 addPage(qint64 lines);

    qint32 pageCount() const { return qint32(m_pages.size()) - 1; }
    qint64 lineBound() const { return m_lineBound; }

private:
    struct Page
    {
        qint64 first = 0;          // line number of the first stored line
        QByteArray text;           // the stored lines, encoded, one after the other
        std::vector<quint32> ends; // where each stored line ends in `text`
    };
    // The codes of the characters beyond ASCII, in both directions.
    struct Alphabet;

    // A byte a character into `out` (text.size() bytes); false when a character has no code.
    bool encodeInto(const QString& text, char* out);
    QByteArray encode(const QString& text);
    QString decode(const char* bytes, qsizetype size) const;

    QList<Page> m_pages{Page{}}; // index 0 is page 0, which stays empty
    qint64 m_lineBound = 0;
    std::unique_ptr<Alphabet> m_alphabet;
};
