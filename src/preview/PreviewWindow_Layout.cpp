// The controls of the preview window and where they stand: a strip with the toolbar, the
// page display and the zoom slider above the page area, which takes the rest of the
// window whatever its size. The window opens 0.92 of the screen high and as wide as the
// root of two makes it for the orientation.
#include "preview/PreviewWindow.h"

#include "job/Job.h"
#include "preview/PictureBox.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int IconSize = 24;

// A printer with a sheet coming out: the toolbar's "print this page" button.
QIcon printerIcon()
{
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 2.5, 11, 8));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 15.5, 11, 7));
    p.drawLine(QPointF(8.5, 18.5), QPointF(15.5, 18.5));
    return QIcon(pixmap);
}

} // namespace

void PreviewWindow::buildControls()
{
    toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setIconSize(QSize(IconSize, IconSize));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    const QStyle* s = style();
    const struct
    {
        Button button;
        QIcon icon;
        const char* tip;
    } buttons[] = {
        {Button::First, s->standardIcon(QStyle::SP_MediaSkipBackward), "1. Seite"},
        {Button::Previous, s->standardIcon(QStyle::SP_MediaSeekBackward), "1 Seite rückwärts"},
        {Button::Next, s->standardIcon(QStyle::SP_MediaSeekForward), "1 Seite vorwärts"},
        {Button::Last, s->standardIcon(QStyle::SP_MediaSkipForward), "letzte Seite"},
        {Button::Print, printerIcon(), "Druckt die aktuelle Seite auf den Standarddrucker"},
        {Button::Close, s->standardIcon(QStyle::SP_DialogCloseButton), "Vorschau schliessen"},
    };
    // Separators stand between the groups, in the places the buttons' numbers leave.
    int next = 1;
    for (const auto& entry : buttons) {
        for (; next < int(entry.button); ++next)
            m_buttons[next] = toolbar->addSeparator();
        const QString tip = QString::fromUtf8(entry.tip);
        QAction* action = toolbar->addAction(entry.icon, tip);
        action->setToolTip(tip);
        const Button button = entry.button;
        connect(action, &QAction::triggered, this, [this, button] { toolbarClicked(button); });
        m_buttons[next++] = action;
    }

    // The page display; a page number typed into it and Enter go to that page.
    pageDisplay = new QLineEdit(this);
    pageDisplay->setObjectName(QStringLiteral("pageDisplay"));
    pageDisplay->setAlignment(Qt::AlignCenter);
    pageDisplay->setToolTip(QStringLiteral("Seitenzahl eingeben und Enter drücken"));
    pageDisplay->setFixedWidth(pageDisplay->fontMetrics().horizontalAdvance(QStringLiteral("Seite 00000 von 00000")) +
                               16);

    zoomSlider = new QSlider(Qt::Horizontal, this);
    zoomSlider->setObjectName(QStringLiteral("zoomSlider"));
    zoomSlider->setRange(20, 180);
    zoomSlider->setPageStep(50);
    zoomSlider->setSingleStep(10);
    zoomSlider->setTickInterval(10);
    zoomSlider->setTickPosition(QSlider::TicksBelow);
    zoomSlider->setToolTip(QStringLiteral("Zoom"));

    // The page area: its bars show which part of the sheet is in view, and a sheet
    // smaller than the area stands in its middle.
    pageArea = new QScrollArea(this);
    pageArea->setObjectName(QStringLiteral("pageArea"));
    pageArea->setBackgroundRole(QPalette::Dark);
    pageArea->setAlignment(Qt::AlignCenter);
    pageArea->setFocusPolicy(Qt::StrongFocus);
    pageView = new PictureBox;
    pageView->setObjectName(QStringLiteral("pageView"));
    pageView->setPicture(&m_buffer);
    pageArea->setWidget(pageView);
    horizontalBar = pageArea->horizontalScrollBar();
    horizontalBar->setObjectName(QStringLiteral("horizontalBar"));
    verticalBar = pageArea->verticalScrollBar();
    verticalBar->setObjectName(QStringLiteral("verticalBar"));

    auto* strip = new QHBoxLayout;
    strip->addWidget(toolbar);
    strip->addWidget(pageDisplay);
    strip->addSpacing(8);
    strip->addWidget(zoomSlider, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(strip);
    layout->addWidget(pageArea, 1);
}

void PreviewWindow::connectControls()
{
    connect(zoomSlider, &QSlider::valueChanged, this, &PreviewWindow::zoomChanged);
    connect(zoomSlider, &QSlider::sliderReleased, this, [this] { pageArea->setFocus(); });
    connect(pageDisplay, &QLineEdit::returnPressed, this, &PreviewWindow::goToTypedPage);
    // The page keys, Ctrl+wheel and the page display's focus pass through eventFilter.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void PreviewWindow::placeControls()
{
    const bool landscape = m_job.landscape;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();

    // A landscape window on a narrow screen would reach beyond its right edge; it is made
    // lower until it fits.
    double height = std::min(0.92 * screen->geometry().height(), double(available.height()));
    double width = landscape ? height * M_SQRT2 : height / M_SQRT2;
    if (width > available.width()) {
        height *= available.width() / width;
        width = available.width();
    }
    setMinimumSize(320, 240);
    resize(qRound(width), qRound(height));
    // The page area's size is known from here on, so the first zoom can fit the sheet.
    layout()->activate();
    move(available.center() - QPoint(this->width() / 2, this->height() / 2));
}
