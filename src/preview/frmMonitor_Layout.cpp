// The controls of the preview window and where they stand. The form takes 0.92 of the
// screen height and the width the root of two gives it for the orientation; the viewport
// takes 0.9 of the form height below a strip with the toolbar, the page display and the
// zoom slider, with its scroll bars at its right and bottom edges.
#include "frmMonitor.h"

#include "PictureBox.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QToolBar>

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

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setFocusPolicy(Qt::NoFocus);

    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(20, 180);
    Slider1->setPageStep(50);
    Slider1->setSingleStep(10);
    Slider1->setTickInterval(10);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setToolTip(QStringLiteral("Zoom"));

    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setAutoFillBackground(true);
    Picture2->setBackgroundRole(QPalette::Dark);
    Picture1 = new PictureBox(Picture2);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPicture(&m_buffer);

    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
}

void frmMonitor::connectControls()
{
    connect(Slider1, &QSlider::valueChanged, this, &frmMonitor::Slider1_Change);
    connect(Slider1, &QSlider::sliderReleased, this, [this] { HScroll1->setFocus(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmMonitor::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &frmMonitor::VScroll1_Change);
}

void frmMonitor::placeControls()
{
    const bool landscape = Orientation == 2;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();

    // A landscape form on a narrow screen would reach beyond its right edge; it is made
    // lower until it fits.
    double height = 0.92 * screen->geometry().height();
    double width = landscape ? height * M_SQRT2 : height / M_SQRT2;
    if (width > available.width()) {
        height *= available.width() / width;
        width = available.width();
    }
    const int viewportHeight = qRound(0.9 * height);
    const int viewportWidth = qRound(landscape ? viewportHeight * M_SQRT2 : viewportHeight / M_SQRT2);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int stripHeight = qRound(height) - viewportHeight;
    const int left = std::max(0, (qRound(width) - viewportWidth - bar) / 2);
    setFixedSize(qRound(width), qRound(height) + bar);

    Picture2->setGeometry(left, stripHeight, viewportWidth, viewportHeight);
    VScroll1->setGeometry(left + viewportWidth, stripHeight, bar, viewportHeight);
    HScroll1->setGeometry(left, stripHeight + viewportHeight, viewportWidth, bar);

    // The strip: toolbar on the left, then the page display, the zoom slider to the right.
    const QSize toolbar = Toolbar1->sizeHint();
    const int middle = stripHeight / 2;
    Toolbar1->setGeometry(left, middle - toolbar.height() / 2, toolbar.width(), toolbar.height());
    const int textLeft = left + toolbar.width() + 8;
    const int textWidth = Text1->fontMetrics().horizontalAdvance(QStringLiteral("Seite 00000 von 00000")) + 16;
    Text1->setGeometry(textLeft, middle - Text1->sizeHint().height() / 2, textWidth, Text1->sizeHint().height());
    const int sliderLeft = textLeft + textWidth + 12;
    const int sliderHeight = Slider1->sizeHint().height();
    Slider1->setGeometry(sliderLeft, middle - sliderHeight / 2, std::max(60, left + viewportWidth + bar - sliderLeft),
                         sliderHeight);

    move(available.center() - QPoint(this->width() / 2, this->height() / 2));
}
