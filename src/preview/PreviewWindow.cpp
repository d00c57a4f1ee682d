#include "preview/PreviewWindow.h"

#include "engine/Canvas.h"
#include "engine/LineMeasurer.h"
#include "engine/PrintEngine.h"
#include "engine/RendererState.h"
#include "job/Job.h"
#include "pages/PageDrawing.h"
#include "pages/PageSizes.h"
#include "platform/MessageBox.h"
#include "platform/Printers.h"
#include "preview/PictureBox.h"
#include "settings/ReadingRules.h"

#include <QAction>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace {

constexpr double TwipsPerInch = 1440.0;

} // namespace

PreviewWindow::PreviewWindow(const Job& job, const OutputRequest& request, QWidget* parent)
    : QDialog(parent), m_job(job), m_request(request), m_pages(std::make_unique<JobPages>(job))
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("Druckvorschau"));
    // Topmost whenever it is shown, so the page stays in front of the print dialogs.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    buildControls();
    connectControls();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        load();
    }
    QDialog::setVisible(visible);
}

void PreviewWindow::done(int result)
{
    unload();
    QDialog::done(result);
}

QSize PreviewWindow::sheetTwips() const
{
    return m_job.landscape ? QSize(17280, 12240) : QSize(12240, 17280);
}

void PreviewWindow::load()
{
    placeControls();
    pageView->setTwips(sheetTwips());

    // The outputs hand the widest line of the whole job to the canvas; so does the
    // preview, so a page shows the horizontal scale it prints with. Like an output, the
    // preview keeps the settings in force when it opened, whatever another job loads.
    m_state.fontName = m_job.settings.fontName;
    m_widestLine = pages::widestLineInches(m_job);
    m_currentPage = firstPage;
    // Printing needs a printer to print on; the button says so by being disabled.
    m_buttons[int(Button::Print)]->setEnabled(!printers::currentPrinter().isEmpty());

    // The whole sheet in view; applying the zoom draws the page.
    m_fittedZoom = fittingZoom();
    const bool unchanged = m_fittedZoom == zoomSlider->value();
    zoomSlider->setValue(m_fittedZoom);
    if (unchanged)
        zoomChanged();

    updateButtons();
    writePageDisplay();
    // The wheel and the arrow keys move the page from the start.
    pageArea->setFocus();
}

int PreviewWindow::fittingZoom() const
{
    // The area without scroll bars, as none is needed once the sheet fits.
    const QSize area = pageArea->maximumViewportSize();
    const QSize sheet = sheetTwips();
    const double fit = std::min(double(area.width()) / sheet.width(), double(area.height()) / sheet.height());
    return std::clamp(int(fit * PictureBox::TwipsPerPixel * 100), zoomSlider->minimum(), zoomSlider->maximum());
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!m_loaded || zoomSlider->value() != m_fittedZoom)
        return;
    m_fittedZoom = fittingZoom();
    zoomSlider->setValue(m_fittedZoom);
}

void PreviewWindow::unload()
{
    pageView->setPicture(nullptr);
    m_buffer = QImage();
}

