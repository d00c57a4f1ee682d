#include "server/PrintServer.h"

#include "job/JobLoader.h"
#include "platform/FolderEvents.h"
#include "platform/Folders.h"
#include "platform/FreedMemory.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/SingleInstance.h"
#include "platform/TempJournal.h"
#include "server/QueueListener.h"
#include "server/QueueReceipts.h"
#include "server/ServedJob.h"
#include "server/TrayIcons.h"
#include "settings/ReadingRules.h"
#include "settings/ServerFolders.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString PrintFileName = QStringLiteral("d.dat");

struct Candidate
{
    QString path;
    qint64 modifiedNs = 0;
};

// The files in the folder named like the print file, in any case (DOS programs write
// "D.DAT"), oldest first; files with the same time stamp by name. Links are not followed.
QList<Candidate> candidatesIn(const QString& folder)
{
    QList<Candidate> found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.compare(PrintFileName, Qt::CaseInsensitive) != 0)
            continue;
        const QString path = folders::join(folder, name);
        struct stat st = {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
            found.append({path, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.modifiedNs != b.modifiedNs ? a.modifiedNs < b.modifiedNs : a.path < b.path;
    });
    return found;
}

// What makes a file no print file the server may take, in German; empty for a regular
// file with one name.
QString notAPrintFile(int openError, const struct stat* st)
{
    if (openError == ELOOP)
        return QStringLiteral("ist eine Verknüpfung");
    if (!st)
        return QString();
    if (!S_ISREG(st->st_mode))
        return QStringLiteral("ist keine gewöhnliche Datei");
    if (st->st_nlink != 1)
        return QStringLiteral("hat einen zweiten Namen (eine harte Verknüpfung)");
    return QString();
}

} // namespace

PrintServer::PrintServer(QObject* parent) : QObject(parent)
{
    m_idleIcon = trayIcons::idle();
    m_readingIcon = trayIcons::reading();
    connect(&m_pollTimer, &QTimer::timeout, this, &PrintServer::pollOnce);
    // A print file that changes is looked at once instead of at the next tick; the tick
    // stays for writers the system does not tell of.
    m_folderEvents = std::make_unique<FolderEvents>([this](const QString& name) {
        // A writer's every write is an event: one look at the folder waits at a time.
        if (name.compare(PrintFileName, Qt::CaseInsensitive) != 0 || !isPolling() || m_eventPollQueued)
            return;
        m_eventPollQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_eventPollQueued = false;
            if (isPolling())
                pollOnce();
        });
    });
    m_watch.setFolderEvents(m_folderEvents.get());
}

PrintServer::~PrintServer()
{
    for (ServedJob* job : jobs())
        delete job;
}

bool PrintServer::start()
{
    m_instance = std::make_unique<SingleInstance>(folders::appDataFolder());
    if (!m_instance->isFirst()) {
        msgbox::show(QStringLiteral("Wird bereits ausgeführt !"), QStringLiteral("Hinweis"), msgbox::Icon::Exclamation);
        return false;
    }
    // From here on a failing step is ignored and the next one runs.
    tray::show(m_idleIcon, QStringLiteral("Bereit"), [this](tray::Click click) { trayClicked(click); },
               {[this] { openSettingsWindow(); }, [this] { quit(); }});
    connect(&m_control, &ControlChannel::requested, this, [this](ControlChannel::Request request) {
        request == ControlChannel::Request::Quit ? quit() : openSettingsWindow();
    });
    m_control.listen(folders::appDataFolder());
    readSettings();
    m_jobCounter = 1;
    recoverSpool();
    // Jobs from the printer queue join the spool from now on.
    m_queue = std::make_unique<QueueListener>(m_spool, [this](const QString& entry) { queueSpoolEntry(entry); });
    m_queue->listen();
    setPollingEnabled(true);
    return true;
}

void PrintServer::trayClicked(tray::Click click)
{
    if (click == tray::Click::Left && !isPrintDialogOpen())
        openSettingsWindow();
}

void PrintServer::openSettingsWindow()
{
    if (m_openSettingsWindow)
        m_openSettingsWindow();
}

void PrintServer::quit()
{
    tray::remove();
    QCoreApplication::quit();
}

void PrintServer::endAtOnce()
{
    // At logoff or shutdown nothing may hold the session up: no further events, and the
    // tray icon is left to the system.
    std::_Exit(0);
}

