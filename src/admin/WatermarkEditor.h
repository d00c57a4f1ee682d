#pragma once

#include "engine/WatermarkDefinition.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

class FontFamilyList;
class PaletteColourPicker;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;
class QToolBar;
class UpDownButtons;

// The "Wasserzeichen" tab of the settings window: the list of watermark definitions of
// "Wasser.txt", the controls of the definition on view, and a preview drawn by the
// engine's watermark painter on a page of 8.5 x 12 inches.
//
// The definition table always holds what the controls show: every edit composes the
// definition on view back into its table entry before the preview is drawn. Nothing is
// written until save(); the settings window calls it on "Speichern" only.
//
// States: view (an entry chosen, text read-only, the controls of "Darstellung" disabled,
// the list commands enabled) and edit (after "Neu" or "bearbeiten": text editable, the
// controls of "Darstellung" enabled, the list commands disabled until an entry is chosen
// again). The preview shows the definition in its real colours in both.
class WatermarkEditor : public QWidget
{
    Q_OBJECT

public:
    explicit WatermarkEditor(QWidget* parent = nullptr);

    // Reads the definitions of the file. A missing file, or a line without "|" (an empty
    // one too), ends the reading: the entries read so far stay, and the list stays
    // disabled with nothing chosen until "Neu". Otherwise the first entry is chosen.
    void load(const QString& file);
    // Writes one definition per list entry, each ended by CR LF, in the locale's 8-bit
    // encoding, replacing the file as a whole. False when it could not be written; the
    // old file is then unchanged.
    bool save(const QString& file) const;

    // The layer list's position: 0 "Hinter dem Text", 1 "Vor dem Text", -1 none.
    int layer() const;
    void setLayer(int position);

    // What tests look at.
    const QStringList& table() const { return m_table; }
    int currentIndex() const { return m_current; }
    QColor shownColour() const { return m_shownColour; }
    const QImage& surface() const { return m_surface; }

    // The list commands and buttons as a user presses them.
    enum class ListCommand
    {
        New,    // "Neu": a copy of the attributes on view, with an empty text
        Edit,   // "bearbeiten"
        Delete, // "löschen"
    };
    enum class Move
    {
        Down,
        Left,
        Right,
        Up,
        TurnRight,
        TurnLeft,
    };
    void listCommand(ListCommand command);
    void move(Move step);
    // Chooses the definition in that row of the list.
    void choose(int row);

private:
    void buildControls();
    QGroupBox* buildTextFrame();
    QGroupBox* buildLookFrame();
    QGroupBox* buildFontFrame(QWidget* parent);
    QGroupBox* buildAlignFrame(QWidget* parent);
    QGroupBox* buildColourFrame(QWidget* parent);
    QGroupBox* buildLayerFrame(QWidget* parent);

    // Copies the current definition into the controls; a missing or unreadable field
    // keeps what the controls show.
    void parseCurrent();
    // The definition the controls show.
    WatermarkDefinition shown() const;
    void drawPreview();
    void colourChanged();
    void brightnessChanged();
    void textChanged();
    void enterViewState();
    void setListCommandsEnabled(bool enabled);

    QStringList m_table;
    int m_current = -1;
    bool m_loading = false;
    // Attributes held outside the controls.
    qint32 m_horizontalOffset = 0;
    qint32 m_verticalOffset = 0;
    qint32 m_rotation = 0;
    QColor m_paletteColour;
    QColor m_shownColour;
    QString m_textShown; // the text box's text at its last change
    QImage m_surface;    // Picture2: the off-screen page

    QListWidget* definitionList = nullptr;
    QLineEdit* textEdit = nullptr;
    QToolBar* listCommands = nullptr;
    QGroupBox* m_look = nullptr;       // "Darstellung": the controls and the preview
    QWidget* m_lookControls = nullptr; // its controls, enabled only while editing
    FontFamilyList* fontList = nullptr;
    QLineEdit* sizeEdit = nullptr;
    UpDownButtons* sizeSpin = nullptr;
    QToolBar* styleButtons = nullptr;
    QToolBar* moveButtons = nullptr;
    PaletteColourPicker* colourPicker = nullptr;
    QSlider* brightnessSlider = nullptr;
    QLabel* m_swatch = nullptr;
    QComboBox* layerCombo = nullptr;
    QLabel* previewLabel = nullptr;
};
