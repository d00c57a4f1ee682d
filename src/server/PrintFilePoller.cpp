#include "frmPS.h"

#include "Folders.h"
#include "FreedMemory.h"
#include "JobReader.h"
#include "MessageBox.h"
#include "MessagePump.h"
#include "PrintFile.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "TempJournal.h"
#include "frmGUI.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {

QString FolderOfPath(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

void waitWithMessages(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        pump::letMessagesRunNow();
        QThread::msleep(std::min<qint64>(10, std::max<qint64>(deadline.remainingTime(), 0)));
    }
}

} // namespace

bool frmPS::isPrintDialogOpen() const
{
    return !openDialogs().isEmpty();
}

QList<frmGUI*> frmPS::openDialogs() const
{
    QList<frmGUI*> open;
    for (const QPointer<frmGUI>& dialog : m_dialogs) {
        if (dialog)
            open.append(dialog);
    }
    return open;
}

void frmPS::recoverSpool()
{
    // What a killed server left besides its jobs: half copies of a claim, and the
    // temporary files of a PDF that was being written.
    m_spool.removeStrayCopies();
    tempjournal::removeStale();
    m_waiting = m_spool.entries();
}

void frmPS::tmrGetFile_Timer()
{
    if (SettingsWindowOpen())
        return;
    int opened = 0;
    const QString entry = takeNextJob(opened);
    if (entry.isEmpty())
        return;
    if (opened == 0) {
        CLOSEDAT();
        m_spool.remove(entry);
        return;
    }
    readJob(entry);
}

// Stage A: finds the next job and opens it. Returns its spool entry with the reader open
// on it (`opened` 1, or 0 for a file without records), or empty text when there is
// nothing to read at this tick; whatever was not complete stays and is tried again.
QString frmPS::takeNextJob(int& opened)
{
    // An entry waiting in the spool is older than any print file in the folder.
    while (!m_waiting.isEmpty()) {
        FoundPrintFile = m_waiting.first();
        if (!QFileInfo(FoundPrintFile).isFile()) {
            m_waiting.removeFirst();
            continue;
        }
        opened = OPENDAT(FoundPrintFile);
        if (opened == -1) {
            showTrayIdle();
            return {};
        }
        return m_waiting.takeFirst();
    }

    const QStringList printFiles =
        PrintSpool::printFiles(FolderOfPath(PrintFilePath), QFileInfo(PrintFilePath).fileName());
    if (printFiles.isEmpty())
        return {};
    FoundPrintFile = printFiles.first();
    opened = OPENDAT(FoundPrintFile);
    if (opened == -1) {
        showTrayIdle();
        return {};
    }
    if (opened == 0) {
        CLOSEDAT();
        QFile::remove(FoundPrintFile);
        return {};
    }

    // Claim before reading: from here on a print file written by the DOS program is a new
    // job beside this one, never part of it or deleted with it.
    const QString entry = m_spool.claim(FoundPrintFile);
    if (entry.isEmpty()) {
        CLOSEDAT();
        showTrayIdle();
        return {};
    }
    if (!stillAsOpened(entry)) {
        // The writer added to the file between the read and the move: the entry is read
        // afresh once it is complete.
        CLOSEDAT();
        m_waiting.prepend(entry);
        return {};
    }
    FoundPrintFile = entry;
    return entry;
}

void frmPS::readJob(const QString& entry)
{
    setPollingEnabled(false);
    auto* job = new frmGUI();
    ++JobCounter;
    SETAPPPATH(folders::programFolder());
    showTrayReading();
    IniOverride.clear();
    pump::letMessagesRunNow();

    // Stage B: the scanning pass decides the orientation and the settings file.
    const QString defaultFile = DefaultSettingsFile();
    const ScanSettings scan{LinesPerPage, LinesPerPageQ, AutoLandscape, defaultFile};
    if (!scanPrintFile(job->job(), scan, IniOverride, pump::letMessagesRun)) {
        failJob(job, entry, QStringLiteral("Druckdatei fehlerhaft!"), QStringLiteral("Interpretationsfehler!"));
        return;
    }
    job->setIniFile(IniOverride.isEmpty() ? defaultFile : IniOverride);
    waitWithMessages(200);

    try {
        // Stage C: the dialog restores its state, then the records fill the job.
        job->init();
        feedPrintFile(job->job(), pump::letMessagesRun);
    } catch (const std::exception&) {
        failJob(job, entry, QStringLiteral("Init GUI error!"), QStringLiteral("Systemfehler"));
        return;
    }

    // The spool entry stays until the job is done: an output that fails, a kill or a
    // power loss before then brings the job back at the next start.
    CLOSEDAT();
    connect(job, &frmGUI::unloaded, this, [this, entry] { m_spool.remove(entry); });
    // The job's pages and buffers are freed with it; the allocator is then told to give
    // them back, so an idle server returns to its idle size after a large job.
    connect(job, &QObject::destroyed, this, [] { QTimer::singleShot(0, [] { freedmemory::giveBack(); }); });
    job->setWindowTitle(QStringLiteral("Druckdialog Job ") + rules::signedNumber(JobCounter));
    m_dialogs.append(job);
    if (!(job->OnlyBackground && job->AutoStart))
        job->showOnTop();
    job->jobComplete();
    job->reportWaitingWhenHeadless();

    setPollingEnabled(true);
    showTrayIdle();
}

void frmPS::failJob(frmGUI* job, const QString& entry, const QString& text, const QString& title)
{
    CLOSEDAT();
    // Kept for the user to look at, never deleted; and out of the spool, so it is not
    // read again at the next start.
    const QString where = m_spool.setAside(entry);
    delete job;
    freedmemory::giveBack();
    msgbox::show(text + QStringLiteral("\r\nDie Datei liegt unter ") + QDir::toNativeSeparators(where) + u'.', title,
                 msgbox::Icon::Critical);
    setPollingEnabled(true);
    showTrayIdle();
}
