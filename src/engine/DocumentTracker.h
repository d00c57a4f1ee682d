#pragma once

#include "engine/LineMeasurer.h"
#include "engine/RendererLine.h"
#include "engine/RendererModes.h"

#include <QString>
#include <QStringView>

// The print modes and the font in force before the first line of a page.
struct PageStartState
{
    RendererModes modes;
    QString fontName;
};

// Follows a document's lines page by page without drawing them: the widest line (as
// LineMeasurer measures it, over every line), and where each page starts as drawing the
// pages before it in order leaves the renderer (drawLine: a double-height line takes the
// band of the line after it, which is then not interpreted at all). With the starts, the
// pages of one document can be drawn apart and still come out as if drawn in order.
class DocumentTracker
{
public:
    // The values later passed to drawLine; `linesPerPage` lines of a page are drawn.
    DocumentTracker(qint32 signPitch, qint32 leftMargin, const QString& fontName, qint32 linesPerPage);

    // Starts the next page. The first page drawn starts a new document (its modes reset);
    // pages before it (not drawn) are only measured.
    void beginPage(bool drawn);
    // Where the page just begun starts.
    PageStartState start() const { return {m_modes, m_fontName}; }
    // Line `line` of the page; lines come in increasing order, lines left out are empty.
    void addLine(qint64 line, const QString& text);

    double widestInches() const { return m_measurer.widestInches(); }

private:
    LineMeasurer m_measurer;
    double m_pitchScale;
    qint64 m_linesPerPage;
    RendererModes m_modes;
    QString m_fontName;
    RendererLine m_parsed;
    bool m_drawn = false;
    bool m_anyDrawn = false;
    qint64 m_skippedLine = 0; // the line a double-height line took over
};
