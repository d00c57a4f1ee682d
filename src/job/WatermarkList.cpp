#include "WatermarkList.h"

#include "Folders.h"
#include "Job.h"
#include "SafeFiles.h"

bool LoadWatermarks(Job& job, QStringList& names)
{
    return LoadWatermarksFrom(folders::join(folders::programFolder(), QStringLiteral("Wasser.txt")), job, names);
}

bool LoadWatermarksFrom(const QString& file, Job& job, QStringList& names)
{
    // A watermark file is a few dozen lines, read for every job: no device, FIFO or huge file.
    const std::optional<QByteArray> bytes = safefiles::readRegularFile(file, safefiles::LargestSettingsFile);
    if (!bytes)
        return false;
    // The file is 8-bit text in the locale's encoding with CR LF line ends; a final line
    // end does not start another (empty) line.
    const QString text = QString::fromLocal8Bit(*bytes);
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    names.clear();
    names.append(QStringLiteral("Ohne"));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1);
        job.AddWatermark(line, qint32(n));
        const qsizetype bar = line.indexOf(u'|');
        if (bar < 0)
            break;
        names.append(line.left(bar));
    }
    return true;
}
