#include "pdf/ParallelPages.h"

#include "engine/Canvas.h"
#include "engine/RendererState.h"
#include "job/Job.h"
#include "pages/Output.h"
#include "pdf/DrawingDetector.h"
#include "pdf/PdfPageWriter.h"

#include <QImage>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// Made pages the workers may keep ahead of the writer: enough to ride out an uneven page
// or a slower core, few enough that a long document is never held in memory.
constexpr size_t LinePagesAhead = 32;
constexpr size_t BitmapPagesAhead = 4;
// Pages ready before the taker that waits for them is woken: waking it costs a system
// call on both sides.
constexpr size_t WakeBatch = 4;
// Below this many pages of lines the workers' start (each loads its fonts) costs more
// than they save.
constexpr qint32 MinimumLinePages = 8;

size_t pagesAhead(ParallelPages::Kind kind)
{
    return kind == ParallelPages::Kind::Lines ? LinePagesAhead : BitmapPagesAhead;
}

// Makes the pages of one worker; lives on that worker's thread.
class PageMaker
{
public:
    explicit PageMaker(const ParallelPages::Setup& setup) : m_setup(setup), m_pages(setup.job), m_writer(setup.layer) {}
    virtual ~PageMaker() = default;
    PageMaker(const PageMaker&) = delete;
    PageMaker& operator=(const PageMaker&) = delete;

    virtual ParallelPages::Built make(qint32 page) = 0;

protected:
    PageStartState startOf(qint32 page) const
    {
        const qint64 index = qint64(page) - m_setup.request.fromPage;
        const auto& starts = m_setup.plan.starts;
        return index >= 0 && index < qint64(starts.size()) ? starts[size_t(index)] : PageStartState();
    }
    qint32 firstLineFlag(qint32 page) const { return page == m_setup.request.fromPage ? 1 : 0; }

    const ParallelPages::Setup& m_setup;
    JobPages m_pages;
    PdfPageWriter m_writer;
};

class LinesMaker final : public PageMaker
{
public:
    explicit LinesMaker(const ParallelPages::Setup& setup)
        : PageMaker(setup), m_device(setup.pagePixels, setup.dpiX, setup.dpiY), m_canvas(&m_device)
    {
        m_canvas.setWidestLineInches(setup.plan.widestLineInches);
        m_canvas.setPageSink(&m_writer);
        m_canvas.begin();
    }

    ParallelPages::Built make(qint32 page) override
    {
        const PageStartState start = startOf(page);
        m_canvas.rendererState().modes = start.modes;
        pages::DocumentState state{start.fontName};
        m_device.forget();
        m_writer.beginPage(m_setup.pointsPerPixel, m_setup.pageHeightPoints);
        pages::drawLines(m_canvas, m_setup.job, m_pages.page(page),
                         {m_setup.pagePixels.width(), m_setup.pagePixels.height()}, firstLineFlag(page), state);
        ParallelPages::Built built;
        built.content = m_writer.endPage();
        built.needsPainter = m_device.drewAnything();
        if (built.needsPainter)
            built.content = {};
        return built;
    }

private:
    DrawingDetector m_device;
    Canvas m_canvas;
};

class BitmapMaker final : public PageMaker
{
public:
    using PageMaker::PageMaker;

    // The page drawn into a white bitmap finer than the page by a whole factor, which
    // reports a resolution finer by the same factor, so the renderer lays out the same
    // page and the text stays legible at 200 dots per inch or more. Drawn without
    // antialiasing: black text and frames stay black and white, which the picture stores
    // in one bit a pixel, and at that resolution a stair in an edge is too fine to see.
    ParallelPages::Built make(qint32 page) override
    {
        const QSize size = m_setup.pagePixels;
        int factor = m_setup.bitmapFactor;
        QImage bitmap(size.width() * factor, size.height() * factor, QImage::Format_RGB32);
        if (bitmap.isNull() && factor > 1) {
            factor = 1;
            bitmap = QImage(size, QImage::Format_RGB32);
        }
        ParallelPages::Built built;
        if (bitmap.isNull()) {
            built.failed = true;
            return built;
        }
        bitmap.setDotsPerMeterX(qRound(m_setup.dpiX * factor / 0.0254));
        bitmap.setDotsPerMeterY(qRound(m_setup.dpiY * factor / 0.0254));
        bitmap.fill(Qt::white);
        {
            Canvas canvas(&bitmap);
            canvas.setWidestLineInches(m_setup.plan.widestLineInches);
            canvas.painter().setRenderHint(QPainter::Antialiasing, false);
            canvas.painter().setRenderHint(QPainter::TextAntialiasing, false);
            const PageStartState start = startOf(page);
            canvas.rendererState().modes = start.modes;
            pages::DocumentState state{start.fontName};
            pages::drawJobPage(canvas, m_setup.job, m_pages.page(page), m_setup.request,
                               {bitmap.width(), bitmap.height()}, firstLineFlag(page), state);
        }
        m_writer.beginPage(m_setup.pointsPerPixel, m_setup.pageHeightPoints);
        m_writer.drawPagePicture(QRectF(QPointF(0, 0), QSizeF(size)), bitmap);
        built.content = m_writer.endPage();
        return built;
    }
};

} // namespace

