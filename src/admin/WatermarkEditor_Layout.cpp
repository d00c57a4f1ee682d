// The controls of the watermark tab: the frame "Texte" with the list of definitions on
// the left, the frame "Darstellung" with font, position, colour, layer and the page
// preview on the right.
#include "WatermarkEditor.h"

#include "FontFamilyList.h"
#include "PaletteColourPicker.h"
#include "UpDownButtons.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QToolBar* makeToolbar(QWidget* parent, const char* name)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QFont font = bar->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    bar->setFont(font);
    return bar;
}

// A button showing a symbol, with its German name as tooltip.
QAction* addButton(QToolBar* bar, const QString& symbol, const QString& tooltip)
{
    QAction* action = bar->addAction(symbol);
    action->setToolTip(tooltip);
    action->setFont(bar->font());
    return action;
}

} // namespace

void WatermarkEditor::buildControls()
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildTextFrame(), 2);
    layout->addWidget(buildLookFrame(), 5);
}

QGroupBox* WatermarkEditor::buildTextFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Texte"), this);
    frame->setObjectName(QStringLiteral("TextsFrame"));
    auto* layout = new QVBoxLayout(frame);

    List1 = new QListWidget(frame);
    List1->setObjectName(QStringLiteral("List1"));
    connect(List1, &QListWidget::currentRowChanged, this, [this](int row) { List1_Click(row); });
    connect(List1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { List1_Click(List1->row(item)); });
    layout->addWidget(List1, 1);

    Text11 = new QLineEdit(frame);
    Text11->setObjectName(QStringLiteral("Text11"));
    connect(Text11, &QLineEdit::textChanged, this, [this] { textChanged(); });
    layout->addWidget(Text11);

    Toolbar1 = makeToolbar(frame, "Toolbar1");
    const QStringList commands{QStringLiteral("Neu"), QStringLiteral("bearbeiten"), QStringLiteral("löschen")};
    const QStringList symbols{QStringLiteral("+"), QStringLiteral("✎"), QStringLiteral("✕")};
    for (int i = 0; i < 3; ++i) {
        QAction* action = addButton(Toolbar1, symbols[i], commands[i]);
        connect(action, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i + 1); });
    }
    layout->addWidget(Toolbar1);
    return frame;
}

