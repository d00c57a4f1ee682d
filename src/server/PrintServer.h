#pragma once

#include "engine/TrayIcon.h"
#include "server/ControlChannel.h"
#include "server/PrintFileWatch.h"
#include "server/PrintSpool.h"

#include <QDeadlineTimer>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class FolderEvents;
class QueueListener;
class ServedJob;
class SingleInstance;

// The print server: it lives as long as the process, has no window of its own, and owns
// the tray icon, the polling timer and the spool. Every print file it finds becomes a job
// with its own print dialog (or none, for a job that runs unseen).
//
// Polling: at every tick, and at once when the system tells of a change to a print file
// (the interval is then only the longest wait), the next job is the oldest entry waiting in the spool, else the
// oldest complete print file ("d.dat" in any case) in the print-file folder, which is first
// claimed into the spool. Only a regular file with one name is a print file; a link, a
// FIFO or a device named like one is set aside into "fehlerhaft", or skipped with one log
// line when it cannot be moved, and the next candidate is tried. A print file that cannot
// be claimed (the spool folder not writable, a file where it belongs) is reported once and
// tried again after a pause that grows up to a minute.
class PrintServer : public QObject
{
    Q_OBJECT

public:
    explicit PrintServer(QObject* parent = nullptr);
    ~PrintServer() override;

    // Start-up. Returns false when another server already polls this AppData folder: the
    // user was told, and the process should end.
    bool start();

    // Reads the folders and the start-up settings of PS.INI and sets the polling interval.
    // Start-up and the settings window (after "Speichern") call it.
    void readSettings();

    // Queues every entry left in the spool, oldest first, to be read again as a new job,
    // and removes what a killed server left behind. Start-up calls it once.
    void recoverSpool();

    // One polling tick.
    void pollOnce();

    // Queues an entry put into the spool by other means than a claim (a job from the printer
    // queue), to be read like a claimed print file at a coming tick.
    void queueSpoolEntry(const QString& entry) { m_waiting.append(entry); }

    // A click on the tray icon: a left click opens the settings window unless a print
    // dialog is open; the others do nothing (the right click opens the icon's menu).
    void trayClicked(tray::Click click);

    // Opens the settings window (the tray menu's "Einstellungen", "druckserver
    // --einstellungen").
    void openSettingsWindow();
    // Ends the server cleanly (the tray menu's "Beenden", "druckserver --beenden"): jobs not
    // output yet stay in the spool for the next start.
    void quit();

    // Any request to close the server ends the process at once (logoff, shutdown).
    [[noreturn]] static void endAtOnce();

    // The jobs taken over and not done yet, oldest first; with or without a dialog.
    QList<ServedJob*> jobs() const;
    bool isPrintDialogOpen() const { return !jobs().isEmpty(); }
    const PrintSpool& spool() const { return m_spool; }
    QString printFileFolder() const { return m_printFileFolder; }

    void setSettingsWindowOpener(std::function<void()> opener) { m_openSettingsWindow = std::move(opener); }

    // Enables or disables polling. A Polling value of 0 keeps the timer from firing even
    // while it is enabled, which is how a 0 interval stops polling.
    void setPollingEnabled(bool enabled);
    bool isPollingEnabled() const { return m_pollingEnabled; }
    // Whether the timer runs, and its interval (Polling).
    bool isPolling() const { return m_pollTimer.isActive(); }
    int pollingInterval() const { return m_pollTimer.interval(); }

private:
    void applyTimer();
    void showTrayIdle();
    void showTrayReading();
    QString claimNextPrintFile();
    void readJob(const QString& entry);
    void setAsideFaulty(const QString& entry, const QString& problem, const QString& text, const QString& title);
    void reportClaimProblem(const QString& problem);

    std::unique_ptr<SingleInstance> m_instance;
    ControlChannel m_control;
    std::unique_ptr<QueueListener> m_queue;
    std::function<void()> m_openSettingsWindow;
    QList<QPointer<ServedJob>> m_jobs;
    PrintSpool m_spool;
    PrintFileWatch m_watch;
    std::unique_ptr<FolderEvents> m_folderEvents;
    bool m_eventPollQueued = false; // a look at the folder for an event waits in the event loop
    QTimer m_pollTimer;
    QIcon m_idleIcon;
    QIcon m_readingIcon;
    QString m_printFileFolder;
    QStringList m_waiting;   // spool entries claimed but not read yet, oldest first
    QSet<QString> m_skipped; // things named like print files that cannot be moved aside
    QDeadlineTimer m_claimPause{0};
    qint64 m_claimPauseMs = 0;
    QString m_claimProblem;
    qint32 m_jobCounter = 1; // the first job is number 2
    bool m_pollingEnabled = false;
};
