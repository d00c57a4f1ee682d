#include "frmPS.h"

#include "Folders.h"
#include "MessageBox.h"
#include "MessagePump.h"
#include "PrintFile.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "frmGUI.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <stdexcept>

namespace {

// A print file is printer output cut into lines; a "record" of this length is no such
// thing, and reading it into a job would only exhaust memory.
constexpr qsizetype MaxRecordLength = 1 << 20;

class StageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

bool isEndRecord(const QString& record)
{
    return record.trimmed() == endRecord();
}

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

void frmPS::tmrGetFile_Timer()
{
    if (SettingsWindowOpen())
        return;
    if (!QFileInfo::exists(PrintFilePath))
        return;
    FoundPrintFile = FolderOfPath(PrintFilePath) + QFileInfo(PrintFilePath).fileName();

    // Stage A: the file stays and is tried again at the next tick.
    const int opened = OPENDAT(FoundPrintFile);
    if (opened == -1) {
        showTrayIdle();
        return;
    }
    if (opened == 0) {
        CLOSEDAT();
        QFile::remove(FoundPrintFile);
        return;
    }

    setPollingEnabled(false);
    auto* job = new frmGUI();
    ++JobCounter;
    SETAPPPATH(folders::programFolder());
    showTrayReading();
    IniOverride.clear();
    pump::letMessagesRunNow();

    const QString defaultFile = DefaultSettingsFile();
    try {
        // Stage B: the scanning pass decides the orientation and the settings file.
        for (;;) {
            pump::letMessagesRun();
            const QString record = GETRECORD();
            if (record.size() > MaxRecordLength)
                throw StageError("record too long");
            if (isEndRecord(record))
                break;
            if (GETSIGNTALLY(record) > AutoLandscape || record.contains(QStringLiteral("^Q")))
                job->setLandscape(true);
            job->PageLen = job->Landscape() ? LinesPerPageQ : LinesPerPage;
            if (record.contains(QStringLiteral("@INI"))) {
                IniOverride = record.mid(4).trimmed().remove(u'\r');
                if (!QFileInfo::exists(IniOverride))
                    IniOverride = defaultFile;
            }
        }
    } catch (const std::exception&) {
        failJob(job, QStringLiteral("Druckdatei fehlerhaft!"), QStringLiteral("Interpretationsfehler!"));
        return;
    }

    job->setIniFile(IniOverride.isEmpty() ? defaultFile : IniOverride);
    waitWithMessages(200);

    try {
        // Stage C: the dialog restores its state, then the records fill the job.
        job->init();
        FILERESET();
        for (;;) {
            pump::letMessagesRun();
            const QString record = GETRECORD();
            if (isEndRecord(record))
                break;
            job->AddLineToArray(record);
        }
    } catch (const std::exception&) {
        failJob(job, QStringLiteral("Init GUI error!"), QStringLiteral("Systemfehler"));
        return;
    }

    CLOSEDAT();
    QFile::remove(FoundPrintFile);
    job->setWindowTitle(QStringLiteral("Druckdialog Job ") + rules::signedNumber(JobCounter));
    m_dialogs.append(job);
    if (!(job->OnlyBackground && job->AutoStart)) {
        job->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        job->show();
        if (!msgbox::isHeadless()) // nothing to raise without a display
            job->raise();
        pump::letMessagesRunNow();
    }
    job->jobComplete();
    job->reportWaitingWhenHeadless();

    setPollingEnabled(true);
    showTrayIdle();
}

void frmPS::failJob(frmGUI* job, const QString& text, const QString& title)
{
    CLOSEDAT();
    QFile::remove(FoundPrintFile);
    delete job;
    msgbox::show(text, title, msgbox::Icon::Critical);
    setPollingEnabled(true);
    showTrayIdle();
}