QGroupBox* WatermarkEditor::buildLookFrame()
{
    m_look = new QGroupBox(QStringLiteral("Darstellung"), this);
    m_look->setObjectName(QStringLiteral("Darstellung"));
    auto* layout = new QHBoxLayout(m_look);
    // The controls sit on a page of their own, so view mode can disable them while the
    // preview beside them keeps showing the definition in its real colours.
    m_lookControls = new QWidget(m_look);
    m_lookControls->setObjectName(QStringLiteral("lookControls"));
    auto* column = new QVBoxLayout(m_lookControls);
    column->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lookControls, 1);

    // "Font": family, size and the four styles.
    auto* fontFrame = new QGroupBox(QStringLiteral("Font"), m_lookControls);
    auto* fontGrid = new QGridLayout(fontFrame);
    Combo2 = new FontFamilyList(fonts::Pitch::Variable, fontFrame);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    connect(Combo2, &QComboBox::currentTextChanged, this, [this] { drawPreview(); });
    fontGrid->addWidget(Combo2, 0, 0, 1, 3);
    Text10 = new QLineEdit(fontFrame);
    Text10->setObjectName(QStringLiteral("Text10"));
    Text10->setToolTip(QStringLiteral("Schriftgrösse in Punkten"));
    Text10->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text10->setMaximumWidth(60);
    connect(Text10, &QLineEdit::textChanged, this, [this] { drawPreview(); });
    UpDown10 = new UpDownButtons(fontFrame);
    UpDown10->setObjectName(QStringLiteral("UpDown10"));
    UpDown10->setBuddy(Text10);
    UpDown10->setRange(6, 1200);
    UpDown10->setFixedSize(16, 24);
    fontGrid->addWidget(Text10, 1, 0);
    fontGrid->addWidget(UpDown10, 1, 1);
    Toolbar2 = makeToolbar(fontFrame, "Toolbar2");
    const QStringList styleNames{QStringLiteral("fett"), QStringLiteral("kursiv"), QStringLiteral("unterstrichen"),
                                 QStringLiteral("durchgestrichen")};
    const QStringList styleLetters{QStringLiteral("F"), QStringLiteral("K"), QStringLiteral("U"), QStringLiteral("S")};
    for (int i = 0; i < 4; ++i) {
        QAction* action = addButton(Toolbar2, styleLetters[i], styleNames[i]);
        action->setCheckable(true);
        QFont font = Toolbar2->font();
        font.setBold(i == 0);
        font.setItalic(i == 1);
        font.setUnderline(i == 2);
        font.setStrikeOut(i == 3);
        action->setFont(font);
        connect(action, &QAction::toggled, this, [this] { drawPreview(); });
    }
    fontGrid->addWidget(Toolbar2, 1, 2);
    column->addWidget(fontFrame);

    // "Ausrichtung": position and rotation in steps of 50.
    auto* alignFrame = new QGroupBox(QStringLiteral("Ausrichtung"), m_lookControls);
    auto* alignLayout = new QHBoxLayout(alignFrame);
    Toolbar3 = makeToolbar(alignFrame, "Toolbar3");
    const QStringList moves{QStringLiteral("nach unten"),         QStringLiteral("nah links"),
                            QStringLiteral("nach rechts"),        QStringLiteral("nach oben"),
                            QStringLiteral("nach rechts drehen"), QStringLiteral("nach links drehen")};
    const QStringList arrows{QStringLiteral("↓"), QStringLiteral("←"), QStringLiteral("→"),
                             QStringLiteral("↑"), QStringLiteral("↻"), QStringLiteral("↺")};
    for (int i = 0; i < 6; ++i) {
        QAction* action = addButton(Toolbar3, arrows[i], moves[i]);
        connect(action, &QAction::triggered, this, [this, i] { Toolbar3_ButtonClick(i + 1); });
    }
    alignLayout->addWidget(Toolbar3);
    column->addWidget(alignFrame);

    // "Farbe": palette colour, brightness and the colour that results.
    auto* colourFrame = new QGroupBox(QStringLiteral("Farbe"), m_lookControls);
    auto* colourGrid = new QGridLayout(colourFrame);
    colourGrid->addWidget(new QLabel(QStringLiteral("Textfarbe"), colourFrame), 0, 0);
    mcclrstd1 = new PaletteColourPicker(colourFrame);
    mcclrstd1->setObjectName(QStringLiteral("mcclrstd1"));
    mcclrstd1->setToolTip(QStringLiteral("Grundfarbe des Wasserzeichens"));
    connect(mcclrstd1, &PaletteColourPicker::colourIndexChanged, this, [this] { colourChanged(); });
    colourGrid->addWidget(mcclrstd1, 0, 1);
    colourGrid->addWidget(new QLabel(QStringLiteral("Helligkeit"), colourFrame), 1, 0);
    Slider1 = new QSlider(Qt::Horizontal, colourFrame);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, 255);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(10);
    Slider1->setToolTip(QStringLiteral("Helligkeit der Farbe"));
    connect(Slider1, &QSlider::valueChanged, this, [this] { brightnessChanged(); });
    connect(Slider1, &QSlider::sliderReleased, this, [this] {
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                tabs->setFocus();
                break;
            }
        }
    });
    colourGrid->addWidget(Slider1, 1, 1);
    m_swatch = new QLabel(colourFrame);
    m_swatch->setObjectName(QStringLiteral("colourSwatch"));
    m_swatch->setFixedSize(32, 32);
    colourGrid->addWidget(m_swatch, 0, 2, 2, 1);
    column->addWidget(colourFrame);

    // "Layer": applies to all watermarks, saved with the settings.
    auto* layerFrame = new QGroupBox(QStringLiteral("Layer"), m_lookControls);
    auto* layerLayout = new QHBoxLayout(layerFrame);
    Combo3 = new QComboBox(layerFrame);
    Combo3->setObjectName(QStringLiteral("Combo3"));
    Combo3->setToolTip(QStringLiteral("Lager des Wasserzeichens"));
    Combo3->addItems({QStringLiteral("Hinter dem Text"), QStringLiteral("Vor dem Text")});
    layerLayout->addWidget(Combo3);
    column->addWidget(layerFrame);
    column->addStretch(1);

    // The page preview keeps the surface's proportions.
    Picture1 = new QLabel(m_look);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedSize(170, 240);
    Picture1->setFrameShape(QFrame::Box);
    Picture1->setStyleSheet(QStringLiteral("background: white;"));
    layout->addWidget(Picture1, 0, Qt::AlignTop);
    return m_look;
}