void PrintServer::readSettings()
{
    const QString settings = DefaultSettingsFile();
    m_printFileFolder = serverfolders::printFileFolder();
    m_folderEvents->watch(m_printFileFolder);
    m_spool.setFolder(serverfolders::spoolFolder());
    m_watch.setQuietTime(keys::readNumber(settings, keys::QuietTime));
    m_pollTimer.setInterval(keys::readNumber(settings, keys::Polling));
    applyTimer();
}

void PrintServer::recoverSpool()
{
    // What a killed server left besides its jobs: half copies of a claim, jobs from the
    // printer queue that never became an entry, and the temporary files of a PDF that was
    // being written.
    m_spool.removeStrayCopies();
    QueueReceipts(m_spool.folder()).recover();
    tempjournal::removeStale();
    m_waiting = m_spool.entries();
}

QList<ServedJob*> PrintServer::jobs() const
{
    QList<ServedJob*> open;
    for (const QPointer<ServedJob>& job : m_jobs) {
        if (job)
            open.append(job);
    }
    return open;
}

void PrintServer::setPollingEnabled(bool enabled)
{
    m_pollingEnabled = enabled;
    applyTimer();
}

void PrintServer::applyTimer()
{
    if (m_pollingEnabled && m_pollTimer.interval() > 0)
        m_pollTimer.start();
    else
        m_pollTimer.stop();
}

void PrintServer::showTrayIdle()
{
    tray::setIcon(m_idleIcon);
    tray::setTooltip(QStringLiteral("Bereit"));
}

void PrintServer::showTrayReading()
{
    tray::setIcon(m_readingIcon);
    tray::setTooltip(QStringLiteral("Druckt !"));
}

void PrintServer::pollOnce()
{
    if (SettingsWindowOpen())
        return;
    // An entry waiting in the spool is older than any print file in the folder; it is
    // read once no one writes to it any more.
    while (!m_waiting.isEmpty()) {
        const QString entry = m_waiting.first();
        const int fd = ::open(QFile::encodeName(entry).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            m_waiting.removeFirst();
            continue;
        }
        const bool complete = fd < 0 || m_watch.isComplete(entry, fd, QDateTime::currentMSecsSinceEpoch());
        if (fd >= 0)
            ::close(fd);
        if (!complete)
            return;
        m_waiting.removeFirst();
        m_watch.forget(entry);
        readJob(entry);
        return;
    }
    const QString entry = claimNextPrintFile();
    if (!entry.isEmpty())
        readJob(entry);
}

QString PrintServer::claimNextPrintFile()
{
    if (!m_claimPause.hasExpired())
        return {};
    QSet<QString> stillThere;
    for (const Candidate& candidate : candidatesIn(m_printFileFolder)) {
        const QByteArray path = QFile::encodeName(candidate.path);
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        const int openError = fd < 0 ? errno : 0;
        struct stat st = {};
        const bool stated = fd >= 0 && ::fstat(fd, &st) == 0;
        const QString why = notAPrintFile(openError, stated ? &st : nullptr);
        if (!why.isEmpty()) {
            if (fd >= 0)
                ::close(fd);
            // A link moves as a link; its name is kept apart so the next tick tries the
            // next candidate instead of this one again.
            const QString key = candidate.path + u'@' + QString::number(candidate.modifiedNs);
            stillThere.insert(key);
            if (m_skipped.contains(key))
                continue;
            const QString where = m_spool.setAside(candidate.path);
            if (where != candidate.path) {
                msgbox::log(QStringLiteral("Druckdatei"),
                            QStringLiteral("%1 %2 und wurde nach %3 gelegt.")
                                .arg(QDir::toNativeSeparators(candidate.path), why, QDir::toNativeSeparators(where)));
            } else {
                m_skipped.insert(key);
                msgbox::log(
                    QStringLiteral("Druckdatei"),
                    QStringLiteral("%1 %2 und wird übergangen.").arg(QDir::toNativeSeparators(candidate.path), why));
            }
            continue;
        }
        if (fd < 0)
            continue; // gone meanwhile
        if (!m_watch.isComplete(candidate.path, fd, QDateTime::currentMSecsSinceEpoch())) {
            ::close(fd);
            continue;
        }
        // Claim before reading: from here on a print file written by the DOS program is a
        // new job beside this one, never part of it or deleted with it.
        const PrintSpool::Claim claim = m_spool.claim(candidate.path);
        struct stat after = {};
        const bool grew =
            ::fstat(fd, &after) == 0 && (after.st_size != st.st_size || after.st_mtim.tv_sec != st.st_mtim.tv_sec ||
                                         after.st_mtim.tv_nsec != st.st_mtim.tv_nsec);
        ::close(fd);
        if (claim.entry.isEmpty()) {
            reportClaimProblem(claim.problem);
            return {};
        }
        m_claimPauseMs = 0;
        m_claimProblem.clear();
        m_watch.forget(candidate.path);
        if (grew) {
            // The writer added to the file between the look and the move: the entry is
            // read once it is complete.
            m_waiting.prepend(claim.entry);
            return {};
        }
        return claim.entry;
    }
    m_skipped.intersect(stillThere);
    return {};
}

