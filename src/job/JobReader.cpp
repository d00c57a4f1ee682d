#include "JobReader.h"

#include "Folders.h"
#include "Job.h"
#include "PrintFile.h"
#include "ReadingRules.h"
#include "ServerSettings.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace {

// The poller retries a busy file at its next tick; a tool waits a little instead.
constexpr int busyRetryMs = 2000;
constexpr int retryStepMs = 50;

int openPrintFile(const QString& printFile)
{
    QDeadlineTimer deadline(busyRetryMs);
    for (;;) {
        const int opened = OPENDAT(printFile);
        if (opened != -1 || !QFileInfo::exists(printFile) || deadline.hasExpired())
            return opened;
        QThread::msleep(retryStepMs);
    }
}

bool isEndRecord(const QString& record, const QString& end)
{
    return rules::trimBlanks(record) == end;
}

// The settings file named by an "@INI" record: the record from its fifth character on.
QString iniOverrideOf(const QString& record, const QString& settingsFile)
{
    QString named = rules::trimBlanks(record.mid(4)).toString();
    named.remove(u'\r');
    return QFileInfo(named).isFile() ? named : settingsFile;
}

} // namespace

bool fillJobFromPrintFile(const QString& printFile, Job& job, const QString& settingsFile)
{
    const QString defaultFile = settingsFile.isEmpty() ? DefaultSettingsFile() : settingsFile;
    const int opened = openPrintFile(printFile);
    if (opened != 1) {
        if (opened == 0)
            CLOSEDAT();
        return false;
    }
    SETAPPPATH(folders::programFolder());

    const qint32 linesPerPage = readServerNumber(defaultFile, keys::LinesPerPage);
    const qint32 linesPerPageQ = readServerNumber(defaultFile, keys::LinesPerPageQ);
    const qint32 autoLandscape = readServerNumber(defaultFile, keys::AutoLandscape);
    const QString end = endRecord();

    // Scanning pass: orientation, page length and the job settings file.
    QString iniOverride;
    for (QString record = GETRECORD(); !isEndRecord(record, end); record = GETRECORD()) {
        if (GETSIGNTALLY(record) > autoLandscape || record.contains(QStringLiteral("^Q")))
            job.setLandscape(true);
        job.PageLen = job.Landscape() ? linesPerPageQ : linesPerPage;
        if (record.contains(QStringLiteral("@INI")))
            iniOverride = iniOverrideOf(record, defaultFile);
    }
    job.setIniFile(iniOverride.isEmpty() ? defaultFile : iniOverride);
    job.setDefaultSettingsFile(defaultFile);

    // What the dialog's init does for the job model.
    LoadServerSettings(job.IniFile());
    job.LeftSpace = readServerNumber(job.IniFile(), keys::LeftSpace);
    job.AutoStart = readServerFlag(job.IniFile(), keys::AutoStart);
    job.OnlyBackground = readServerFlag(job.IniFile(), keys::HideMode);

    // Feeding pass.
    FILERESET();
    for (QString record = GETRECORD(); !isEndRecord(record, end); record = GETRECORD())
        job.AddLineToArray(record);
    CLOSEDAT();
    return true;
}
