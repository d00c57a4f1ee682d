#include "PrintFile.h"

#include "CodePage.h"
#include "EscapeTable.h"
#include "OpenFiles.h"
#include "PrintFileLock.h"
#include "PrintFileRecords.h"
#include "ReadingRules.h"
#include "SafeFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// What OPENDAT saw of a file it refused as busy. While it keeps refusing the same path, a
// change of size or time stamp between two looks restarts the quiet time, which also
// catches writers on file systems with coarse or skewed time stamps.
struct Observation
{
    QString path;
    qint64 size = -1;
    qint64 modifiedMs = 0;
    qint64 changedAtMs = 0;
    qint64 writerSeenAtMs = -1; // when a process last held it open for writing
};

// The look at every process's open files takes milliseconds; while a writer keeps the
// file open it is repeated this often, not at every tick.
constexpr qint64 WriterLookMs = 1000;

struct Reader
{
    PrintFileRecords records;
    qsizetype next = 0;
    QString programFolder;
    Observation seen;
    qint64 openedSize = -1; // of the file the records came from
    qint64 openedModifiedMs = 0;
    qint64 quietMs = DefaultQuietMs; // a file that changed less than this long ago is still in writing
};

Reader& reader()
{
    static Reader instance;
    return instance;
}

QString withoutNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

// Records this look at the file and answers whether it changed within the quiet time.
bool changedRecently(const QString& path, qint64 size, qint64 modifiedMs, qint64 nowMs)
{
    Observation& seen = reader().seen;
    if (seen.path != path) {
        // First look: the time stamp tells when it changed, unless it lies in the future.
        seen = {path, size, modifiedMs, modifiedMs <= nowMs ? modifiedMs : nowMs};
    } else if (seen.size != size || seen.modifiedMs != modifiedMs) {
        seen.size = size;
        seen.modifiedMs = modifiedMs;
        seen.changedAtMs = nowMs;
    }
    return nowMs - seen.changedAtMs < reader().quietMs;
}

// Whether a process holds the file open for writing; after changedRecently for the path.
bool heldByWriter(int fd, qint64 nowMs)
{
    Observation& seen = reader().seen;
    if (seen.writerSeenAtMs >= 0 && nowMs - seen.writerSeenAtMs < WriterLookMs)
        return true;
    const bool held = openfiles::heldOpenForWriting(fd);
    seen.writerSeenAtMs = held ? nowMs : -1;
    return held;
}

void forgetObservation()
{
    reader().seen = Observation{};
}

} // namespace

int OPENDAT(const QString& pathArgument)
{
    CLOSEDAT();
    const QString path = withoutNul(pathArgument);
    // Only a regular file is a print file: a FIFO or a device named d.dat would block
    // the reader or never end.
    const int fd = safefiles::openRegularFile(path);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        forgetObservation();
        return -1;
    }

    QFileInfo info(path);
    info.setCaching(false);
    const qint64 size = info.size();
    const qint64 modifiedMs = info.lastModified().toMSecsSinceEpoch();
    // A writer that pauses changes nothing for a while but still holds the file open; the
    // look at every process's open files comes last, as it costs the most.
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (changedRecently(path, size, modifiedMs, nowMs) || printFileWriteLocked(file.handle()) ||
        heldByWriter(file.handle(), nowMs))
        return -1;

    // A writer that starts while we read would leave a partial job: compare afterwards.
    QByteArray bytes = file.readAll();
    file.close();
    info.refresh();
    if (bytes.size() != size || info.size() != size || info.lastModified().toMSecsSinceEpoch() != modifiedMs) {
        changedRecently(path, info.size(), info.lastModified().toMSecsSinceEpoch(),
                        QDateTime::currentMSecsSinceEpoch());
        return -1;
    }

    forgetObservation();
    Reader& r = reader();
    r.openedSize = size;
    r.openedModifiedMs = modifiedMs;
    r.records.load(std::move(bytes), codepage::fromSettings());
    r.next = 0;
    return r.records.count() == 0 ? 0 : 1;
}

void setQuietTime(qint64 milliseconds)
{
    reader().quietMs = std::max<qint64>(milliseconds, 0);
}

bool stillAsOpened(const QString& path)
{
    const Reader& r = reader();
    QFileInfo info(path);
    info.setCaching(false);
    return r.openedSize >= 0 && info.isFile() && info.size() == r.openedSize &&
           info.lastModified().toMSecsSinceEpoch() == r.openedModifiedMs;
}

void SETAPPPATH(const QString& programFolder)
{
    reader().programFolder = withoutNul(programFolder);
}

QString appPath()
{
    return reader().programFolder;
}

QString GETRECORD()
{
    Reader& r = reader();
    if (r.next >= r.records.count())
        return endRecord();
    return r.records.record(r.next++);
}

qint32 GETSIGNTALLY(const QString& record)
{
    const char16_t* pos = reinterpret_cast<const char16_t*>(record.constData());
    const char16_t* end = pos + record.size();
    qint32 tally = 0;
    while (pos < end) {
        const char16_t c = *pos++;
        if (c == 0x1B) {
            // The command (a plain character, never LF, CR or ESC) and its parameters.
            if (pos < end && *pos != u'\n' && *pos != u'\r' && *pos != 0x1B && !escape::isParameter(QChar(*pos)))
                ++pos;
            while (pos < end && escape::isParameter(QChar(*pos)))
                ++pos;
            continue;
        }
        if (c < 0x20 || c == 0x7F || escape::isParameter(QChar(c)))
            continue;
        ++tally;
    }
    return tally;
}

void FILERESET()
{
    reader().next = 0;
}

void CLOSEDAT()
{
    Reader& r = reader();
    r.records.clear();
    r.next = 0;
    r.openedSize = -1;
}

QString endRecord()
{
    return QStringLiteral("\x1b"
                          "EOF");
}

bool isEndRecord(const QString& record)
{
    static const QString end = endRecord();
    return rules::trimBlanks(record) == end;
}