void PrintServer::reportClaimProblem(const QString& problem)
{
    // Tried again after a pause that doubles up to a minute, so a folder that cannot take
    // the file costs neither reading nor time at every tick.
    m_claimPauseMs = std::clamp<qint64>(m_claimPauseMs * 2, 1000, 60000);
    m_claimPause.setRemainingTime(m_claimPauseMs);
    if (problem == m_claimProblem)
        return;
    m_claimProblem = problem;
    setPollingEnabled(false);
    msgbox::show(problem, QStringLiteral("Fehler!"), msgbox::Icon::Exclamation);
    setPollingEnabled(true);
}

void PrintServer::readJob(const QString& entry)
{
    setPollingEnabled(false);
    ++m_jobCounter;
    const QString caption = QStringLiteral("Druckdialog Job ") + rules::signedNumber(m_jobCounter);
    showTrayReading();
    // The file is complete and claimed into the spool: no writer can reach it any more,
    // so reading starts right after the tray shows it.
    pump::letMessagesRunNow();

    JobFiles files = JobFiles::forServer(m_printFileFolder);
    if (PrintSpool::sourceOf(entry) == PrintSpool::Source::PrinterQueue)
        files.distrust();
    LoadOptions options{DefaultSettingsFile(),
                        std::move(files),
                        folders::join(folders::programFolder(), QStringLiteral("Wasser.txt")),
                        caption,
                        LoadOptions::MostPages,
                        pump::letMessagesRun};
    LoadResult loaded;
    try {
        loaded = loadJob(entry, options);
    } catch (const std::exception&) {
        setAsideFaulty(entry, QString(), QStringLiteral("Init GUI error!"), QStringLiteral("Systemfehler"));
        return;
    }

    switch (loaded.status) {
    case LoadResult::Status::Empty:
        m_spool.remove(entry);
        break;
    case LoadResult::Status::Unreadable:
        // Something planted in the spool that is no regular file with one name.
        msgbox::log(caption,
                    QStringLiteral("%1 ist keine lesbare Druckdatei und wurde nach %2 gelegt.")
                        .arg(QDir::toNativeSeparators(entry), QDir::toNativeSeparators(m_spool.setAside(entry))));
        break;
    case LoadResult::Status::Faulty:
        setAsideFaulty(entry, loaded.problem, QStringLiteral("Druckdatei fehlerhaft!"),
                       QStringLiteral("Interpretationsfehler!"));
        return;
    case LoadResult::Status::Loaded: {
        loaded.job.number = m_jobCounter;
        auto* job = new ServedJob(std::move(loaded.job), entry, caption, m_spool, this);
        m_jobs.append(job);
        job->start();
        break;
    }
    }
    m_jobs.removeAll(nullptr);
    setPollingEnabled(true);
    showTrayIdle();
}

void PrintServer::setAsideFaulty(const QString& entry, const QString& problem, const QString& text,
                                 const QString& title)
{
    // Kept for the user to look at, never deleted; and out of the spool, so it is not
    // read again at the next start.
    const QString where = m_spool.setAside(entry);
    freedmemory::giveBack();
    msgbox::show(text + QStringLiteral("\r\n") + (problem.isEmpty() ? QString() : problem + QStringLiteral("\r\n")) +
                     QStringLiteral("Die Datei liegt unter ") + QDir::toNativeSeparators(where) + u'.',
                 title, msgbox::Icon::Critical);
    setPollingEnabled(true);
    showTrayIdle();
}
