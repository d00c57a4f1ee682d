#pragma once

#include <QPainter>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class PageSink;
class QPaintDevice;

// The engine's "device context": a painter on a paint device with its resolution.
// One engine draws through it on a printer (QPrinter), a PDF page (QPdfWriter), a
// preview bitmap (QImage) and the watermark editor's surface.
//
// Coordinates handed to the engine are device pixels of the canvas (the outputs pass
// the printable height in those units). The canvas also carries the renderer's state
// from one line to the next (escape modes, the document's horizontal scale), so one
// canvas belongs to one document at a time.
class Canvas
{
public:
    // The device must outlive the canvas. The painter is begun lazily (or by beginDocument).
    explicit Canvas(QPaintDevice* device);
    // Draws through a painter that is already active on its device (owned by the caller).
    explicit Canvas(QPainter* activePainter);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    QPaintDevice* device() const { return m_device; }
    QPainter& painter();
    bool isActive() const;
    bool begin();   // begins the painter on the device; false when the device refuses
    bool end();     // ends the painter; false when the device reported a failure
    bool newPage(); // next page of a paged device (printer, PDF)
    // A paged device's next page, made only if something is drawn on it: `open` runs at
    // the next painter() call. An empty function: no page is due.
    void setPageDue(std::function<void()> open) { m_pageDue = std::move(open); }

    // Logical dots per inch of the device.
    int dpiX() const;
    int dpiY() const;
    // Drawable size in device pixels.
    int widthPixels() const;
    int heightPixels() const;

    // The natural width, in inches, of the widest line of the document about to be drawn
    // (see LineMeasurer). The renderer derives one horizontal scale for the whole
    // document from it; 0 means "unknown", and lines are then drawn at natural width.
    void setWidestLineInches(double inches) { m_widestLineInches = inches; }
    double widestLineInches() const { return m_widestLineInches; }

    // Where the line renderer's text and frames go instead of the painter, if anywhere (a
    // PDF page's own content writer). What goes there lies on top of everything the
    // painter draws on the page, so whoever draws over the lines afterwards has them
    // drawn through the painter meanwhile.
    void setPageSink(PageSink* sink) { m_pageSink = sink; }
    PageSink* pageSink() const { return m_painterOnly ? nullptr : m_pageSink; }

    // Draws everything through the painter while it lives, when `needed`.
    class PainterOnly
    {
    public:
        PainterOnly(Canvas& canvas, bool needed) : m_canvas(canvas), m_was(canvas.m_painterOnly)
        {
            m_canvas.m_painterOnly = m_was || needed;
        }
        ~PainterOnly() { m_canvas.m_painterOnly = m_was; }
        PainterOnly(const PainterOnly&) = delete;
        PainterOnly& operator=(const PainterOnly&) = delete;

    private:
        Canvas& m_canvas;
        bool m_was;
    };

    // Renderer state kept from one drawn line to the next; owned by the engine's renderer.
    struct RendererState;
    RendererState& rendererState();

private:
    QPaintDevice* m_device = nullptr;
    QPainter m_ownPainter;
    QPainter* m_painter = nullptr;
    double m_widestLineInches = 0.0;
    PageSink* m_pageSink = nullptr;
    bool m_painterOnly = false;
    std::unique_ptr<RendererState> m_state;
    std::function<void()> m_pageDue;
};
