#include "PrintEngine.h"

#include "Renderer.h"
#include "RendererParser.h"
#include "RendererState.h"

#include <QPdfWriter>
#include <QPrinter>

#include <limits>

bool STARTPRINT2(Canvas& dc, const QString& title)
{
    // The title must be set before the painter starts the document.
    if (auto* printer = dynamic_cast<QPrinter*>(dc.device()))
        printer->setDocName(title);
    else if (auto* writer = dynamic_cast<QPdfWriter*>(dc.device()))
        writer->setTitle(title);
    dc.rendererState().modes.reset();
    return dc.begin();
}

void PRINTLINE5(Canvas& dc, qint32& line, qint32 linesPerPage, QString& text, qint32 drawingHeight,
                qint32 signPitch, qint32 barCodePitch, QString& fontName, qint32 leftMargin, qint32 firstLineFlag)
{
    Canvas::RendererState& state = dc.rendererState();
    if (firstLineFlag != 0)
        state.modes.reset();

    // The line is interpreted even where it cannot be drawn, so the modes it switches
    // carry on to the following lines as on paper.
    renderer::parseLine(text, state.modes, fontName, Renderer::pitchScale(signPitch), state.line);
    const RendererLine& parsed = state.line;
    const bool doubleHeight = parsed.doubleHeight;
    fontName = parsed.fontAfter();

    if (linesPerPage >= 1 && line >= 1 && line <= linesPerPage && drawingHeight > 0 && dc.device()) {
        const double dpiX = dc.dpiX() > 0 ? dc.dpiX() : 72;
        const double dpiY = dc.dpiY() > 0 ? dc.dpiY() : 72;
        // One horizontal scale for the whole document: the widest line fits the width.
        double scale = 1.0;
        const double printable = dc.widthPixels() / dpiX;
        if (dc.widestLineInches() > printable && printable > 0)
            scale = printable / dc.widestLineInches();

        Renderer::Geometry geometry;
        geometry.bandHeight = double(drawingHeight) / linesPerPage;
        geometry.bandTop = (line - 1) * geometry.bandHeight;
        geometry.dotsPerInchX = dpiX;
        geometry.dotsPerInchY = dpiY;
        geometry.horizontalScale = scale;
        geometry.marginInches = Renderer::marginInches(leftMargin);
        geometry.pointSize = Renderer::pointSize(signPitch);
        geometry.barHeightPoints = barCodePitch;
        geometry.pageSink = dc.pageSink();
        QPainter& painter = dc.painter();
        if (painter.isActive())
            Renderer(painter, geometry).draw(parsed);
    }
    if (doubleHeight && line < std::numeric_limits<qint32>::max())
        ++line;
}

bool NEXTPAGE(Canvas& dc)
{
    return dc.newPage();
}

bool ENDPRINT(Canvas& dc)
{
    return dc.end();
}
