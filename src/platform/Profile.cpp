#include "Profile.h"

#include "SafeFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace profile {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// One line of a profile file, classified once.
struct Line
{
    enum Kind
    {
        Other,
        Section,
        Key
    };
    Kind kind = Other;
    QString name;  // section or key name, trimmed, as written
    QString value; // key value, trimmed and unquoted
};

Line classify(QStringView raw)
{
    Line line;
    const QStringView text = trimBlanks(raw);
    if (text.isEmpty() || text.front() == u';')
        return line;
    if (text.front() == u'[') {
        const qsizetype close = text.indexOf(u']');
        line.kind = Line::Section;
        line.name = trimBlanks(text.mid(1, close < 0 ? -1 : close - 1)).toString();
        return line;
    }
    const qsizetype eq = text.indexOf(u'=');
    line.kind = Line::Key;
    if (eq < 0) {
        line.name = text.toString();
        return line;
    }
    line.name = trimBlanks(text.left(eq)).toString();
    QStringView value = trimBlanks(text.mid(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.value = value.toString();
    return line;
}

struct ParsedFile
{
    QStringList rawLines;
    QList<Line> lines;
    QString lineEnding = QStringLiteral("\n");
    bool exists = false;
};

ParsedFile parse(const QString& fileName)
{
    ParsedFile parsed;
    // A settings file is a few KiB: anything that is no regular file of sane size (a
    // device, a FIFO, a huge file named by a print job) reads as missing.
    const std::optional<QByteArray> content = safefiles::readRegularFile(fileName, safefiles::LargestSettingsFile);
    if (!content)
        return parsed;
    parsed.exists = true;
    const QByteArray& bytes = *content;
    if (bytes.contains("\r\n"))
        parsed.lineEnding = QStringLiteral("\r\n");
    auto decode = QStringDecoder(QStringDecoder::System);
    QString text = decode(bytes);
    text.remove(u'\r');
    parsed.rawLines = text.split(u'\n');
    if (!parsed.rawLines.isEmpty() && parsed.rawLines.last().isEmpty())
        parsed.rawLines.removeLast(); // the final line ending does not start another line
    parsed.lines.reserve(parsed.rawLines.size());
    for (const QString& raw : parsed.rawLines)
        parsed.lines.append(classify(raw));
    return parsed;
}

// The settings file is read for every page of a job and every key of a dialog, so the
// parsed form is kept as long as the file's size and modification time stay the same.
// On Unix the stamp is the inode, size and nanosecond modification time, so an edit by
// hand (or a file replaced by rename) is always seen.
struct FileStamp
{
    qint64 size = -1;
    qint64 inode = -1;
    qint64 modifiedNs = -1;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const QString& fileName)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_size, static_cast<qint64>(st.st_ino),
                     static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
#else
    const QFileInfo info(fileName);
    if (!info.exists())
        return std::nullopt;
    return FileStamp{info.size(), 0, info.lastModified().toMSecsSinceEpoch() * 1000000};
#endif
}

struct CacheEntry
{
    FileStamp stamp;
    ParsedFile parsed;
};

QMutex cacheMutex;
QHash<QString, CacheEntry> cache;

ParsedFile cachedParse(const QString& fileName)
{
    const std::optional<FileStamp> stamp = stampOf(fileName);
    if (!stamp)
        return {};
    const QString key = QFileInfo(fileName).absoluteFilePath();
    QMutexLocker lock(&cacheMutex);
    auto it = cache.find(key);
    if (it != cache.end() && it->stamp == *stamp)
        return it->parsed;
    CacheEntry entry{*stamp, parse(fileName)};
    if (cache.size() > 64)
        cache.clear();
    cache.insert(key, entry);
    return entry.parsed;
}

void forget(const QString& fileName)
{
    QMutexLocker lock(&cacheMutex);
    cache.remove(QFileInfo(fileName).absoluteFilePath());
}

QString truncated(QString text, int bufferSize)
{
    const int keep = bufferSize > 0 ? bufferSize - 1 : 0;
    if (text.size() > keep)
        text.truncate(keep);
    return text;
}

} // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue, int bufferSize,
                                const QString& fileName)
{
    const ParsedFile parsed = cachedParse(fileName);
    const QString wantedSection = trimBlanks(section).toString();
    const QString wantedKey = trimBlanks(key).toString();
    bool inSection = false;
    for (const Line& line : parsed.lines) {
        if (line.kind == Line::Section) {
            inSection = line.name.compare(wantedSection, Qt::CaseInsensitive) == 0;
        } else if (inSection && line.kind == Line::Key && line.name.compare(wantedKey, Qt::CaseInsensitive) == 0) {
            return truncated(line.value, bufferSize);
        }
    }
    QString fallback = defaultValue;
    while (!fallback.isEmpty() && fallback.back() == u' ')
        fallback.chop(1);
    return truncated(fallback, bufferSize);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName)
{
    ParsedFile parsed = parse(fileName);
    const QString wantedSection = trimBlanks(section).toString();
    const QString wantedKey = trimBlanks(key).toString();

    qsizetype sectionLine = -1; // header of the section
    qsizetype lastContent = -1; // last key or comment line inside the section
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < parsed.lines.size(); ++i) {
        const Line& line = parsed.lines[i];
        if (line.kind == Line::Section) {
            if (sectionLine >= 0)
                break; // the section has ended
            if (line.name.compare(wantedSection, Qt::CaseInsensitive) == 0) {
                sectionLine = i;
                lastContent = i;
            }
            continue;
        }
        if (sectionLine < 0)
            continue;
        if (!trimBlanks(parsed.rawLines[i]).isEmpty())
            lastContent = i;
        if (line.kind == Line::Key && line.name.compare(wantedKey, Qt::CaseInsensitive) == 0) {
            keyLine = i;
            break;
        }
    }

    if (keyLine >= 0) {
        parsed.rawLines[keyLine] = parsed.lines[keyLine].name + u'=' + value;
    } else if (sectionLine >= 0) {
        parsed.rawLines.insert(lastContent + 1, wantedKey + u'=' + value);
    } else {
        if (!parsed.rawLines.isEmpty() && !trimBlanks(parsed.rawLines.last()).isEmpty())
            parsed.rawLines.append(QString());
        parsed.rawLines.append(u'[' + wantedSection + u']');
        parsed.rawLines.append(wantedKey + u'=' + value);
    }

    QString text = parsed.rawLines.join(parsed.lineEnding);
    text += parsed.lineEnding;
    auto encode = QStringEncoder(QStringEncoder::System);
    const QByteArray bytes = encode(text);

    QSaveFile file(fileName);
    forget(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    const bool committed = file.commit();
    forget(fileName);
    return committed;
}

} // namespace profile