ParallelPages::ParallelPages(const Setup& setup, int threads) : m_setup(setup), m_nextPage(setup.request.fromPage)
{
    const size_t workers = size_t(std::max(threads, 1));
    m_workers.reserve(workers);
    for (size_t k = 0; k < workers; ++k)
        m_workers.emplace_back([this] { work(); });
}

ParallelPages::~ParallelPages()
{
    {
        const std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

ParallelPages::Built ParallelPages::makeHere(const Setup& setup, qint32 page)
{
    if (setup.kind == Kind::Lines)
        return LinesMaker(setup).make(page);
    return BitmapMaker(setup).make(page);
}

int ParallelPages::workersFor(Kind kind, qint32 pages)
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    if (cores < 2 || pages < (kind == Kind::Lines ? MinimumLinePages : 2))
        return 0;
    return std::min(cores, 2);
}

size_t ParallelPages::readyRun() const
{
    size_t run = 0;
    while (run < m_ready.size() && m_ready[run])
        ++run;
    return run;
}

ParallelPages::Built ParallelPages::take(qint32 page)
{
    std::unique_lock lock(m_lock);
    // The taker waits until a few pages from this one on are ready.
    const size_t wanted = std::min(WakeBatch, size_t(m_setup.request.toPage - page + 1));
    if (m_ready.empty() || !m_ready.front()) {
        m_takerWants = wanted;
        m_changed.wait(lock, [&] { return readyRun() >= wanted; });
        m_takerWants = 0;
    }
    Built built = std::move(*m_ready.front());
    m_ready.pop_front();
    ++m_taken;
    // A worker waits only while the window ahead of the taker is full; waking anybody
    // otherwise costs a system call a page.
    const bool workersWait = m_workersWaiting > 0;
    lock.unlock();
    if (workersWait)
        m_changed.notify_all();
    return built;
}

void ParallelPages::work()
{
    // The workers take the next page not yet taken, whichever is free: a worker on a
    // slower core makes fewer pages instead of holding the others up.
    const size_t ahead = pagesAhead(m_setup.kind);
    std::unique_ptr<PageMaker> maker;
    for (;;) {
        qint32 page = 0;
        {
            std::unique_lock lock(m_lock);
            ++m_workersWaiting;
            m_changed.wait(lock, [&] {
                return m_stop || m_nextPage > m_setup.request.toPage ||
                       size_t(m_nextPage - m_setup.request.fromPage) < m_taken + ahead;
            });
            --m_workersWaiting;
            if (m_stop || m_nextPage > m_setup.request.toPage)
                return;
            page = m_nextPage++;
        }
        Built built;
        try {
            if (!maker) {
                if (m_setup.kind == Kind::Lines)
                    maker = std::make_unique<LinesMaker>(m_setup);
                else
                    maker = std::make_unique<BitmapMaker>(m_setup);
            }
            built = maker->make(page);
        } catch (const std::exception&) {
            // Out of memory on this thread: the page is drawn by the painter instead, or
            // reported as one that could not be made.
            built = {};
            built.needsPainter = m_setup.kind == Kind::Lines;
            built.failed = m_setup.kind == Kind::Bitmap;
        }
        std::unique_lock lock(m_lock);
        if (m_stop)
            return;
        const size_t slot = size_t(page - m_setup.request.fromPage) - m_taken;
        if (m_ready.size() <= slot)
            m_ready.resize(slot + 1);
        m_ready[slot] = std::move(built);
        const bool wake = m_takerWants > 0 && readyRun() >= m_takerWants;
        lock.unlock();
        if (wake)
            m_changed.notify_all();
    }
}
