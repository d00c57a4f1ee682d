#include "frmMonitor.h"

#include "Canvas.h"
#include "Job.h"
#include "LineMeasurer.h"
#include "MessageBox.h"
#include "PageDrawing.h"
#include "PageSizes.h"
#include "PictureBox.h"
#include "PrintEngine.h"
#include "Printers.h"
#include "ReadingRules.h"
#include "RendererState.h"

#include <QAction>
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

frmMonitor::frmMonitor(const Job& job, const OutputRequest& request, QWidget* parent)
    : QDialog(parent), m_job(job), m_request(request), m_pages(std::make_unique<JobPages>(job))
{
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Druckvorschau"));
    // Topmost whenever it is shown, so the page stays in front of the print dialogs.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    buildControls();
    connectControls();
}

frmMonitor::~frmMonitor() = default;

void frmMonitor::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::setVisible(visible);
}

void frmMonitor::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

QSize frmMonitor::sheetTwips() const
{
    return Orientation == 2 ? QSize(17280, 12240) : QSize(12240, 17280);
}

void frmMonitor::Form_Load()
{
    placeControls();
    Picture1->setTwips(sheetTwips());

    // The outputs hand the widest line of the whole job to the canvas; so does the
    // preview, so a page shows the horizontal scale it prints with. Like an output, the
    // preview keeps the settings in force when it opened, whatever another job loads.
    m_state.fontName = m_job.settings.fontName;
    m_widestLine = pages::widestLineInches(m_job);
    CurrentPage = Firstpage_M;
    // Printing needs a printer to print on; the button says so by being disabled.
    m_button[7]->setEnabled(!printers::currentPrinter().isEmpty());

    // The whole sheet in view; applying the zoom draws the page.
    m_fittedZoom = fittingZoom();
    const bool unchanged = m_fittedZoom == Slider1->value();
    Slider1->setValue(m_fittedZoom);
    if (unchanged)
        Slider1_Change();

    updateButtons();
    writePageDisplay();
    // The wheel and the arrow keys move the page from the start.
    Picture2->setFocus();
}

int frmMonitor::fittingZoom() const
{
    // The area without scroll bars, as none is needed once the sheet fits.
    const QSize area = Picture2->maximumViewportSize();
    const QSize sheet = sheetTwips();
    const double fit = std::min(double(area.width()) / sheet.width(), double(area.height()) / sheet.height());
    return std::clamp(int(fit * PictureBox::TwipsPerPixel * 100), Slider1->minimum(), Slider1->maximum());
}

void frmMonitor::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!m_loaded || Slider1->value() != m_fittedZoom)
        return;
    m_fittedZoom = fittingZoom();
    Slider1->setValue(m_fittedZoom);
}

void frmMonitor::Form_Unload()
{
    Picture1->setPicture(nullptr);
    m_buffer = QImage();
}

void frmMonitor::ShowPage(qint32 page)
{
    // The A4 page of the PDF output, as large as fits the sheet at this zoom, in pixels
    // of the screen; drawn at that resolution, not scaled from another.
    const bool landscape = Orientation == 2;
    const qreal ratio = devicePixelRatioF();
    const pagesizes::Twips a4 = pagesizes::pageTwips(pagesizes::PdfVariant::File);
    const double across = landscape ? a4.longSide : a4.shortSide;
    const double down = landscape ? a4.shortSide : a4.longSide;
    const int dpi = std::max(1, int(std::min(Picture1->width() * ratio * TwipsPerInch / across,
                                             Picture1->height() * ratio * TwipsPerInch / down)));
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
                           page == Firstpage_M ? 1 : 0, m_state);
    }
    m_buffer.setDevicePixelRatio(ratio);
    Picture1->update();
}

OutputOutcome frmMonitor::PrintCurrentPage()
{
    const QString name = printers::currentPrinter();
    if (name.isEmpty())
        return OutputOutcome::failure(QStringLiteral("Es ist kein Drucker eingerichtet."));
    QPrinter printer(QPrinter::HighResolution);
    printers::preparePrinter(printer, name, Orientation == 2, pages::documentTitle(m_job));
    Canvas dc(&printer);
    if (!beginDocument(dc, printer.docName()))
        return OutputOutcome::failure(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(name));
    // The page prints as it is shown: same scale, and the print modes the pages before
    // it left in force (the document's first-line reset does not apply to it).
    dc.setWidestLineInches(m_widestLine);
    dc.rendererState().modes = modesAtStartOf(CurrentPage);
    OutputRequest withoutWatermark = m_request;
    withoutWatermark.watermark.clear();
    pages::drawJobPage(dc, m_job, m_pages->page(CurrentPage), withoutWatermark, {dc.widthPixels(), dc.heightPixels()},
                       0, m_state);
    if (!endDocument(dc))
        return OutputOutcome::failure(
            QStringLiteral("Der Druckauftrag für \"%1\" konnte nicht an den Drucker übergeben werden.").arg(name));
    return OutputOutcome::done();
}

