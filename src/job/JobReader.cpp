#include "JobReader.h"

#include "Folders.h"
#include "Job.h"
#include "MessageBox.h"
#include "PrintFile.h"
#include "ReadingRules.h"
#include "SafeFiles.h"
#include "ServerSettings.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace {

// Printer output is cut into lines; a record of this length holding NUL characters is
// binary data, not a print line.
constexpr qsizetype LongRecord = 1 << 20;

bool isBinaryRecord(const QString& record)
{
    return record.size() > LongRecord && record.contains(QChar(u'\0'));
}

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

void run(const BetweenRecords& between)
{
    if (between)
        between();
}

// The settings file named by an "@INI" record: the record from its fifth character on.
// Only a regular file of a settings file's size counts; anything else is missing.
QString iniOverrideOf(const QString& record, const QString& defaultFile)
{
    QString named = rules::trimBlanks(QStringView(record).mid(4)).toString();
    named.remove(u'\r');
    return safefiles::isRegularFileWithin(named, safefiles::LargestSettingsFile) ? named : defaultFile;
}

} // namespace

ScanSettings ScanSettings::readFrom(const QString& defaultFile)
{
    return {readServerNumber(defaultFile, keys::LinesPerPage), readServerNumber(defaultFile, keys::LinesPerPageQ),
            readServerNumber(defaultFile, keys::AutoLandscape), defaultFile};
}

bool scanPrintFile(Job& job, const ScanSettings& settings, QString& iniOverride, const BetweenRecords& between)
{
    for (;;) {
        run(between);
        const QString record = GETRECORD();
        if (isBinaryRecord(record))
            return false;
        if (isEndRecord(record))
            return true;
        if (GETSIGNTALLY(record) > settings.autoLandscape || record.contains(QStringLiteral("^Q")))
            job.setLandscape(true);
        job.PageLen = job.Landscape() ? settings.linesPerPageQ : settings.linesPerPage;
        if (record.contains(QStringLiteral("@INI")))
            iniOverride = iniOverrideOf(record, settings.defaultSettingsFile);
    }
}

void feedPrintFile(Job& job, const BetweenRecords& between)
{
    FILERESET();
    for (;;) {
        run(between);
        const QString record = GETRECORD();
        if (isEndRecord(record))
            break;
        job.AddLineToArray(record);
        run(between);
    }
    // Only the first record with a NUL character was shown; the others are counted here.
    if (job.nulRecordCount() > 1)
        msgbox::log(QStringLiteral("Druckdatei"),
                    QStringLiteral("%1 weitere Zeilen mit NUL-Zeichen").arg(job.nulRecordCount() - 1));
}

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

    QString iniOverride;
    if (!scanPrintFile(job, ScanSettings::readFrom(defaultFile), iniOverride)) {
        CLOSEDAT();
        return false;
    }
    job.setIniFile(iniOverride.isEmpty() ? defaultFile : iniOverride);
    job.setDefaultSettingsFile(defaultFile);

    // What the dialog's init does for the job model.
    LoadServerSettings(job.IniFile());
    job.LeftSpace = readServerNumber(job.IniFile(), keys::LeftSpace);
    job.AutoStart = readServerFlag(job.IniFile(), keys::AutoStart);
    job.OnlyBackground = readServerFlag(job.IniFile(), keys::HideMode);

    feedPrintFile(job);
    CLOSEDAT();
    return true;
}
