#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class FolderChooser;
class FontFamilyList;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QPushButton;
class QTabWidget;
class WatermarkEditor;

// The settings window "Druckserververwaltung": the server-wide keys of the default
// settings file PS.INI, the watermark definitions and the autostart entry.
//
// While a window is open the settings-window-open flag is set and the poller leaves print
// files waiting; closing the window in any way clears it. The window reads everything
// afresh when it opens. "Speichern" writes every key, the autostart entry and the
// watermark file, closes and makes the running server reload (`reloadServer`), then
// LoadServerSettings on the default file); "Abbruch" and Escape write nothing; "Stop"
// removes the tray icon and ends the process.
//
// Controls carry object names: the key they edit ("LinesPerPage", "MailText", ...), and
// saveButton, cancelButton, stopButton, startWithSystem, tabs.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWindow(std::function<void()> reloadServer, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Shows the one settings window, opening it when none is open.
    static SettingsWindow* showWindow(std::function<void()> reloadServer);

    // The buttons as a user presses them.
    void save();
    void cancel();
    void stop();

    // How "Stop" ends the process (tests replace it); at once by default.
    static std::function<void()>& endProcessHook();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // SettingsWindow_Layout.cpp
    void buildControls();
    QWidget* buildPrintTab();
    QGroupBox* buildAutoPrintFrame(QWidget* parent);
    QGroupBox* buildFontFrame(QWidget* parent);
    QGroupBox* buildLinesFrame(QWidget* parent);
    QGroupBox* buildMarginsFrame(QWidget* parent);
    QGroupBox* buildEscapeFrame(QWidget* parent);
    QGroupBox* buildDrivesFrame(QWidget* parent);
    QWidget* buildMailTab();
    QWidget* buildPdfTab();
    QWidget* buildWatermarkTab();
    QWidget* buildBottom();

    // SettingsWindow.cpp
    void load();
    // Writes every key into `file`; false when a write failed.
    bool writeKeys(const QString& file) const;
    // The drive table: the rows of [Laufwerke], and the keys to write for it (a letter no
    // longer in the table is written empty, which unmaps it).
    void showDrives();
    QList<QPair<QString, QString>> driveKeys() const;

    std::function<void()> m_reloadServer;
    bool m_registeredAtOpen = false;
    int m_layerAtOpen = 0;

    QTabWidget* m_tabs = nullptr;
    // "Druckeinstellungen"
    QCheckBox* m_autoStart = nullptr;
    QLineEdit* m_autoStartSeconds = nullptr;
    QCheckBox* m_hideMode = nullptr;
    FontFamilyList* m_fontname = nullptr;
    QLineEdit* m_signPitch = nullptr;
    QLineEdit* m_barcodePitch = nullptr;
    QLineEdit* m_linesPerPage = nullptr;
    QLineEdit* m_linesPerPageQ = nullptr;
    QLineEdit* m_autoLandscape = nullptr;
    QLineEdit* m_leftSpace = nullptr;
    QLineEdit* m_topSpace = nullptr;
    QLineEdit* m_addEscSequenz = nullptr;
    QTableWidget* m_drives = nullptr;
    QStringList m_driveLettersAtOpen;
    // "Email"
    QLineEdit* m_mailName = nullptr;
    QLineEdit* m_mailPW = nullptr;
    QLineEdit* m_mailFrom = nullptr;
    QLineEdit* m_betreff = nullptr;
    QLineEdit* m_smtpServer = nullptr;
    QCheckBox* m_mailDirect = nullptr;
    QPlainTextEdit* m_mailText = nullptr;
    QCheckBox* m_pdfMailAnhang = nullptr;
    // "Pdf-Einstellungen"
    FolderChooser* m_pdfFolder = nullptr;
    QCheckBox* m_pdfDlg = nullptr;
    QCheckBox* m_pdfMsg = nullptr;
    QCheckBox* m_mailDelete = nullptr;
    QCheckBox* m_pdfShow = nullptr;
    QCheckBox* m_pdfPrint = nullptr;
    QCheckBox* m_pdfCut = nullptr;
    QCheckBox* m_pdfEdit = nullptr;
    QLineEdit* m_pdfPassword = nullptr;
    QLineEdit* m_pdfSignatur = nullptr;
    QCheckBox* m_pdfBitmap = nullptr;
    // "Wasserzeichen"
    WatermarkEditor* m_watermarks = nullptr;
    // Outside the tabs
    QCheckBox* m_startWithSystem = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_stop = nullptr;
};
