#include "engine/PrintEngine.h"

#include "engine/RendererState.h"

#include <QPdfWriter>
#include <QPrinter>

// Apart from the line drawing: a program that only writes PDF documents (druckserver-pdf)
// then never needs the printing library.
bool beginDocument(Canvas& dc, const QString& title)
{
    // The title must be set before the painter starts the document.
    if (auto* printer = dynamic_cast<QPrinter*>(dc.device()))
        printer->setDocName(title);
    else if (auto* writer = dynamic_cast<QPdfWriter*>(dc.device()))
        writer->setTitle(title);
    dc.rendererState().modes.reset();
    return dc.begin();
}
