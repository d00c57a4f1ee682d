#pragma once

#include <QList>
#include <QString>

// Opens a file with the desktop's default application for its type (a PDF in the
// reader), as the user would by double-clicking it. Whether an application was found
// is reported but callers may ignore it: a missing reader simply shows nothing.
namespace shell {

struct OpenCall
{
    QString path;
    QString parameters;
    QString workingFolder;
};

// Asks the desktop to open `path`. `parameters` and `workingFolder` are handed to the
// application where the platform supports that; the desktop services used here take
// the file alone. Returns whether the desktop accepted the request.
bool open(const QString& path, const QString& parameters = QString(), const QString& workingFolder = QString());

// Test hook: while recording, open() stores each call and starts nothing.
void setRecording(bool recording);
const QList<OpenCall>& recordedCalls();
void clearRecordedCalls();

} // namespace shell
