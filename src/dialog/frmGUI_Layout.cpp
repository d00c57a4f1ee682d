// The controls of the print dialog and where they stand. The form is laid out like its
// twip design, 15 twips to the pixel: a client area of 8025 x 6090 twips (535 x 406
// pixels), the job's shared options in the left column, the destination group of slot 0
// in the right one, the buttons and the countdown strip along the bottom. Without the
// strip the form ends below the buttons.
#include "frmGUI.h"

#include "ServerSettings.h"
#include "UpDownButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int twipsPerPixel = 15;
constexpr int clientWidth = 8025 / twipsPerPixel;  // 535
constexpr int clientHeight = 6090 / twipsPerPixel; // 406
constexpr int countdownTop = 378;                  // the countdown strip runs from here to the bottom

template <typename W, typename... Args>
W* make(QWidget* parent, const char* name, const QRect& geometry, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    return make<QGroupBox>(parent, name, geometry, caption);
}

QProgressBar* makeProgressBar(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* bar = make<QProgressBar>(parent, name, geometry);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QLineEdit* makeNumberBox(QWidget* parent, const char* name, const QRect& geometry, const QString& text)
{
    auto* box = make<QLineEdit>(parent, name, geometry);
    box->setText(text);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

UpDownButtons* makeSpinButtons(QWidget* parent, const char* name, const QRect& geometry, QLineEdit* buddy)
{
    auto* buttons = make<UpDownButtons>(parent, name, geometry);
    buttons->setBuddy(buddy);
    return buttons;
}

QRect twips(const QRect& r)
{
    return {r.x() / twipsPerPixel, r.y() / twipsPerPixel, r.width() / twipsPerPixel, r.height() / twipsPerPixel};
}

// The form ends below the countdown strip while the strip is shown and below the buttons
// otherwise, so a stopped or absent countdown leaves no empty band.
class FitToCountdownStrip : public QObject
{
public:
    FitToCountdownStrip(QWidget* form, QWidget* strip) : QObject(form), m_form(form), m_strip(strip)
    {
        strip->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_strip && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
            fit();
        return false;
    }

private:
    void fit() { m_form->setFixedSize(clientWidth, m_strip->isVisibleTo(m_form) ? clientHeight : countdownTop); }

    QWidget* m_form;
    QWidget* m_strip;
};

} // namespace

void frmGUI::buildControls()
{
    setFixedSize(clientWidth, clientHeight);
    buildJobColumn();
    buildSlotColumn();
    buildBottom();
}

void frmGUI::buildJobColumn()
{
    Frame3 = makeFrame(this, "Frame3", QStringLiteral("Druckauftrag"), {8, 4, 256, 336});

    Frame5 = makeFrame(Frame3, "Frame5", QStringLiteral("Hintergrundgrafik"), {8, 20, 240, 192});
    Combo1 = make<QComboBox>(Frame5, "Combo1", {10, 20, 220, 22});

    // The page picture shows the orientation of the job; the thumbnail of the chosen
    // background sits on it, as the picture will lie on the printed page. The job places
    // page and shadow in twips within this area, which starts a little lower than the
    // frame so the page keeps clear of the picture list.
    auto* pageArea = new QWidget(Frame5);
    pageArea->setGeometry(0, 6, 240, 184);
    pageArea->lower();
    m_pageShadow = make<QFrame>(pageArea, "PageShadow", twips({360, 840, 1455, 1815}));
    m_pageShadow->setAutoFillBackground(true);
    QPalette shadowPalette = m_pageShadow->palette();
    shadowPalette.setColor(QPalette::Window, QColor(96, 96, 96));
    m_pageShadow->setPalette(shadowPalette);

    m_pagePicture = make<QFrame>(pageArea, "PagePicture", twips({240, 720, 1455, 1815}));
    m_pagePicture->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_pagePicture->setAutoFillBackground(true);
    QPalette pagePalette = m_pagePicture->palette();
    pagePalette.setColor(QPalette::Window, Qt::white);
    pagePalette.setColor(QPalette::WindowText, QColor(64, 64, 64));
    m_pagePicture->setPalette(pagePalette);

    Image1 = make<QLabel>(m_pagePicture, "Image1", m_pagePicture->rect().adjusted(4, 4, -4, -4));
    Image1->setAlignment(Qt::AlignCenter);

    Frame6 = makeFrame(Frame3, "Frame6", QStringLiteral("Druckbereich"), {8, 214, 240, 94});
    m_rangeGroup = new QButtonGroup(this);
    Option2_0 = make<QRadioButton>(Frame6, "Option2_0", {10, 20, 120, 22}, QStringLiteral("alles"));
    Option2_1 = make<QRadioButton>(Frame6, "Option2_1", {10, 44, 84, 22}, QStringLiteral("von Seite"));
    m_rangeGroup->addButton(Option2_0, 0);
    m_rangeGroup->addButton(Option2_1, 1);
    Option2_0->setChecked(true);
    Text2 = makeNumberBox(Frame6, "Text2", {98, 44, 48, 22}, QStringLiteral("1"));
    UpDown2 = makeSpinButtons(Frame6, "UpDown2", {146, 44, 16, 22}, Text2);
    Label3 = make<QLabel>(Frame6, "Label3", {30, 68, 66, 22}, QStringLiteral("bis Seite"));
    Text3 = makeNumberBox(Frame6, "Text3", {98, 68, 48, 22}, QString());
    UpDown3 = makeSpinButtons(Frame6, "UpDown3", {146, 68, 16, 22}, Text3);

    Check2 = make<QCheckBox>(Frame3, "Check2", {12, 311, 236, 22}, QStringLiteral("Probedruck (Druckwiederholung)"));
}

void frmGUI::buildSlotColumn()
{
    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Drucker"), {272, 4, 255, 336});
    ImageCombo1 = make<QComboBox>(Frame1, "ImageCombo1", {10, 22, 235, 24});
    ImageCombo1->setIconSize(QSize(16, 16));

    // E-mail and fax boxes share one place: at most one of them is shown.
    frmEmail = makeFrame(Frame1, "frmEmail", QStringLiteral("Email"), {10, 50, 235, 50});
    Text4 = make<QLineEdit>(frmEmail, "Text4", {8, 20, 219, 22});
    frmFax = makeFrame(Frame1, "frmFax", QStringLiteral("FAX-Nr."), {10, 50, 235, 50});
    Text5 = make<QLineEdit>(frmFax, "Text5", {8, 20, 219, 22});

    Frame2 = makeFrame(Frame1, "Frame2", QStringLiteral("Hintergrundgrafik"), {10, 104, 130, 86});
    m_pictureModeGroup = new QButtonGroup(this);
    Option1[2] = make<QRadioButton>(Frame2, "Option1_2", {8, 18, 118, 22}, QStringLiteral("alle Seiten"));
    Option1[1] = make<QRadioButton>(Frame2, "Option1_1", {8, 40, 118, 22}, QStringLiteral("nur 1.Seite"));
    Option1[0] = make<QRadioButton>(Frame2, "Option1_0", {8, 62, 118, 22}, QStringLiteral("nicht drucken"));
    for (int mode = 0; mode < 3; ++mode)
        m_pictureModeGroup->addButton(Option1[mode], mode);

    Frame4 = makeFrame(Frame1, "Frame4", QStringLiteral("Exemplare"), {146, 104, 99, 54});
    Text1 = makeNumberBox(Frame4, "Text1", {10, 22, 52, 22}, QStringLiteral("1"));
    UpDown1 = makeSpinButtons(Frame4, "UpDown1", {62, 22, 16, 22}, Text1);
    UpDown1->setRange(keys::Exemplare.minimum, keys::Exemplare.maximum);

    Frame7 = makeFrame(Frame1, "Frame7", QStringLiteral("Wasserzeichen"), {10, 194, 235, 54});
    Combo2 = make<QComboBox>(Frame7, "Combo2", {8, 22, 219, 24});

    Command1 = make<QPushButton>(Frame1, "Command1", {10, 254, 110, 26}, QStringLiteral("&Vorschau"));

    Label1 = make<QLabel>(Frame1, "Label1", {10, 286, 70, 18}, QStringLiteral("Seiten"));
    ProgressBar1 = makeProgressBar(Frame1, "ProgressBar1", {82, 287, 163, 16});
    Label2 = make<QLabel>(Frame1, "Label2", {10, 310, 70, 18}, QStringLiteral("Exemplare"));
    ProgressBar2 = makeProgressBar(Frame1, "ProgressBar2", {82, 311, 163, 16});
}

void frmGUI::buildBottom()
{
    Command3 = make<QPushButton>(this, "Command3", {272, 346, 124, 28}, QStringLiteral("&Start (Enter)"));
    Command3->setDefault(true);
    Command2 = make<QPushButton>(this, "Command2", {403, 346, 124, 28}, QStringLiteral("&Abbruch (Esc)"));

    frmAutostart = make<QFrame>(this, "frmAutostart", {0, countdownTop, clientWidth, clientHeight - countdownTop});
    frmAutostart->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    // The bar counts in milliseconds so that a delay like 1500 shows as 1.5 seconds.
    PBCountdown = makeProgressBar(frmAutostart, "PBCountdown", {8, 5, 387, 18});
    Command4 = make<QPushButton>(frmAutostart, "Command4", {403, 2, 124, 24}, QStringLiteral("AbbruchAutostart"));
    Command4->setAutoDefault(false);
    frmAutostart->hide();
    new FitToCountdownStrip(this, frmAutostart);
}

void frmGUI::connectControls()
{
    connect(ImageCombo1, &QComboBox::currentIndexChanged, this, [this] { ImageCombo1_Click(0); });
    connect(m_pictureModeGroup, &QButtonGroup::idToggled, this, [this](int mode, bool checked) {
        if (checked)
            Option1_Click(qint16(mode));
    });
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(0); });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command3, &QPushButton::clicked, this, &frmGUI::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &frmGUI::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &frmGUI::Command4_Click);
    connect(&AutostartTimer, &QTimer::timeout, this, &frmGUI::AutostartTimer_Timer);
    connect(&tmrCountdown, &QTimer::timeout, this, &frmGUI::tmrCountdown_Timer);
}
