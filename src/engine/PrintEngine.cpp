#include "engine/PrintEngine.h"

#include "engine/Renderer.h"
#include "engine/RendererParser.h"
#include "engine/RendererState.h"

#include <limits>

LineResult drawLine(Canvas& dc, const LineRequest& request)
{
    const qint32 line = request.line;
    const qint32 linesPerPage = request.linesPerPage;
    const qint32 drawingHeight = request.drawingHeight;
    Canvas::RendererState& state = dc.rendererState();
    if (request.firstLine)
        state.modes.reset();

    // The line is interpreted even where it cannot be drawn, so the modes it switches
    // carry on to the following lines as on paper.
    renderer::parseLine(request.text, state.modes, request.fontName, Renderer::pitchScale(request.signPitch),
                        state.line);
    const RendererLine& parsed = state.line;
    LineResult result{line, parsed.fontAfter()};

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
        geometry.marginInches = Renderer::marginInches(request.leftMargin);
        geometry.pointSize = Renderer::pointSize(request.signPitch);
        geometry.barHeightPoints = request.barCodePitch;
        geometry.pageSink = dc.pageSink();
        QPainter& painter = dc.painter();
        if (painter.isActive())
            Renderer(painter, geometry).draw(parsed);
    }
    if (parsed.doubleHeight && line < std::numeric_limits<qint32>::max())
        ++result.lastLine;
    return result;
}

bool nextPage(Canvas& dc)
{
    return dc.newPage();
}

bool endDocument(Canvas& dc)
{
    return dc.end();
}
