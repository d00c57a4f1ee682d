#pragma once

#include "Job.h"
#include "JobObserver.h"
#include "OutputContext.h"
#include "OutputOutcome.h"
#include "PictureHolder.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>

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

// The print dialog of one job. It holds the job (the page model the reader fills), shows
// it, and is what the output routines read (outputContext()). Each print file gets its
// own instance; it lives until it unloads (Start without repeat, or Cancel), then it
// deletes itself.
//
// Order of use by the poller: construct (the lists are filled and the first entries
// selected), setIniFile, init (the saved state of that settings file is restored and the
// countdown armed), AddLineToArray per record, jobComplete (an armed countdown starts
// only now, so a short delay can never output a partly read job), caption, show, unless
// the job runs hidden.
//
// A job that runs unseen (HideMode with AutoStart) and whose output fails shows itself
// with the message and from then on counts as a shown job: it is never left hidden.
//
// Only the first output slot (index 0) is built; routines that take a slot ignore the
// others. Controls carry their names as object names (ImageCombo1, Text1, Command3, ...).
class frmGUI : public QDialog
{
    Q_OBJECT

    // First, as the job's names below refer into it.
    Job m_job;

public:
    explicit frmGUI(QWidget* parent = nullptr);
    ~frmGUI() override;

    // The job this dialog shows.
    Job& job() { return m_job; }
    const Job& job() const { return m_job; }
    // What the outputs and the preview read of this dialog: the job, the page range of the
    // running output, the slot's picture mode and watermark, the pictures, the progress bars.
    OutputContext& outputContext() { return m_context; }

    // The job's names, as the poller and the tests call them on the dialog.
    qint32& PageLen = m_job.PageLen;
    qint32& LeftSpace = m_job.LeftSpace;
    bool& OnlyBackground = m_job.OnlyBackground;
    bool& AutoStart = m_job.AutoStart;
    bool Landscape() const { return m_job.Landscape(); }
    void setLandscape(bool landscape) { m_job.setLandscape(landscape); }
    QString IniFile() const { return m_job.IniFile(); }
    void setIniFile(const QString& file) { m_job.setIniFile(file); }
    qint32 PageCount() const { return m_job.PageCount(); }
    QString GetPageLine(qint32 line, qint32 page) const { return m_job.GetPageLine(line, page); }
    void AddLineToArray(const QString& record) { m_job.AddLineToArray(record); }

    // Restores the dialog state saved in the job's settings file and arms the countdown.
    // Every step stands alone: one that cannot be applied is skipped. Never reports.
    void init();

    // The job is completely read: an armed countdown starts now. A delay below 1 ms
    // starts the output at the next turn of the event loop.
    void jobComplete();

    // Headless, a dialog that waits for a click no one can give says so once on standard
    // error, with the settings that would have output it unattended. Does nothing with a
    // display, while a countdown or an output runs, or when it said so before.
    void reportWaitingWhenHeadless();

    // Shows the dialog as the topmost window without moving it.
    void showOnTop();

    qint32 AutoStartDelay = 0; // milliseconds, from the key of the same name

    // Output dispatch. StartOutput hands the kind of the slot's selected destination to
    // PrintToDevice (or to the test hook when one is set). PrintToDevice sets the page
    // range and runs the output of that kind; frmPS is accepted and not used.
    OutputOutcome StartOutput(qint16 Index);
    OutputOutcome PrintToDevice(qint16 Ausgabe, QObject* frmPS, qint16 Index);
    static std::function<OutputOutcome(frmGUI&, qint16 Ausgabe, qint16 Index)>& outputHook();

    // What the outputs read of the controls. Slots other than 0 read as empty (kind 0).
    QString destinationText(qint16 slot) const;
    qint16 destinationKind(qint16 slot) const;
    QString copiesText(qint16 slot) const;
    QString faxNumberText(qint16 slot) const;
    QString emailText(qint16 slot) const;
    // 0 "alles", 1 "von Seite", -1 when neither is selected.
    int rangeOption() const;
    QString fromPageText() const;
    QString toPageText() const;
    // The pages "alles" (1 to PageCount) or "von Seite" (the boxes, clamped to 1 to
    // PageCount) ask for; false, leaving both as they are, when neither is selected.
    bool chosenPageRange(qint32& from, qint32& to) const;

    // The countdown bar in seconds (single precision, as the bar holds it).
    double countdownSeconds() const { return m_countdownValue; }
    double countdownMaximum() const { return m_countdownMaximum; }

    // What the output context hands on (see OutputContext).
    qint16 PicPageMode(qint16 slot) const;
    qint32 WatermarkPosition(qint16 slot) const;
    PictureHolder& Picture1() { return m_picture1; }
    PictureHolder& Picture2() { return m_picture2; }
    void setProgressMaximum(qint16 slot, qint32 pages, qint32 total);
    void setProgressValue(qint16 slot, qint32 pages, qint32 total);
    void processEvents();

    // Event handlers, public so that the poller and tests can drive the dialog as a user
    // would.
    void Command1_Click(qint16 Index); // "&Vorschau"
    void Command2_Click();             // "&Abbruch (Esc)"
    void Command3_Click();             // "&Start (Enter)"
    void Command4_Click();             // "AbbruchAutostart"
    void AutostartTimer_Timer();
    void tmrCountdown_Timer();