RendererModes frmMonitor::modesAtStartOf(qint32 page)
{
    // The printer draws from the first page on, with the print modes carrying from page
    // to page; a page shown on its own starts with the modes the pages before it left.
    const qint32 index = page - Firstpage_M;
    if (index <= 0 || page > m_job.pageCount())
        return {};
    if (!m_modeMeasurer) {
        m_modeMeasurer = std::make_unique<LineMeasurer>(m_job.settings.signPitch, m_job.settings.leftMargin);
        m_pageModes.assign(1, RendererModes());
    }
    const qint32 lines = m_job.linesPerPage();
    while (qint32(m_pageModes.size()) <= index) {
        const qint32 measured = Firstpage_M + qint32(m_pageModes.size()) - 1;
        const PageText& text = m_pages->page(measured);
        for (qint32 line = 1; line <= lines; ++line)
            m_modeMeasurer->add(text.line(line));
        m_pageModes.push_back(m_modeMeasurer->modes());
    }
    return m_pageModes[index];
}

void frmMonitor::Toolbar1_ButtonClick(int index)
{
    if (Range == 0 || Range == 1) {
        switch (index) {
        case 1:
            CurrentPage = Firstpage_M;
            ShowPage(CurrentPage);
            break;
        case 2:
            CurrentPage = std::max(CurrentPage - 1, Firstpage_M);
            ShowPage(CurrentPage);
            break;
        case 4:
            CurrentPage = std::min(CurrentPage + 1, Lastpage_M);
            ShowPage(CurrentPage);
            break;
        case 5:
            CurrentPage = Lastpage_M;
            ShowPage(CurrentPage);
            break;
        case 7:
            if (const OutputOutcome outcome = PrintCurrentPage(); outcome.failed())
                msgbox::show(outcome.message, QStringLiteral("Fehler!"), msgbox::Icon::Critical);
            break;
        case 9:
            close();
            return;
        default:
            break;
        }
        updateButtons();
    }
    if (index != 9)
        writePageDisplay();
}

void frmMonitor::updateButtons()
{
    const bool atFirst = CurrentPage == Firstpage_M;
    const bool atLast = CurrentPage == Lastpage_M;
    m_button[1]->setEnabled(!atFirst);
    m_button[2]->setEnabled(!atFirst);
    m_button[4]->setEnabled(!atLast);
    m_button[5]->setEnabled(!atLast);
}

void frmMonitor::writePageDisplay()
{
    Text1->setText(QStringLiteral("Seite") + rules::signedNumber(CurrentPage) + QStringLiteral(" von") +
                   rules::signedNumber(PageCounter));
}

void frmMonitor::goToTypedPage()
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const QRegularExpressionMatch typed = number.match(Text1->text());
    if ((Range == 0 || Range == 1) && typed.hasMatch()) {
        bool ok = false;
        const qint64 page = typed.captured().toLongLong(&ok);
        CurrentPage = ok ? qint32(std::clamp<qint64>(page, Firstpage_M, Lastpage_M)) : Lastpage_M;
        ShowPage(CurrentPage);
        updateButtons();
    }
    writePageDisplay();
    Text1->selectAll();
}

void frmMonitor::Slider1_Change()
{
    // The picture follows the zoom and is drawn again at the zoom's resolution. The point
    // of the sheet under the anchor (the mouse for Ctrl+wheel, else the middle of the
    // page area) stays where it is.
    const QWidget* area = Picture2->viewport();
    const QPointF anchor = std::exchange(m_zoomAnchor, std::nullopt).value_or(QRectF(area->rect()).center());
    const double across = Picture1->width() > 0 ? (anchor.x() - Picture1->x()) / Picture1->width() : 0.5;
    const double down = Picture1->height() > 0 ? (anchor.y() - Picture1->y()) / Picture1->height() : 0.5;
    const QSize sheet = sheetTwips();
    const int zoom = Slider1->value();
    Picture1->setTwips(QSize(zoom * sheet.width() / 100, zoom * sheet.height() / 100));
    HScroll1->setSingleStep(std::max(1, qRound(Picture1->width() / 50.0)));
    VScroll1->setSingleStep(std::max(1, qRound(Picture1->height() / 50.0)));
    HScroll1->setValue(qRound(across * Picture1->width() - anchor.x()));
    VScroll1->setValue(qRound(down * Picture1->height() - anchor.y()));
    ShowPage(CurrentPage);
}

bool frmMonitor::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The page keys turn pages whichever control has the focus: the slider, the page
        // display and the scroll area would otherwise take them for themselves.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            break;
        const int button = key->key() == Qt::Key_PageDown ? 4
                           : key->key() == Qt::Key_PageUp ? 2
                           : key->key() == Qt::Key_Home   ? 1
                           : key->key() == Qt::Key_End    ? 5
                                                          : 0;
        if (button == 0)
            break;
        Toolbar1_ButtonClick(button);
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (watched != Picture2->viewport() || !(wheel->modifiers() & Qt::ControlModifier))
            break;
        // A notch of the wheel is 120; a touchpad sends parts of one.
        m_wheelRemainder += wheel->angleDelta().y();
        const int steps = m_wheelRemainder / 120;
        m_wheelRemainder %= 120;
        if (steps != 0) {
            m_zoomAnchor = wheel->position();
            Slider1->setValue(Slider1->value() + steps * Slider1->singleStep());
            m_zoomAnchor.reset();
        }
        return true;
    }
    case QEvent::FocusIn:
        // Clicked into, the page display is ready for a page number to be typed over it.
        if (watched == Text1)
            QTimer::singleShot(0, Text1, &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut:
        if (watched == Text1)
            writePageDisplay();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
