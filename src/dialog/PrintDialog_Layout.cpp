// The controls of the print dialog and where they stand: a client area of 535 x 406
// pixels, the job's options in the left column, the destination and what belongs to it in
// the right one, the buttons and the countdown strip along the bottom. Without the strip
// the form ends below the buttons.
#include "dialog/PrintDialog.h"

#include "job/Job.h"
#include "settings/SettingsKeys.h"
#include "widgets/UpDownButtons.h"

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

constexpr int clientWidth = 535;
constexpr int clientHeight = 406;
constexpr int countdownTop = 378; // the countdown strip runs from here to the bottom

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

void PrintDialog::buildControls()
{
    setFixedSize(clientWidth, clientHeight);
    buildJobColumn();
    buildDestinationColumn();
    buildBottom();
}

void PrintDialog::buildJobColumn()
{
    jobFrame = makeFrame(this, "jobFrame", QStringLiteral("Druckauftrag"), {8, 4, 256, 336});

    pictureFrame = makeFrame(jobFrame, "pictureFrame", QStringLiteral("Hintergrundgrafik"), {8, 20, 240, 192});
    pictureCombo = make<QComboBox>(pictureFrame, "pictureCombo", {10, 20, 220, 22});

    // The page picture shows the orientation of the job; the thumbnail of the chosen
    // background sits on it, as the picture will lie on the printed page. The area starts
    // a little lower than the frame so the page keeps clear of the picture list.
    auto* pageArea = new QWidget(pictureFrame);
    pageArea->setGeometry(0, 6, 240, 184);
    pageArea->lower();
    pageShadow = make<QFrame>(pageArea, "pageShadow", QRect());
    pageShadow->setAutoFillBackground(true);
    QPalette shadowPalette = pageShadow->palette();
    shadowPalette.setColor(QPalette::Window, QColor(96, 96, 96));
    pageShadow->setPalette(shadowPalette);

    pagePicture = make<QFrame>(pageArea, "pagePicture", QRect());
    pagePicture->setFrameStyle(QFrame::Box | QFrame::Plain);
    pagePicture->setAutoFillBackground(true);
    QPalette pagePalette = pagePicture->palette();
    pagePalette.setColor(QPalette::Window, Qt::white);
    pagePalette.setColor(QPalette::WindowText, QColor(64, 64, 64));
    pagePicture->setPalette(pagePalette);

    pictureThumbnail = make<QLabel>(pagePicture, "pictureThumbnail", QRect());
    pictureThumbnail->setAlignment(Qt::AlignCenter);
    showOrientation();

    rangeFrame = makeFrame(jobFrame, "rangeFrame", QStringLiteral("Druckbereich"), {8, 214, 240, 94});
    m_rangeGroup = new QButtonGroup(this);
    allPagesOption = make<QRadioButton>(rangeFrame, "allPagesOption", {10, 20, 120, 22}, QStringLiteral("alles"));
    pageRangeOption = make<QRadioButton>(rangeFrame, "pageRangeOption", {10, 44, 84, 22}, QStringLiteral("von Seite"));
    m_rangeGroup->addButton(allPagesOption, 0);
    m_rangeGroup->addButton(pageRangeOption, 1);
    allPagesOption->setChecked(true);
    fromPageEdit = makeNumberBox(rangeFrame, "fromPageEdit", {98, 44, 48, 22}, QStringLiteral("1"));
    fromPageSpin = makeSpinButtons(rangeFrame, "fromPageSpin", {146, 44, 16, 22}, fromPageEdit);
    toPageLabel = make<QLabel>(rangeFrame, "toPageLabel", {30, 68, 66, 22}, QStringLiteral("bis Seite"));
    toPageEdit = makeNumberBox(rangeFrame, "toPageEdit", {98, 68, 48, 22}, QString());
    toPageSpin = makeSpinButtons(rangeFrame, "toPageSpin", {146, 68, 16, 22}, toPageEdit);

    repeatCheck =
        make<QCheckBox>(jobFrame, "repeatCheck", {12, 311, 236, 22}, QStringLiteral("Probedruck (Druckwiederholung)"));
}

void PrintDialog::showOrientation()
{
    // A sheet of paper with its shadow, upright or on its side as the job prints.
    const QSize sheet = m_job.landscape ? QSize(121, 97) : QSize(97, 121);
    pagePicture->setGeometry(QRect(QPoint(16, 48), sheet));
    pageShadow->setGeometry(QRect(QPoint(24, 56), sheet));
    pictureThumbnail->setGeometry(pagePicture->rect().adjusted(4, 4, -4, -4));
}

