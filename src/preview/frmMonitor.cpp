#include "frmMonitor.h"

#include "Canvas.h"
#include "Job.h"
#include "LineMeasurer.h"
#include "PageDrawing.h"
#include "PageSizes.h"
#include "PictureBox.h"
#include "PrintEngine.h"
#include "Printers.h"
#include "ReadingRules.h"
#include "RendererState.h"

#include <QAction>
#include <QLineEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

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
    const QSize sheet = sheetTwips();
    Picture1->setTwips(sheet);
    HScroll1->setRange(0, sheet.width());
    VScroll1->setRange(0, sheet.height());

    // The outputs hand the widest line of the whole job to the canvas; so does the
    // preview, so a page shows the horizontal scale it prints with. Like an output, the
    // preview keeps the settings in force when it opened, whatever another job loads.
    m_state.fontName = m_job.settings.fontName;
    m_widestLine = pages::widestLineInches(m_job);
    CurrentPage = Firstpage_M;

    // The zoom at which the sheet's height fits the viewport; applying it draws the page.
    const int fit = qRound(double(Picture2->height()) * PictureBox::TwipsPerPixel / sheet.height() * 100);
    const bool unchanged = std::clamp(fit, Slider1->minimum(), Slider1->maximum()) == Slider1->value();
    Slider1->setValue(fit);
    if (unchanged)
        Slider1_Change();

    updateButtons();
    writePageDisplay();
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

bool frmMonitor::PrintCurrentPage()
{
    const QString name = printers::currentPrinter();
    if (name.isEmpty())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printers::preparePrinter(printer, name, Orientation == 2, pages::documentTitle());
    Canvas dc(&printer);
    if (!beginDocument(dc, printer.docName()))
        return false;
    // The page prints as it is shown: same scale, and the print modes the pages before
    // it left in force (the document's first-line reset does not apply to it).
    dc.setWidestLineInches(m_widestLine);
    dc.rendererState().modes = modesAtStartOf(CurrentPage);
    OutputRequest withoutWatermark = m_request;
    withoutWatermark.watermark.clear();
    pages::drawJobPage(dc, m_job, m_pages->page(CurrentPage), withoutWatermark, {dc.widthPixels(), dc.heightPixels()},
                       0, m_state);
    return endDocument(dc);
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
            PrintCurrentPage();
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

void frmMonitor::Slider1_Change()
{
    // The picture and the scroll bars follow the zoom; the page is drawn again at the
    // zoom's resolution.
    const QSize sheet = sheetTwips();
    const int zoom = Slider1->value();
    Picture1->setTwips(QSize(zoom * sheet.width() / 100, zoom * sheet.height() / 100));
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        const int maximum = bar == HScroll1 ? Picture1->twips().width() : Picture1->twips().height();
        bar->setMaximum(maximum);
        bar->setPageStep(qRound(maximum / 10.0));
        bar->setSingleStep(qRound(maximum / 50.0));
    }
    ShowPage(CurrentPage);
}

void frmMonitor::HScroll1_Change()
{
    Picture1->move(-qRound(double(HScroll1->value()) / PictureBox::TwipsPerPixel), Picture1->y());
}

void frmMonitor::VScroll1_Change()
{
    Picture1->move(Picture1->x(), -qRound(double(VScroll1->value()) / PictureBox::TwipsPerPixel));
}