void PreviewWindow::showPage(qint32 page)
{
    // The A4 page of the PDF output, as large as fits the sheet at this zoom, in pixels
    // of the screen; drawn at that resolution, not scaled from another.
    const bool landscape = m_job.landscape;
    const qreal ratio = devicePixelRatioF();
    const pagesizes::Twips a4 = pagesizes::pageTwips(pagesizes::PdfVariant::File);
    const double across = landscape ? a4.longSide : a4.shortSide;
    const double down = landscape ? a4.shortSide : a4.longSide;
    const int dpi = std::max(1, int(std::min(pageView->width() * ratio * TwipsPerInch / across,
                                             pageView->height() * ratio * TwipsPerInch / down)));
    const QSize size = pagesizes::pagePixels(pagesizes::PdfVariant::File, landscape, dpi, dpi);
    if (m_buffer.size() != size)
        m_buffer = QImage(size, QImage::Format_RGB32);
    // Drawn at one device pixel per pixel; the screen's ratio applies when it is shown.
    m_buffer.setDevicePixelRatio(1);
    m_buffer.setDotsPerMeterX(qRound(dpi / 0.0254));
    m_buffer.setDotsPerMeterY(qRound(dpi / 0.0254));
    m_buffer.fill(Qt::white);
    {
        Canvas dc(&m_buffer);
        dc.setWidestLineInches(m_widestLine);
        dc.rendererState().modes = modesAtStartOf(page);
        pages::drawJobPage(dc, m_job, m_pages->page(page), m_request, {size.width(), size.height()},
                           page == firstPage ? 1 : 0, m_state);
    }
    m_buffer.setDevicePixelRatio(ratio);
    pageView->update();
}

OutputOutcome PreviewWindow::printCurrentPage()
{
    const QString name = printers::currentPrinter();
    if (name.isEmpty())
        return OutputOutcome::failure(QStringLiteral("Es ist kein Drucker eingerichtet."));
    QPrinter printer(QPrinter::HighResolution);
    printers::preparePrinter(printer, name, m_job.landscape, pages::documentTitle(m_job));
    Canvas dc(&printer);
    if (!beginDocument(dc, printer.docName()))
        return OutputOutcome::failure(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(name));
    // The page prints as it is shown: same scale, and the print modes the pages before
    // it left in force (the document's first-line reset does not apply to it).
    dc.setWidestLineInches(m_widestLine);
    dc.rendererState().modes = modesAtStartOf(m_currentPage);
    OutputRequest withoutWatermark = m_request;
    withoutWatermark.watermark.clear();
    pages::drawJobPage(dc, m_job, m_pages->page(m_currentPage), withoutWatermark, {dc.widthPixels(), dc.heightPixels()},
                       0, m_state);
    if (!endDocument(dc))
        return OutputOutcome::failure(
            QStringLiteral("Der Druckauftrag für \"%1\" konnte nicht an den Drucker übergeben werden.").arg(name));
    return OutputOutcome::done();
}

RendererModes PreviewWindow::modesAtStartOf(qint32 page)
{
    // The printer draws from the first page on, with the print modes carrying from page
    // to page; a page shown on its own starts with the modes the pages before it left.
    const qint32 index = page - firstPage;
    if (index <= 0 || page > m_job.pageCount())
        return {};
    if (!m_modeMeasurer) {
        m_modeMeasurer = std::make_unique<LineMeasurer>(m_job.settings.signPitch, m_job.settings.leftMargin);
        m_pageModes.assign(1, RendererModes());
    }
    const qint32 lines = m_job.linesPerPage();
    while (qint32(m_pageModes.size()) <= index) {
        const qint32 measured = firstPage + qint32(m_pageModes.size()) - 1;
        const PageText& text = m_pages->page(measured);
        for (qint32 line = 1; line <= lines; ++line)
            m_modeMeasurer->add(text.line(line));
        m_pageModes.push_back(m_modeMeasurer->modes());
    }
    return m_pageModes[index];
}

void PreviewWindow::toolbarClicked(Button button)
{
    switch (button) {
    case Button::First:
        m_currentPage = firstPage;
        showPage(m_currentPage);
        break;
    case Button::Previous:
        m_currentPage = std::max(m_currentPage - 1, firstPage);
        showPage(m_currentPage);
        break;
    case Button::Next:
        m_currentPage = std::min(m_currentPage + 1, lastPage);
        showPage(m_currentPage);
        break;
    case Button::Last:
        m_currentPage = lastPage;
        showPage(m_currentPage);
        break;
    case Button::Print:
        if (const OutputOutcome outcome = printCurrentPage(); outcome.failed())
            msgbox::show(outcome.message, QStringLiteral("Fehler!"), msgbox::Icon::Critical);
        break;
    case Button::Close:
        close();
        return;
    }
    updateButtons();
    writePageDisplay();
}

