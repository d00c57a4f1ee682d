#pragma once

#include "pages/Output.h"

#include <QDialog>
#include <QImage>
#include <QTimer>

#include <array>

class Job;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class UpDownButtons;

// The print dialog of one job: a view of the job that fills an output request. The user
// picks a destination, copies, a page range, a background picture and a watermark, and
// starts the output ("&Start (Enter)"), cancels ("&Abbruch (Esc)") or opens the preview
// ("&Vorschau"). With AutoStart a countdown starts the output by itself.
//
// The job must outlive the dialog; the dialog never changes it. It is built with the
// job's remembered choices ([PDevice] of the job's settings file) and saves them back
// there on Start and Cancel (when the job's settings file may hold them). It closes after
// a successful output unless "Probedruck (Druckwiederholung)" is ticked, or on Cancel,
// and then emits finished(); whoever shows it deletes it. A failed output shows the German
// message and leaves the dialog open, so the job is never lost.
//
// Controls carry their member names as object names (destinationCombo, copiesEdit, ...).
class PrintDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PrintDialog(const Job& job, QWidget* parent = nullptr);
    ~PrintDialog() override;

    const Job& job() const { return m_job; }

    // What the controls ask for now.
    OutputRequest request() const;

    // Shows the dialog as the topmost window and starts the countdown when the job's
    // settings ask for one. A delay below 1 ms starts the output at the next turn of the
    // event loop.
    void showOnTop();

    // Headless, a dialog that waits for a click no one can give says so once on standard
    // error, with the settings that would have output it unattended. Does nothing with a
    // display, while a countdown or an output runs, or when it said so before.
    void reportWaitingWhenHeadless();

    // The buttons and timers as a user (or the countdown) presses them.
    void start();          // "&Start (Enter)"
    void cancel();         // "&Abbruch (Esc)"
    void openPreview();    // "&Vorschau"
    void stopCountdown();  // "AbbruchAutostart"
    void countdownTick();  // once a second while the countdown runs
    void countdownEnded(); // the delay is over: start

    // The countdown bar in seconds (single precision, as the bar holds it).
    double countdownSeconds() const { return m_countdownValue; }
    double countdownMaximum() const { return m_countdownMaximum; }
    bool countdownRunning() const { return m_autoStartTimer.isActive(); }

signals:
    // The dialog closed (after an output or a cancel); it is done with the job.
    void finished();

protected:
    // Esc and the window's close button cancel like "&Abbruch (Esc)".
    void reject() override;

private:
    class Progress;

    // PrintDialog_Layout.cpp
    void buildControls();
    void buildJobColumn();
    void buildDestinationColumn();
    void buildBottom();
    void connectControls();

    // PrintDialog.cpp
    void fillLists();
    void restoreChoices();
    void saveChoices();
    void destinationChanged();
    void copiesChanged();
    void pictureChosen();
    void showThumbnail();
    void showOrientation();
    void setCountdownValue(float seconds);
    void close();
    QString settingsFileForChoices() const;

    const Job& m_job;

    // The job's options.
    QGroupBox* jobFrame = nullptr;
    QGroupBox* pictureFrame = nullptr;
    QComboBox* pictureCombo = nullptr;
    QFrame* pagePicture = nullptr;
    QFrame* pageShadow = nullptr;
    QLabel* pictureThumbnail = nullptr;
    QGroupBox* rangeFrame = nullptr;
    QButtonGroup* m_rangeGroup = nullptr;
    QRadioButton* allPagesOption = nullptr;
    QRadioButton* pageRangeOption = nullptr;
    QLineEdit* fromPageEdit = nullptr;
    UpDownButtons* fromPageSpin = nullptr;
    QLabel* toPageLabel = nullptr;
    QLineEdit* toPageEdit = nullptr;
    UpDownButtons* toPageSpin = nullptr;
    QCheckBox* repeatCheck = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QFrame* countdownStrip = nullptr;
    QProgressBar* countdownBar = nullptr;
    QPushButton* stopCountdownButton = nullptr;

    // The destination and what belongs to it.
    QGroupBox* destinationFrame = nullptr;
    QComboBox* destinationCombo = nullptr;
    QGroupBox* pictureModeFrame = nullptr;
    QButtonGroup* m_pictureModeGroup = nullptr;
    std::array<QRadioButton*, 3> pictureModeOptions{}; // by mode: 0 "nicht drucken", 1 "nur 1.Seite", 2 "alle Seiten"
    QGroupBox* copiesFrame = nullptr;
    QLineEdit* copiesEdit = nullptr;
    UpDownButtons* copiesSpin = nullptr;
    QGroupBox* watermarkFrame = nullptr;
    QComboBox* watermarkCombo = nullptr;
    QGroupBox* emailFrame = nullptr;
    QLineEdit* emailEdit = nullptr;
    QGroupBox* faxFrame = nullptr;
    QLineEdit* faxEdit = nullptr;
    QPushButton* previewButton = nullptr;
    QLabel* pagesLabel = nullptr;
    QProgressBar* pageProgress = nullptr;
    QLabel* copiesLabel = nullptr;
    QProgressBar* totalProgress = nullptr;

    QTimer m_autoStartTimer;
    QTimer m_countdownTick;
    QImage m_picture;       // the chosen background picture at full size
    QString m_documentName; // the name given in the PDF name dialog, kept for the next outputs
    float m_countdownMaximum = 0;
    float m_countdownValue = 0;
    bool m_outputRunning = false;
    bool m_closing = false;
    bool m_waitingReported = false;
};
