#pragma once

#include <QString>
#include <QtGlobal>

// How the text records of a print file become pages. A DOS program can only print text,
// so it steers page breaks with form feeds or "^N" inside its lines, and marks landscape
// with "^Q"; the filler cuts the records into pages of a fixed number of lines.
//
// Rules, per text record in file order:
// 1. The line prefix (AddEscSequenz) goes in front of the record.
// 2. Every form feed becomes "^N"; every "^Q" is removed.
// 3. When no page is open (at the start, or after a full page or a break), a page opens.
// 4. Without "^N" the record is the next line; the page is full after pageLength lines.
// 5. A record that is exactly "^N" ends the page.
// 6. A record starting with "^N" opens a page and its rest is that page's first line.
// 7. A record with "^N" inside: the text before it ends the page; the text after it, if
//    any, opens the next page as its first line.
// Only the first "^N" of a record acts; a second one stays in the text. Text stored in
// cases 6 and 7 does not end a full page by itself.
//
// Lines of a page are numbered from 1; the text of a page stands in lines topSpace + 1 to
// topSpace + pageLength, the lines above stay blank.
class PageFiller
{
public:
    // What the filling produces, as it happens.
    class Sink
    {
    public:
        virtual ~Sink() = default;
        virtual void pageOpened(qint32 page) = 0;
        // `containsNul`: the line was stored by rule 4 and holds a NUL character.
        virtual void lineStored(qint32 page, qint64 line, const QString& text, bool containsNul) = 0;
    };

    // Where the filling stands between two records: enough to fill again from a record on
    // and get the same pages.
    struct Position
    {
        qint32 pages = 0;    // pages opened so far
        qint64 nextLine = 0; // line the next text goes to; 0: the next text opens a page
    };

    PageFiller(qint32 pageLength, qint32 topSpace, QString linePrefix);

    void addText(const QString& record, Sink& sink);

    Position position() const { return m_position; }
    void setPosition(Position position) { m_position = position; }

private:
    void openPage(Sink& sink);
    void store(const QString& text, Sink& sink, bool containsNul);

    qint64 m_pageLength;
    qint64 m_topSpace;
    QString m_prefix;
    Position m_position;
};

// Whether a record is an embedded command: its first non-blank character is "@".
bool isCommandRecord(const QString& record);