void PreviewWindow::updateButtons()
{
    const bool atFirst = m_currentPage == firstPage;
    const bool atLast = m_currentPage == lastPage;
    m_buttons[int(Button::First)]->setEnabled(!atFirst);
    m_buttons[int(Button::Previous)]->setEnabled(!atFirst);
    m_buttons[int(Button::Next)]->setEnabled(!atLast);
    m_buttons[int(Button::Last)]->setEnabled(!atLast);
}

void PreviewWindow::writePageDisplay()
{
    pageDisplay->setText(QStringLiteral("Seite") + rules::signedNumber(m_currentPage) + QStringLiteral(" von") +
                         rules::signedNumber(m_job.pageCount()));
}

void PreviewWindow::goToTypedPage()
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const QRegularExpressionMatch typed = number.match(pageDisplay->text());
    if (typed.hasMatch()) {
        bool ok = false;
        const qint64 page = typed.captured().toLongLong(&ok);
        m_currentPage = ok ? qint32(std::clamp<qint64>(page, firstPage, lastPage)) : lastPage;
        showPage(m_currentPage);
        updateButtons();
    }
    writePageDisplay();
    pageDisplay->selectAll();
}

void PreviewWindow::zoomChanged()
{
    // The picture follows the zoom and is drawn again at the zoom's resolution. The point
    // of the sheet under the anchor (the mouse for Ctrl+wheel, else the middle of the
    // page area) stays where it is.
    const QWidget* area = pageArea->viewport();
    const QPointF anchor = std::exchange(m_zoomAnchor, std::nullopt).value_or(QRectF(area->rect()).center());
    const double across = pageView->width() > 0 ? (anchor.x() - pageView->x()) / pageView->width() : 0.5;
    const double down = pageView->height() > 0 ? (anchor.y() - pageView->y()) / pageView->height() : 0.5;
    const QSize sheet = sheetTwips();
    const int zoom = zoomSlider->value();
    pageView->setTwips(QSize(zoom * sheet.width() / 100, zoom * sheet.height() / 100));
    horizontalBar->setSingleStep(std::max(1, qRound(pageView->width() / 50.0)));
    verticalBar->setSingleStep(std::max(1, qRound(pageView->height() / 50.0)));
    horizontalBar->setValue(qRound(across * pageView->width() - anchor.x()));
    verticalBar->setValue(qRound(down * pageView->height() - anchor.y()));
    showPage(m_currentPage);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The page keys turn pages whichever control has the focus: the slider, the page
        // display and the scroll area would otherwise take them for themselves.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            break;
        static const QHash<int, Button> pageKeys{{Qt::Key_PageDown, Button::Next},
                                                 {Qt::Key_PageUp, Button::Previous},
                                                 {Qt::Key_Home, Button::First},
                                                 {Qt::Key_End, Button::Last}};
        const auto found = pageKeys.find(key->key());
        if (found == pageKeys.end())
            break;
        toolbarClicked(*found);
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (watched != pageArea->viewport() || !(wheel->modifiers() & Qt::ControlModifier))
            break;
        // A notch of the wheel is 120; a touchpad sends parts of one.
        m_wheelRemainder += wheel->angleDelta().y();
        const int steps = m_wheelRemainder / 120;
        m_wheelRemainder %= 120;
        if (steps != 0) {
            m_zoomAnchor = wheel->position();
            zoomSlider->setValue(zoomSlider->value() + steps * zoomSlider->singleStep());
            m_zoomAnchor.reset();
        }
        return true;
    }
    case QEvent::FocusIn:
        // Clicked into, the page display is ready for a page number to be typed over it.
        if (watched == pageDisplay)
            QTimer::singleShot(0, pageDisplay, &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut:
        if (watched == pageDisplay)
            writePageDisplay();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