void PrintDialog::buildDestinationColumn()
{
    destinationFrame = makeFrame(this, "destinationFrame", QStringLiteral("Drucker"), {272, 4, 255, 336});
    destinationCombo = make<QComboBox>(destinationFrame, "destinationCombo", {10, 22, 235, 24});
    destinationCombo->setIconSize(QSize(16, 16));

    // E-mail and fax boxes share one place: at most one of them is shown.
    emailFrame = makeFrame(destinationFrame, "emailFrame", QStringLiteral("Email"), {10, 50, 235, 50});
    emailEdit = make<QLineEdit>(emailFrame, "emailEdit", {8, 20, 219, 22});
    faxFrame = makeFrame(destinationFrame, "faxFrame", QStringLiteral("FAX-Nr."), {10, 50, 235, 50});
    faxEdit = make<QLineEdit>(faxFrame, "faxEdit", {8, 20, 219, 22});

    pictureModeFrame =
        makeFrame(destinationFrame, "pictureModeFrame", QStringLiteral("Hintergrundgrafik"), {10, 104, 130, 86});
    m_pictureModeGroup = new QButtonGroup(this);
    pictureModeOptions[2] =
        make<QRadioButton>(pictureModeFrame, "everyPageOption", {8, 18, 118, 22}, QStringLiteral("alle Seiten"));
    pictureModeOptions[1] =
        make<QRadioButton>(pictureModeFrame, "firstPageOption", {8, 40, 118, 22}, QStringLiteral("nur 1.Seite"));
    pictureModeOptions[0] =
        make<QRadioButton>(pictureModeFrame, "noPictureOption", {8, 62, 118, 22}, QStringLiteral("nicht drucken"));
    for (int mode = 0; mode < 3; ++mode)
        m_pictureModeGroup->addButton(pictureModeOptions[mode], mode);

    copiesFrame = makeFrame(destinationFrame, "copiesFrame", QStringLiteral("Exemplare"), {146, 104, 99, 54});
    copiesEdit = makeNumberBox(copiesFrame, "copiesEdit", {10, 22, 52, 22}, QStringLiteral("1"));
    copiesSpin = makeSpinButtons(copiesFrame, "copiesSpin", {62, 22, 16, 22}, copiesEdit);
    copiesSpin->setRange(keys::Exemplare.lowest, keys::Exemplare.highest);

    watermarkFrame = makeFrame(destinationFrame, "watermarkFrame", QStringLiteral("Wasserzeichen"), {10, 194, 235, 54});
    watermarkCombo = make<QComboBox>(watermarkFrame, "watermarkCombo", {8, 22, 219, 24});

    previewButton =
        make<QPushButton>(destinationFrame, "previewButton", {10, 254, 110, 26}, QStringLiteral("&Vorschau"));

    pagesLabel = make<QLabel>(destinationFrame, "pagesLabel", {10, 286, 70, 18}, QStringLiteral("Seiten"));
    pageProgress = makeProgressBar(destinationFrame, "pageProgress", {82, 287, 163, 16});
    copiesLabel = make<QLabel>(destinationFrame, "copiesLabel", {10, 310, 70, 18}, QStringLiteral("Exemplare"));
    totalProgress = makeProgressBar(destinationFrame, "totalProgress", {82, 311, 163, 16});
}

void PrintDialog::buildBottom()
{
    startButton = make<QPushButton>(this, "startButton", {272, 346, 124, 28}, QStringLiteral("&Start (Enter)"));
    startButton->setDefault(true);
    cancelButton = make<QPushButton>(this, "cancelButton", {403, 346, 124, 28}, QStringLiteral("&Abbruch (Esc)"));

    countdownStrip = make<QFrame>(this, "countdownStrip", {0, countdownTop, clientWidth, clientHeight - countdownTop});
    countdownStrip->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    // The bar counts in milliseconds so that a delay like 1500 shows as 1.5 seconds.
    countdownBar = makeProgressBar(countdownStrip, "countdownBar", {8, 5, 387, 18});
    stopCountdownButton =
        make<QPushButton>(countdownStrip, "stopCountdownButton", {403, 2, 124, 24}, QStringLiteral("AbbruchAutostart"));
    stopCountdownButton->setAutoDefault(false);
    countdownStrip->hide();
    new FitToCountdownStrip(this, countdownStrip);
}

void PrintDialog::connectControls()
{
    connect(destinationCombo, &QComboBox::currentIndexChanged, this, &PrintDialog::destinationChanged);
    connect(copiesEdit, &QLineEdit::textChanged, this, &PrintDialog::copiesChanged);
    connect(pictureCombo, &QComboBox::currentIndexChanged, this, &PrintDialog::pictureChosen);
    connect(previewButton, &QPushButton::clicked, this, &PrintDialog::openPreview);
    connect(startButton, &QPushButton::clicked, this, &PrintDialog::start);
    connect(cancelButton, &QPushButton::clicked, this, &PrintDialog::cancel);
    connect(stopCountdownButton, &QPushButton::clicked, this, &PrintDialog::stopCountdown);
    connect(&m_autoStartTimer, &QTimer::timeout, this, &PrintDialog::countdownEnded);
    connect(&m_countdownTick, &QTimer::timeout, this, &PrintDialog::countdownTick);
    // The range's spin buttons belong to "von Seite"; typing a page into a box chooses it.
    connect(pageRangeOption, &QRadioButton::toggled, this, [this](bool range) {
        fromPageSpin->setEnabled(range);
        toPageSpin->setEnabled(range);
    });
    for (QLineEdit* box : {fromPageEdit, toPageEdit})
        connect(box, &QLineEdit::textEdited, pageRangeOption, [this] { pageRangeOption->setChecked(true); });
    fromPageSpin->setEnabled(pageRangeOption->isChecked());
    toPageSpin->setEnabled(pageRangeOption->isChecked());
}
