#include "admin/WatermarkEditor.h"

#include "admin/FontFamilyList.h"
#include "admin/PaletteColourPicker.h"
#include "engine/Canvas.h"
#include "engine/Watermark.h"
#include "platform/MessagePump.h"
#include "settings/ReadingRules.h"
#include "widgets/UpDownButtons.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSaveFile>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>

namespace {

constexpr int SurfaceDpi = 96;
constexpr int StepSize = 50;

} // namespace

WatermarkEditor::WatermarkEditor(QWidget* parent) : QWidget(parent)
{
    // The page the painter draws on: 8.5 x 12 inches, shown scaled as a whole.
    m_surface = QImage(int(8.5 * SurfaceDpi), 12 * SurfaceDpi, QImage::Format_RGB32);
    m_surface.setDotsPerMeterX(qRound(SurfaceDpi / 0.0254));
    m_surface.setDotsPerMeterY(qRound(SurfaceDpi / 0.0254));
    m_surface.fill(Qt::white);
    m_paletteColour = WatermarkDefinition::paletteColour(0);
    m_shownColour = m_paletteColour;
    buildControls();
    // What a first definition starts from when there is none to copy.
    const WatermarkDefinition first;
    fontList->setFamily(first.fontName);
    sizeEdit->setText(first.size);
}

// ---------------------------------------------------------------------------------------
// Load and save

void WatermarkEditor::load(const QString& file)
{
    definitionList->setEnabled(false);
    textEdit->setEnabled(false);
    m_lookControls->setEnabled(false);
    const QSignalBlocker block(definitionList);
    definitionList->clear();
    m_table.clear();
    m_current = -1;

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    QStringList lines = QString::fromLocal8Bit(in.readAll()).split(u'\n');
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype bar = line.indexOf(u'|');
        if (bar < 0)
            return; // a line without "|" ends the loading; the list stays disabled
        m_table.append(line);
        definitionList->addItem(line.left(bar));
    }
    definitionList->setEnabled(true);
    textEdit->setEnabled(true);
    textEdit->setReadOnly(true);
    if (definitionList->count() > 0)
        choose(0);
}

bool WatermarkEditor::save(const QString& file) const
{
    QByteArray bytes;
    for (int i = 0; i < definitionList->count() && i < m_table.size(); ++i)
        bytes += m_table.at(i).toLocal8Bit() + "\r\n";
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(bytes);
    return out.commit();
}

int WatermarkEditor::layer() const
{
    return layerCombo->currentIndex();
}

void WatermarkEditor::setLayer(int position)
{
    layerCombo->setCurrentIndex(position >= 0 && position < layerCombo->count() ? position : -1);
}

// ---------------------------------------------------------------------------------------
// Choosing, parsing, composing

void WatermarkEditor::choose(int row)
{
    if (row < 0 || row >= definitionList->count())
        return;
    if (definitionList->currentRow() != row) {
        const QSignalBlocker block(definitionList);
        definitionList->setCurrentRow(row);
    }
    m_current = row;
    parseCurrent();
    textEdit->setText(definitionList->item(row)->text());
    enterViewState();
}

void WatermarkEditor::enterViewState()
{
    textEdit->setReadOnly(true);
    m_lookControls->setEnabled(false);
    setListCommandsEnabled(true);
}

void WatermarkEditor::setListCommandsEnabled(bool enabled)
{
    const QList<QAction*> buttons = listCommands->actions();
    buttons[0]->setEnabled(enabled);
    // Editing and deleting need a definition to act on.
    buttons[1]->setEnabled(enabled && m_current >= 0);
    buttons[2]->setEnabled(enabled && m_current >= 0);
}

void WatermarkEditor::parseCurrent()
{
    if (m_current < 0 || m_current >= m_table.size() || m_table.at(m_current).isEmpty())
        return; // a new, still empty definition keeps what the controls show
    m_loading = true;
    const WatermarkDefinition d = WatermarkDefinition::parse(m_table.at(m_current), shown());
    textEdit->setText(d.text);
    m_textShown = d.text;
    fontList->setFamily(d.fontName);
    sizeEdit->setText(d.size);
    const QList<QAction*> styles = styleButtons->actions();
    styles[0]->setChecked(d.bold);
    styles[1]->setChecked(d.italic);
    styles[2]->setChecked(d.underline);
    styles[3]->setChecked(d.strikethrough);
    m_horizontalOffset = d.horizontalOffset;
    m_verticalOffset = d.verticalOffset;
    m_rotation = d.rotation;
    colourPicker->setColourIndex(d.colourIndex);
    colourChanged();
    brightnessSlider->setValue(d.brightness);
    brightnessChanged();
    m_loading = false;
    drawPreview();
}

