#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace shell {
namespace {

bool& recording()
{
    static bool on = false;
    return on;
}

QList<OpenCall>& calls()
{
    static QList<OpenCall> list;
    return list;
}

} // namespace

bool open(const QString& path, const QString& parameters, const QString& workingFolder)
{
    if (recording()) {
        calls().append({path, parameters, workingFolder});
        return true;
    }
    if (path.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void setRecording(bool on)
{
    recording() = on;
}

const QList<OpenCall>& recordedCalls()
{
    return calls();
}

void clearRecordedCalls()
{
    calls().clear();
}

} // namespace shell
