// The controls of the watermark tab: the frame "Texte" with the list of definitions on
// the left, the frame "Darstellung" with font, position, colour, layer and the page
// preview on the right.
#include "admin/WatermarkEditor.h"

#include "admin/FontFamilyList.h"
#include "admin/PaletteColourPicker.h"
#include "widgets/UpDownButtons.h"

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

    definitionList = new QListWidget(frame);
    definitionList->setObjectName(QStringLiteral("definitionList"));
    connect(definitionList, &QListWidget::currentRowChanged, this, [this](int row) { choose(row); });
    connect(definitionList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { choose(definitionList->row(item)); });
    layout->addWidget(definitionList, 1);

    textEdit = new QLineEdit(frame);
    textEdit->setObjectName(QStringLiteral("textEdit"));
    connect(textEdit, &QLineEdit::textChanged, this, [this] { textChanged(); });
    layout->addWidget(textEdit);

    listCommands = makeToolbar(frame, "listCommands");
    const QStringList commands{QStringLiteral("Neu"), QStringLiteral("bearbeiten"), QStringLiteral("löschen")};
    const QStringList symbols{QStringLiteral("+"), QStringLiteral("✎"), QStringLiteral("✕")};
    for (int i = 0; i < 3; ++i) {
        QAction* action = addButton(listCommands, symbols[i], commands[i]);
        connect(action, &QAction::triggered, this, [this, i] { listCommand(ListCommand(i)); });
    }
    layout->addWidget(listCommands);
    return frame;
}

// "Font": family, size and the four styles.
QGroupBox* WatermarkEditor::buildFontFrame(QWidget* parent)
{
    auto* fontFrame = new QGroupBox(QStringLiteral("Font"), parent);
    auto* fontGrid = new QGridLayout(fontFrame);
    fontList = new FontFamilyList(fonts::Pitch::Variable, fontFrame);
    fontList->setObjectName(QStringLiteral("fontList"));
    connect(fontList, &QComboBox::currentTextChanged, this, [this] { drawPreview(); });
    fontGrid->addWidget(fontList, 0, 0, 1, 3);
    sizeEdit = new QLineEdit(fontFrame);
    sizeEdit->setObjectName(QStringLiteral("sizeEdit"));
    sizeEdit->setToolTip(QStringLiteral("Schriftgrösse in Punkten"));
    sizeEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sizeEdit->setMaximumWidth(60);
    connect(sizeEdit, &QLineEdit::textChanged, this, [this] { drawPreview(); });
    sizeSpin = new UpDownButtons(fontFrame);
    sizeSpin->setObjectName(QStringLiteral("sizeSpin"));
    sizeSpin->setBuddy(sizeEdit);
    sizeSpin->setRange(6, 1200);
    sizeSpin->setFixedSize(16, 24);
    fontGrid->addWidget(sizeEdit, 1, 0);
    fontGrid->addWidget(sizeSpin, 1, 1);
    styleButtons = makeToolbar(fontFrame, "styleButtons");
    const QStringList styleNames{QStringLiteral("fett"), QStringLiteral("kursiv"), QStringLiteral("unterstrichen"),
                                 QStringLiteral("durchgestrichen")};
    const QStringList styleLetters{QStringLiteral("F"), QStringLiteral("K"), QStringLiteral("U"), QStringLiteral("S")};
    for (int i = 0; i < 4; ++i) {
        QAction* action = addButton(styleButtons, styleLetters[i], styleNames[i]);
        action->setCheckable(true);
        QFont font = styleButtons->font();
        font.setBold(i == 0);
        font.setItalic(i == 1);
        font.setUnderline(i == 2);
        font.setStrikeOut(i == 3);
        action->setFont(font);
        connect(action, &QAction::toggled, this, [this] { drawPreview(); });
    }
    fontGrid->addWidget(styleButtons, 1, 2);
    return fontFrame;

}

