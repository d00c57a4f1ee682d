#pragma once

#include "engine/RendererModes.h"
#include "pages/Output.h"
#include "pages/PageDrawing.h"

#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class Job;
class JobPages;
class LineMeasurer;
class PictureBox;
class QAction;
class QLineEdit;
class QScrollArea;
class QScrollBar;
class QSlider;
class QToolBar;
class QWidget;

// The preview window: one page of a job at a time, as it will look on paper. The page is
// drawn by the same page drawing as the printer and PDF outputs (background picture,
// watermark, lines through the line renderer, with the job's widest line handed to the
// canvas), at the resolution of the zoom, so text stays sharp at every zoom.
//
// Use: construct, set the page range, show it (the print dialog shows it modal). The
// range is read when the window is first shown. The job and the request (picture mode,
// picture, watermark) come with the constructor; the job must outlive the window.
// Closing the window (the close button, Esc, the title bar) releases the page pictures.
//
// Sizes follow a sheet of 12240 x 17280 twips (17280 x 12240 in landscape), 15 twips to
// the screen pixel at zoom 100. The page drawn on it is the A4 page the PDF output draws,
// as large as fits the sheet; the sheet shows white around it.
//
// A viewer as people know it: the window can be resized and maximised, and the page area
// (a scroll area whose bars show the visible part of the sheet) follows it. It opens
// with the whole sheet in view and keeps fitting it to the window until the zoom is
// changed. The wheel scrolls, Ctrl+wheel zooms in steps of the slider; PgDn, PgUp,
// Home and End turn the pages like the toolbar, whichever control has the focus; a
// number typed into the page display and Enter go to that page.
class PreviewWindow : public QDialog
{
    Q_OBJECT

public:
    PreviewWindow(const Job& job, const OutputRequest& request, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The pages that may be shown (the output's range); set by the opener before the
    // window is shown.
    qint32 firstPage = 0;
    qint32 lastPage = 0;

    // The toolbar's buttons; the numbers keep the place of the separators between them.
    enum class Button
    {
        First = 1,
        Previous = 2,
        Next = 4,
        Last = 5,
        Print = 7,
        Close = 9,
    };

    // Draws `page` into pageImage at the zoom's resolution and shows it in pageView.
    void showPage(qint32 page);
    // Prints the page on view on the current (default) printer: one spooler document with
    // the document title of the outputs, background picture and lines, no watermark.
    // Failed, with a German message naming the printer, when there is no printer or it
    // refused the document; the caller decides what the user sees.
    OutputOutcome printCurrentPage();
    // A toolbar button as the user presses it: turn pages, print the page on view (a
    // failure is shown in a message box; the button is disabled when there is no
    // printer), close.
    void toolbarClicked(Button button);

    qint32 currentPage() const { return m_currentPage; }
    // The page as last drawn, at the zoom's resolution (its dots per metre tell which).
    const QImage& pageImage() const { return m_buffer; }

protected:
    void setVisible(bool visible) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // PreviewWindow_Layout.cpp
    void buildControls();
    void connectControls();
    void placeControls();

    // PreviewWindow.cpp
    void load();
    void zoomChanged();
    void unload();
    void updateButtons();
    void writePageDisplay();
    QSize sheetTwips() const;
    RendererModes modesAtStartOf(qint32 page);
    // The zoom at which the whole sheet fits the page area, within the slider's range.
    int fittingZoom() const;
    // Goes to the page whose number the page display holds, within the pages allowed.
    void goToTypedPage();

    qint32 m_currentPage = 0;

    QToolBar* toolbar = nullptr;
    std::array<QAction*, 10> m_buttons{}; // by Button, separators between
    QLineEdit* pageDisplay = nullptr;
    QSlider* zoomSlider = nullptr;
    QScrollArea* pageArea = nullptr; // the page area
    PictureBox* pageView = nullptr;
    QScrollBar* horizontalBar = nullptr; // pageArea's bars
    QScrollBar* verticalBar = nullptr;

    QImage m_buffer;
    bool m_loaded = false;
    // The zoom last chosen to fit the sheet to the window: while the slider shows it, a
    // resized window fits the sheet again; another zoom stays as the user chose it.
    int m_fittedZoom = -1;
    int m_wheelRemainder = 0;            // Ctrl+wheel turns not yet a whole zoom step
    std::optional<QPointF> m_zoomAnchor; // where the next zoom keeps the sheet in place
    double m_widestLine = 0;
    const Job& m_job;
    OutputRequest m_request;
    std::unique_ptr<JobPages> m_pages;
    pages::DocumentState m_state; // the page drawing writes the font back
    // The print modes in force where each page begins (index 0 is firstPage), measured
    // as far as a page on view needed them.
    std::vector<RendererModes> m_pageModes;
    std::unique_ptr<LineMeasurer> m_modeMeasurer;
};
