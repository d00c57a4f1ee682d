#pragma once

#include "PrintSpool.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class SingleInstance;
class frmGUI;

// The server form: never shown, it lives as long as the process. It owns the tray icon,
// the polling timer and the start-up settings, and hands every print file it finds to a
// new print dialog.
class frmPS : public QObject
{
    Q_OBJECT

public:
    explicit frmPS(QObject* parent = nullptr);
    ~frmPS() override;

    // Start-up. Returns false when another instance already runs: the user was told and
    // the process should end.
    bool Form_Load();

    // Tray mouse notification; only 513 (left button down) acts.
    void Form_MouseMove(int button, int shift, int x, int y);

    // Any request to close the server form ends the process at once.
    [[noreturn]] void Form_QueryUnload();

    // Reads the AppData folder and the start-up settings and sets the polling interval.
    void InitPS();

    // Queues every entry left in the spool, oldest first, to be read again as a new job
    // by the next ticks. Start-up calls it once, before polling begins.
    void recoverSpool();
    const PrintSpool& spool() const { return m_spool; }

    // Hooks filled by the print dialog and the settings window.
    void setPrintDialogOpenQuery(std::function<bool()> query) { m_printDialogOpen = std::move(query); }
    void setSettingsWindowOpener(std::function<void()> opener) { m_openSettingsWindow = std::move(opener); }
    // One polling tick: takes the next job, reads it into a new print dialog and shows it
    // (or leaves it hidden to print by itself). The next job is the oldest entry waiting
    // in the spool, else the oldest complete print file, which is first claimed into the
    // spool. The job's spool entry goes when its dialog unloads after an output or a
    // cancel.
    void tmrGetFile_Timer();
    // True while any print dialog is loaded, shown or hidden.
    bool isPrintDialogOpen() const;
    // The print dialogs still loaded, oldest first.
    QList<frmGUI*> openDialogs() const;

    // Enables or disables polling. A Polling value of 0 keeps the timer from firing even
    // while it is enabled, which is how a 0 interval stops polling.
    void setPollingEnabled(bool enabled);
    bool isPollingEnabled() const { return m_pollingEnabled; }

    // Switches the tray icon between idle ("Bereit") and reading ("Druckt !").
    void showTrayIdle();
    void showTrayReading();

    qint32 JobCounter = 0;
    QString PrintFilePath;
    qint32 LinesPerPage = 0;
    qint32 LinesPerPageQ = 0;
    qint32 AutoLandscape = 0;
    QString IniOverride;
    QString FoundPrintFile;
    QIcon Picture2; // idle
    QIcon Picture3; // reading
    QTimer tmrGetFile;

private:
    void applyTimer();
    QString takeNextJob(int& opened);
    void readJob(const QString& entry);
    void failJob(frmGUI* job, const QString& entry, const QString& text, const QString& title);

    std::unique_ptr<SingleInstance> m_instance;
    std::function<bool()> m_printDialogOpen;
    std::function<void()> m_openSettingsWindow;
    QList<QPointer<frmGUI>> m_dialogs;
    PrintSpool m_spool;
    QStringList m_waiting; // spool entries claimed but not read yet, oldest first
    bool m_pollingEnabled = false;
};