// "Ausrichtung": position and rotation in steps of 50.
QGroupBox* WatermarkEditor::buildAlignFrame(QWidget* parent)
{
    auto* alignFrame = new QGroupBox(QStringLiteral("Ausrichtung"), parent);
    auto* alignLayout = new QHBoxLayout(alignFrame);
    moveButtons = makeToolbar(alignFrame, "moveButtons");
    const QStringList moves{QStringLiteral("nach unten"),         QStringLiteral("nah links"),
                            QStringLiteral("nach rechts"),        QStringLiteral("nach oben"),
                            QStringLiteral("nach rechts drehen"), QStringLiteral("nach links drehen")};
    const QStringList arrows{QStringLiteral("↓"), QStringLiteral("←"), QStringLiteral("→"),
                             QStringLiteral("↑"), QStringLiteral("↻"), QStringLiteral("↺")};
    for (int i = 0; i < 6; ++i) {
        QAction* action = addButton(moveButtons, arrows[i], moves[i]);
        connect(action, &QAction::triggered, this, [this, i] { move(Move(i)); });
    }
    alignLayout->addWidget(moveButtons);
    return alignFrame;

}

// "Farbe": palette colour, brightness and the colour that results.
QGroupBox* WatermarkEditor::buildColourFrame(QWidget* parent)
{
    auto* colourFrame = new QGroupBox(QStringLiteral("Farbe"), parent);
    auto* colourGrid = new QGridLayout(colourFrame);
    colourGrid->addWidget(new QLabel(QStringLiteral("Textfarbe"), colourFrame), 0, 0);
    colourPicker = new PaletteColourPicker(colourFrame);
    colourPicker->setObjectName(QStringLiteral("colourPicker"));
    colourPicker->setToolTip(QStringLiteral("Grundfarbe des Wasserzeichens"));
    connect(colourPicker, &PaletteColourPicker::colourIndexChanged, this, [this] { colourChanged(); });
    colourGrid->addWidget(colourPicker, 0, 1);
    colourGrid->addWidget(new QLabel(QStringLiteral("Helligkeit"), colourFrame), 1, 0);
    brightnessSlider = new QSlider(Qt::Horizontal, colourFrame);
    brightnessSlider->setObjectName(QStringLiteral("brightnessSlider"));
    brightnessSlider->setRange(0, 255);
    brightnessSlider->setSingleStep(1);
    brightnessSlider->setPageStep(10);
    brightnessSlider->setToolTip(QStringLiteral("Helligkeit der Farbe"));
    connect(brightnessSlider, &QSlider::valueChanged, this, [this] { brightnessChanged(); });
    connect(brightnessSlider, &QSlider::sliderReleased, this, [this] {
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                tabs->setFocus();
                break;
            }
        }
    });
    colourGrid->addWidget(brightnessSlider, 1, 1);
    m_swatch = new QLabel(colourFrame);
    m_swatch->setObjectName(QStringLiteral("colourSwatch"));
    m_swatch->setFixedSize(32, 32);
    colourGrid->addWidget(m_swatch, 0, 2, 2, 1);
    return colourFrame;

}

// "Layer": applies to all watermarks, saved with the settings.
QGroupBox* WatermarkEditor::buildLayerFrame(QWidget* parent)
{
    auto* layerFrame = new QGroupBox(QStringLiteral("Layer"), parent);
    auto* layerLayout = new QHBoxLayout(layerFrame);
    layerCombo = new QComboBox(layerFrame);
    layerCombo->setObjectName(QStringLiteral("layerCombo"));
    layerCombo->setToolTip(QStringLiteral("Lager des Wasserzeichens"));
    layerCombo->addItems({QStringLiteral("Hinter dem Text"), QStringLiteral("Vor dem Text")});
    layerLayout->addWidget(layerCombo);
    return layerFrame;
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

    for (QGroupBox* frame : {buildFontFrame(m_lookControls), buildAlignFrame(m_lookControls),
                             buildColourFrame(m_lookControls), buildLayerFrame(m_lookControls)})
        column->addWidget(frame);
    column->addStretch(1);

    // The page preview keeps the surface's proportions.
    previewLabel = new QLabel(m_look);
    previewLabel->setObjectName(QStringLiteral("previewLabel"));
    previewLabel->setFixedSize(170, 240);
    previewLabel->setFrameShape(QFrame::Box);
    previewLabel->setStyleSheet(QStringLiteral("background: white;"));
    layout->addWidget(previewLabel, 0, Qt::AlignTop);
    return m_look;
}