WatermarkDefinition WatermarkEditor::shown() const
{
    const QList<QAction*> styles = styleButtons->actions();
    WatermarkDefinition d;
    d.text = textEdit->text();
    d.fontName = fontList->family();
    d.size = sizeEdit->text();
    d.bold = styles[0]->isChecked();
    d.italic = styles[1]->isChecked();
    d.underline = styles[2]->isChecked();
    d.strikethrough = styles[3]->isChecked();
    d.horizontalOffset = m_horizontalOffset;
    d.verticalOffset = m_verticalOffset;
    d.rotation = m_rotation;
    d.colourIndex = qint16(colourPicker->colourIndex());
    d.brightness = qint16(brightnessSlider->value());
    return d;
}

void WatermarkEditor::drawPreview()
{
    if (m_loading || m_current < 0 || m_current >= m_table.size())
        return;
    m_table[m_current] = shown().compose();

    m_surface.fill(Qt::white);
    {
        Canvas dc(&m_surface);
        drawWatermark(dc, m_table.at(m_current));
    }
    pump::letMessagesRunNow();
    previewLabel->setPixmap(QPixmap::fromImage(
        m_surface.scaled(previewLabel->contentsRect().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

// ---------------------------------------------------------------------------------------
// Control events

void WatermarkEditor::textChanged()
{
    const QString text = textEdit->text();
    if (m_loading || text == m_textShown)
        return;
    m_textShown = text;
    if (QListWidgetItem* item = definitionList->item(m_current))
        item->setText(text);
    drawPreview();
}

void WatermarkEditor::colourChanged()
{
    m_paletteColour = WatermarkDefinition::paletteColour(colourPicker->colourIndex());
    brightnessChanged();
}

void WatermarkEditor::brightnessChanged()
{
    m_shownColour = WatermarkDefinition::shownColour(colourPicker->colourIndex(), brightnessSlider->value());
    m_swatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid #5a5a5a;").arg(m_shownColour.name()));
    drawPreview();
}

void WatermarkEditor::move(Move step)
{
    switch (step) {
    case Move::Down:
        m_verticalOffset += StepSize;
        break;
    case Move::Left:
        m_horizontalOffset -= StepSize;
        break;
    case Move::Right:
        m_horizontalOffset += StepSize;
        break;
    case Move::Up:
        m_verticalOffset -= StepSize;
        break;
    case Move::TurnRight:
        m_rotation -= StepSize;
        break;
    case Move::TurnLeft:
        m_rotation += StepSize;
        break;
    }
    drawPreview();
}

void WatermarkEditor::listCommand(ListCommand command)
{
    switch (command) {
    case ListCommand::New: {
        definitionList->setEnabled(true);
        definitionList->addItem(QString());
        m_table.resize(definitionList->count());
        choose(definitionList->count() - 1);
        textEdit->clear();
        textEdit->setEnabled(true);
        textEdit->setReadOnly(false);
        m_lookControls->setEnabled(true);
        setListCommandsEnabled(false);
        textEdit->setFocus();
        break;
    }
    case ListCommand::Edit:
        setListCommandsEnabled(false);
        m_lookControls->setEnabled(true);
        textEdit->setReadOnly(false);
        textEdit->setFocus();
        textEdit->end(false);
        break;
    case ListCommand::Delete: {
        setListCommandsEnabled(false);
        if (m_current < 0 || m_current >= definitionList->count())
            break;
        m_table.removeAt(m_current);
        {
            const QSignalBlocker block(definitionList);
            delete definitionList->takeItem(m_current);
        }
        m_table.resize(definitionList->count());
        m_current = -1;
        if (definitionList->count() > 0) {
            choose(0);
        } else {
            // Nothing left to show: only a new definition can be made.
            const QSignalBlocker block(textEdit);
            textEdit->clear();
            m_textShown.clear();
            setListCommandsEnabled(true);
        }
        break;
    }
    }
}
