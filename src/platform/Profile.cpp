#include "platform/Profile.h"

#include "platform/SafeFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <optional>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Stateless: an incomplete character at the end reads as a replacement character, as
    // it does before a line end, and as the writer sees it.
    auto decode = QStringDecoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
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

namespace {

// One line of a file as bytes: its text (a CR before the LF included) and its end ("\n",
// or nothing for a last line without one).
struct RawLine
{
    QByteArray text;
    QByteArray end;
};

QList<RawLine> rawLines(const QByteArray& bytes)
{
    QList<RawLine> lines;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        if (lf < 0) {
            lines.append({bytes.mid(from), QByteArray()});
            break;
        }
        lines.append({bytes.mid(from, lf - from), QByteArrayLiteral("\n")});
        from = lf + 1;
    }
    return lines;
}

// A line as the reader sees it: a character cut off at the line's end is a replacement
// character, and carriage returns anywhere in it are gone.
Line classifyRaw(const RawLine& raw)
{
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    QString decoded = decode(raw.text);
    decoded.remove(u'\r');
    return classify(decoded);
}

// Writes `bytes` to a new file beside `fileName` and renames it over the old one once
// every byte is written and on the disk; false, leaving the old file as it was, when any
// step fails (a full disk, a write beyond a size limit, a folder that takes no new file).
bool replaceFile(const QString& fileName, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(fileName);
    const QFileInfo info(fileName);
    QByteArray temporary =
        QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    struct stat st = {};
    const mode_t mode = ::stat(target.constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0;
    for (qsizetype written = 0; ok && written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

// The bytes of a settings file about to be changed: none when it does not exist yet,
// nothing at all when it exists but is no file to write settings into.
std::optional<QByteArray> currentBytes(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return QByteArray();
    return safefiles::readRegularFile(fileName, safefiles::LargestSettingsFile);
}

} // namespace

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName)
{
    // Only the line of the key changes (or one is added); every other byte of the file
    // stays as it was, its line ends and anything that is no settings text included.
    const std::optional<QByteArray> existing = currentBytes(fileName);
    if (!existing)
        return false;
    const QByteArray& bytes = *existing;
    QList<RawLine> lines = rawLines(bytes);
    const QByteArray lineEnd = bytes.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    const QString wantedSection = trimBlanks(section).toString();
    const QString wantedKey = trimBlanks(key).toString();
    auto encode = [](const QString& text) {
        QStringEncoder encoder(QStringEncoder::System);
        return QByteArray(encoder(text));
    };

    qsizetype sectionLine = -1; // header of the section
    qsizetype lastContent = -1; // last key or comment line inside the section
    qsizetype keyLine = -1;
    Line keyFound;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = classifyRaw(lines[i]);
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
        if (!lines[i].text.trimmed().isEmpty())
            lastContent = i;
        if (line.kind == Line::Key && line.name.compare(wantedKey, Qt::CaseInsensitive) == 0) {
            keyLine = i;
            keyFound = line;
            break;
        }
    }

    auto ensureEnded = [&](qsizetype i) {
        if (i >= 0 && lines[i].end.isEmpty())
            lines[i].end = lineEnd;
    };
    if (keyLine >= 0) {
        RawLine& line = lines[keyLine];
        const bool carriageReturn = line.text.endsWith('\r');
        line.text = encode(keyFound.name + u'=' + value) + (carriageReturn ? QByteArray("\r") : QByteArray());
    } else if (sectionLine >= 0) {
        ensureEnded(lastContent);
        lines.insert(lastContent + 1, {encode(wantedKey + u'=' + value), lineEnd});
    } else {
        ensureEnded(lines.size() - 1);
        if (!lines.isEmpty() && !lines.last().text.trimmed().isEmpty())
            lines.append({QByteArray(), lineEnd});
        lines.append({encode(u'[' + wantedSection + u']'), lineEnd});
        lines.append({encode(wantedKey + u'=' + value), lineEnd});
    }

    QByteArray out;
    out.reserve(bytes.size() + value.size() + wantedKey.size() + 8);
    for (const RawLine& line : std::as_const(lines))
        out += line.text + line.end;
    forget(fileName);
    const bool written = replaceFile(fileName, out);
    forget(fileName);
    return written;
}

bool editAtomically(const QString& fileName, const std::function<bool(const QString& copy)>& edit)
{
    const std::optional<QByteArray> existing = currentBytes(fileName);
    if (!existing)
        return false;
    const QByteArray& bytes = *existing;
    const QFileInfo info(fileName);
    QByteArray copy =
        QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + ".edit-XXXXXX";
    const int fd = ::mkstemp(copy.data());
    if (fd < 0)
        return false;
    ::close(fd);
    const QString copyName = QFile::decodeName(copy);
    const bool done = replaceFile(copyName, bytes) && edit(copyName) &&
                      ::rename(copy.constData(), QFile::encodeName(fileName).constData()) == 0;
    if (!done)
        ::unlink(copy.constData());
    forget(copyName);
    forget(fileName);
    return done;
}

} // namespace profile
