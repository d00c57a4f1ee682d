// The controls of the preview window and where they stand: a strip with the toolbar, the
// page display and the zoom slider above the page area, which takes the rest of the
// window whatever its size. The window opens 0.92 of the screen high and as wide as the
// root of two makes it for the orientation.
#include "frmMonitor.h"

#include "PictureBox.h"

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

void frmMonitor::buildControls()
{
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setIconSize(QSize(IconSize, IconSize));
    Toolbar1->setFloatable(false);
    Toolbar1->setMovable(false);
    const QStyle* s = style();
    const struct
    {
        int index;
        QIcon icon;
        const char* tip;
    } buttons[] = {
        {1, s->standardIcon(QStyle::SP_MediaSkipBackward), "1. Seite"},
        {2, s->standardIcon(QStyle::SP_MediaSeekBackward), "1 Seite rückwärts"},
        {4, s->standardIcon(QStyle::SP_MediaSeekForward), "1 Seite vorwärts"},
        {5, s->standardIcon(QStyle::SP_MediaSkipForward), "letzte Seite"},
        {7, printerIcon(), "Druckt die aktuelle Seite auf den Standarddrucker"},
        {9, s->standardIcon(QStyle::SP_DialogCloseButton), "Vorschau schliessen"},
    };
    // Buttons 3, 6 and 8 are spacers: they stand between the groups and do nothing.
    int next = 1;
    for (const auto& button : buttons) {
        for (; next < button.index; ++next)
            m_button[next] = Toolbar1->addSeparator();
        const QString tip = QString::fromUtf8(button.tip);
        QAction* action = Toolbar1->addAction(button.icon, tip);
        action->setToolTip(tip);
        const int index = button.index;
        connect(action, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
        m_button[next++] = action;
    }

    // The page display; a page number typed into it and Enter go to that page.
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setToolTip(QStringLiteral("Seitenzahl eingeben und Enter drücken"));
    Text1->setFixedWidth(Text1->fontMetrics().horizontalAdvance(QStringLiteral("Seite 00000 von 00000")) + 16);

    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(20, 180);
    Slider1->setPageStep(50);
    Slider1->setSingleStep(10);
    Slider1->setTickInterval(10);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setToolTip(QStringLiteral("Zoom"));

    // The page area: its bars show which part of the sheet is in view, and a sheet
    // smaller than the area stands in its middle.
    Picture2 = new QScrollArea(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setBackgroundRole(QPalette::Dark);
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setFocusPolicy(Qt::StrongFocus);
    Picture1 = new PictureBox;
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPicture(&m_buffer);
    Picture2->setWidget(Picture1);
    HScroll1 = Picture2->horizontalScrollBar();
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1 = Picture2->verticalScrollBar();
    VScroll1->setObjectName(QStringLiteral("VScroll1"));

    auto* strip = new QHBoxLayout;
    strip->addWidget(Toolbar1);
    strip->addWidget(Text1);
    strip->addSpacing(8);
    strip->addWidget(Slider1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(strip);
    layout->addWidget(Picture2, 1);
}

void frmMonitor::connectControls()
{
    connect(Slider1, &QSlider::valueChanged, this, &frmMonitor::Slider1_Change);
    connect(Slider1, &QSlider::sliderReleased, this, [this] { Picture2->setFocus(); });
    connect(Text1, &QLineEdit::returnPressed, this, &frmMonitor::goToTypedPage);
    // The page keys, Ctrl+wheel and the page display's focus pass through eventFilter.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void frmMonitor::placeControls()
{
    const bool landscape = Orientation == 2;
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
