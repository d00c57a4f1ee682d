#pragma once

#include "PrintFile.h"
#include "TempFolders.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>

// Writes `bytes` as the print file with a time stamp a minute old, so the reader takes it
// as finished, and opens it.
inline int openPrintFile(const TempFolders& folders, const QByteArray& bytes)
{
    const QString path = TempFolders::writeFile(folders.printFile(), bytes);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    file.close();
    return OPENDAT(path);
}

inline int openTestData(const TempFolders& folders, const QString& name)
{
    QFile file(testDataPath(name));
    file.open(QIODevice::ReadOnly);
    return openPrintFile(folders, file.readAll());
}

// Every record up to the end record (at most `limit`, so a reader that never ends fails
// instead of hanging).
inline QStringList readRecords(int limit = 10000)
{
    QStringList records;
    for (QString record = GETRECORD(); record != endRecord() && records.size() < limit; record = GETRECORD())
        records << record;
    return records;
}

inline QString param(uchar byte)
{
    return QString(QChar(char16_t(0xF000 + byte)));
}
