#pragma once

#include "pages/PageDrawing.h"
#include "pdf/PdfPageLayer.h"

#include <QSize>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class Job;
struct OutputRequest;

// Makes the content of a PDF document's pages on worker threads while the page writer's
// painter, which belongs to one thread, draws the rest of each page in order. What a page
// looks like depends on the pages before it only through where it starts (the document
// plan), so each worker takes up the next page nobody has, and the pages are taken back
// in page order.
//
// Two kinds of pages:
// - Lines: the lines of each page written by a PdfPageWriter of the worker's own, against
//   a device that draws nothing. A page on which something needed the painter (a bar
//   code, text in a font that cannot be embedded) comes back marked, without content, to
//   be drawn by the painter.
// - Bitmap: the whole page drawn into a white bitmap finer than the page by
//   `bitmapFactor` and written as one picture covering the page.
class ParallelPages
{
public:
    enum class Kind
    {
        Lines,
        Bitmap,
    };

    // Everything a worker needs; all of it must outlive the object and stays unchanged.
    struct Setup
    {
        const Job& job;
        const OutputRequest& request;
        const pages::DocumentPlan& plan; // for request.fromPage to request.toPage
        PdfPageLayer& layer;             // whose fonts the pages use
        QSize pagePixels;                // a page's size in the page writer's pixels
        int dpiX = 72;
        int dpiY = 72;
        double pointsPerPixel = 1; // the text layer's frame of a page (PdfComponent::textFrame)
        double pageHeightPoints = 0;
        Kind kind = Kind::Lines;
        int bitmapFactor = 1;
    };

    // What a worker made of one page.
    struct Built
    {
        PdfPageLayer::Page content;
        bool needsPainter = false; // Lines: the page's lines must be drawn by the painter
        bool failed = false;       // Bitmap: no memory for the page's bitmap
    };

    // Starts `threads` workers (at least one) on the plan's pages.
    ParallelPages(const Setup& setup, int threads);
    // Stops the workers; pages not taken are dropped.
    ~ParallelPages();
    ParallelPages(const ParallelPages&) = delete;
    ParallelPages& operator=(const ParallelPages&) = delete;

    // The page `page`, once made; pages are taken one after the other, from fromPage on.
    Built take(qint32 page);

    // Makes page `page` on the calling thread, as a worker would: for a page or two, where
    // workers are not worth starting.
    static Built makeHere(const Setup& setup, qint32 page);

    // How many workers a document of `pages` pages of `kind` is worth: none (draw it on
    // the calling thread) where starting workers costs more than they save.
    static int workersFor(Kind kind, qint32 pages);

private:
    void work();
    // Pages made from the next one to take on, without a gap; under m_lock.
    size_t readyRun() const;

    const Setup m_setup;
    std::mutex m_lock;
    std::condition_variable m_changed;
    qint32 m_nextPage;                        // the next page a worker takes up
    size_t m_taken = 0;                       // pages taken back so far
    std::deque<std::optional<Built>> m_ready; // from the next page to take on; empty where not made yet
    size_t m_takerWants = 0;                  // pages the waiting taker waits to be ready, 0 when none waits
    size_t m_workersWaiting = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};
