#include "WatermarkEditor.h"

#include "Canvas.h"
#include "FontFamilyList.h"
#include "MessagePump.h"
#include "PaletteColourPicker.h"
#include "ReadingRules.h"
#include "UpDownButtons.h"
#include "Watermark.h"

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
    Combo2->setFamily(first.fontName);
    Text10->setText(first.size);
}

// ---------------------------------------------------------------------------------------
// Load and save

void WatermarkEditor::load(const QString& file)
{
    List1->setEnabled(false);
    Text11->setEnabled(false);
    m_lookControls->setEnabled(false);
    const QSignalBlocker block(List1);
    List1->clear();
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
        List1->addItem(line.left(bar));
    }
    List1->setEnabled(true);
    Text11->setEnabled(true);
    Text11->setReadOnly(true);
    if (List1->count() > 0)
        List1_Click(0);
}

bool WatermarkEditor::save(const QString& file) const
{
    QByteArray bytes;
    for (int i = 0; i < List1->count() && i < m_table.size(); ++i)
        bytes += m_table.at(i).toLocal8Bit() + "\r\n";
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(bytes);
    return out.commit();
}

int WatermarkEditor::layer() const
{
    return Combo3->currentIndex();
}

void WatermarkEditor::setLayer(int position)
{
    Combo3->setCurrentIndex(position >= 0 && position < Combo3->count() ? position : -1);
}

// ---------------------------------------------------------------------------------------
// Choosing, parsing, composing

void WatermarkEditor::List1_Click(int row)
{
    if (row < 0 || row >= List1->count())
        return;
    if (List1->currentRow() != row) {
        const QSignalBlocker block(List1);
        List1->setCurrentRow(row);
    }
    m_current = row;
    parseCurrent();
    Text11->setText(List1->item(row)->text());
    enterViewState();
}

void WatermarkEditor::enterViewState()
{
    Text11->setReadOnly(true);
    m_lookControls->setEnabled(false);
    setListCommandsEnabled(true);
}

void WatermarkEditor::setListCommandsEnabled(bool enabled)
{
    const QList<QAction*> buttons = Toolbar1->actions();
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
    Text11->setText(d.text);
    m_textShown = d.text;
    Combo2->setFamily(d.fontName);
    Text10->setText(d.size);
    const QList<QAction*> styles = Toolbar2->actions();
    styles[0]->setChecked(d.bold);
    styles[1]->setChecked(d.italic);
    styles[2]->setChecked(d.underline);
    styles[3]->setChecked(d.strikethrough);
    m_horizontalOffset = d.horizontalOffset;
    m_verticalOffset = d.verticalOffset;
    m_rotation = d.rotation;
    mcclrstd1->setColourIndex(d.colourIndex);
    colourChanged();
    Slider1->setValue(d.brightness);
    brightnessChanged();
    m_loading = false;
    drawPreview();
}

WatermarkDefinition WatermarkEditor::shown() const
{
    const QList<QAction*> styles = Toolbar2->actions();
    WatermarkDefinition d;
    d.text = Text11->text();
    d.fontName = Combo2->family();
    d.size = Text10->text();
    d.bold = styles[0]->isChecked();
    d.italic = styles[1]->isChecked();
    d.underline = styles[2]->isChecked();
    d.strikethrough = styles[3]->isChecked();
    d.horizontalOffset = m_horizontalOffset;
    d.verticalOffset = m_verticalOffset;
    d.rotation = m_rotation;
    d.colourIndex = qint16(mcclrstd1->colourIndex());
    d.brightness = qint16(Slider1->value());
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
    Picture1->setPixmap(QPixmap::fromImage(
        m_surface.scaled(Picture1->contentsRect().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

// ---------------------------------------------------------------------------------------
// Control events

void WatermarkEditor::textChanged()
{
    const QString text = Text11->text();
    if (m_loading || text == m_textShown)
        return;
    m_textShown = text;
    if (QListWidgetItem* item = List1->item(m_current))
        item->setText(text);
    drawPreview();
}

void WatermarkEditor::colourChanged()
{
    m_paletteColour = WatermarkDefinition::paletteColour(mcclrstd1->colourIndex());
    brightnessChanged();
}

void WatermarkEditor::brightnessChanged()
{
    m_shownColour = WatermarkDefinition::shownColour(mcclrstd1->colourIndex(), Slider1->value());
    m_swatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid #5a5a5a;").arg(m_shownColour.name()));
    drawPreview();
}

void WatermarkEditor::Toolbar3_ButtonClick(int button)
{
    switch (button) {
    case 1:
        m_verticalOffset += StepSize;
        break;
    case 2:
        m_horizontalOffset -= StepSize;
        break;
    case 3:
        m_horizontalOffset += StepSize;
        break;
    case 4:
        m_verticalOffset -= StepSize;
        break;
    case 5:
        m_rotation -= StepSize;
        break;
    case 6:
        m_rotation += StepSize;
        break;
    default:
        return;
    }
    drawPreview();
}

void WatermarkEditor::Toolbar1_ButtonClick(int button)
{
    switch (button) {
    case 1: { // "Neu": a copy of the attributes on view, with an empty text
        List1->setEnabled(true);
        List1->addItem(QString());
        m_table.resize(List1->count());
        List1_Click(List1->count() - 1);
        Text11->clear();
        Text11->setEnabled(true);
        Text11->setReadOnly(false);
        m_lookControls->setEnabled(true);
        setListCommandsEnabled(false);
        Text11->setFocus();
        break;
    }
    case 2: // "bearbeiten"
        setListCommandsEnabled(false);
        m_lookControls->setEnabled(true);
        Text11->setReadOnly(false);
        Text11->setFocus();
        Text11->end(false);
        break;
    case 3: { // "löschen"
        setListCommandsEnabled(false);
        if (m_current < 0 || m_current >= List1->count())
            break;
        m_table.removeAt(m_current);
        {
            const QSignalBlocker block(List1);
            delete List1->takeItem(m_current);
        }
        m_table.resize(List1->count());
        m_current = -1;
        if (List1->count() > 0) {
            List1_Click(0);
        } else {
            // Nothing left to show: only a new definition can be made.
            const QSignalBlocker block(Text11);
            Text11->clear();
            m_textShown.clear();
            setListCommandsEnabled(true);
        }
        break;
    }
    default:
        break;
    }
}