    QTimer AutostartTimer;
    QTimer tmrCountdown;

signals:
    // The dialog is about to unload; it deletes itself afterwards.
    void unloaded();

protected:
    // Esc and the window's close button cancel like "&Abbruch (Esc)".
    void reject() override;

private:
    // The output context and the job's observer hand on to the members of the dialog.
    class Context final : public OutputContext
    {
    public:
        explicit Context(frmGUI& dialog) : m_dialog(dialog) {}
        Job& job() override { return m_dialog.m_job; }
        qint16 PicPageMode(qint16 slot) const override { return m_dialog.PicPageMode(slot); }
        qint32 WatermarkPosition(qint16 slot) const override { return m_dialog.WatermarkPosition(slot); }
        QString mailRecipients(qint16 slot) override { return m_dialog.emailText(slot); }
        PictureHolder& Picture1() override { return m_dialog.m_picture1; }
        PictureHolder& Picture2() override { return m_dialog.m_picture2; }
        void setProgressMaximum(qint16 slot, qint32 pages, qint32 total) override
        {
            m_dialog.setProgressMaximum(slot, pages, total);
        }
        void setProgressValue(qint16 slot, qint32 pages, qint32 total) override
        {
            m_dialog.setProgressValue(slot, pages, total);
        }
        void processEvents() override { m_dialog.processEvents(); }
        QWidget* parentWindow() override { return &m_dialog; }

    private:
        frmGUI& m_dialog;
    };

    class JobView final : public JobObserver
    {
    public:
        explicit JobView(frmGUI& dialog) : m_dialog(dialog) {}
        void pageCountChanged(qint32 pageCount) override { m_dialog.pageCountChanged(pageCount); }
        void pagePictureGeometryChanged(const QRect& picture, const QRect& shadow) override
        {
            m_dialog.pagePictureGeometryChanged(picture, shadow);
        }
        void emailChanged(const QString& recipients) override { m_dialog.emailChanged(recipients); }
        void faxChanged(const QString& number) override { m_dialog.faxChanged(number); }

    private:
        frmGUI& m_dialog;
    };

    // What the job reports, mirrored into the controls.
    void pageCountChanged(qint32 pageCount);
    void pagePictureGeometryChanged(const QRect& picture, const QRect& shadow);
    void emailChanged(const QString& recipients);
    void faxChanged(const QString& number);

    // frmGUI_Layout.cpp
    void buildControls();
    void buildJobColumn();
    void buildSlotColumn();
    void buildBottom();
    void connectControls();

    // frmGUI.cpp
    void ResetDialog();
    void FillLists();
    void LoadWatermarks();
    void ImageCombo1_Click(qint16 Index);
    void Option1_Click(qint16 Index);
    void Text1_Change(qint16 Index);
    void Combo1_Click();
    void showThumbnail();
    void unloadDialog();
    void showOutputFailure(const OutputOutcome& outcome);

    // frmGUI_Settings.cpp
    void SaveDialogSettings();
    void restoreSlot(qint16 slot);
    void armCountdown();
    void setCountdownValue(float seconds);
    void stopCountdown();
    QString settingsFile() const;

    // Shared controls.
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QComboBox* Combo1 = nullptr;
    QFrame* m_pagePicture = nullptr;
    QFrame* m_pageShadow = nullptr;
    QLabel* Image1 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QButtonGroup* m_rangeGroup = nullptr;
    QRadioButton* Option2_0 = nullptr;
    QRadioButton* Option2_1 = nullptr;
    QLineEdit* Text2 = nullptr;
    UpDownButtons* UpDown2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text3 = nullptr;
    UpDownButtons* UpDown3 = nullptr;
    QCheckBox* Check2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command2 = nullptr;
    QFrame* frmAutostart = nullptr;
    QProgressBar* PBCountdown = nullptr;
    QPushButton* Command4 = nullptr;

    // Slot 0.
    QGroupBox* Frame1 = nullptr;
    QComboBox* ImageCombo1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QButtonGroup* m_pictureModeGroup = nullptr;
    std::array<QRadioButton*, 3> Option1{}; // index = mode: 0 "nicht drucken", 1 "nur 1.Seite", 2 "alle Seiten"
    QGroupBox* Frame4 = nullptr;
    QLineEdit* Text1 = nullptr;
    UpDownButtons* UpDown1 = nullptr;
    QGroupBox* Frame7 = nullptr;
    QComboBox* Combo2 = nullptr;
    QGroupBox* frmEmail = nullptr;
    QLineEdit* Text4 = nullptr;
    QGroupBox* frmFax = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;

    std::array<qint16, 3> m_picPageMode{};
    PictureHolder m_picture1;
    PictureHolder m_picture2;
    Context m_context{*this};
    JobView m_jobView{*this};
    float m_countdownMaximum = 0;
    float m_countdownValue = 0;
    bool m_countdownArmed = false; // init armed it and nothing stopped it yet
    bool m_jobComplete = false;
    bool m_outputRunning = false;
    bool m_unloading = false;
    bool m_waitingReported = false;
};
