#include "platform/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace pump {
namespace {

constexpr qint64 IntervalNs = 5'000'000; // 5 ms: imperceptible, and cheap

QElapsedTimer& clock()
{
    static QElapsedTimer timer;
    return timer;
}

} // namespace

void letMessagesRun()
{
    QElapsedTimer& timer = clock();
    if (timer.isValid() && timer.nsecsElapsed() < IntervalNs)
        return;
    letMessagesRunNow();
}

void letMessagesRunNow()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    clock().start();
}

} // namespace pump
