#pragma once

#include "EscapeCodes.h"
#include "PrintFile.h"
#include "TempFolders.h"

#include <QFile>
#include <QStringList>

// Writes `bytes` as a finished print file and opens it.
inline int openPrintFile(const TempFolders& folders, const QByteArray& bytes)
{
    return OPENDAT(TempFolders::writeAged(folders.printFile(), bytes));
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
