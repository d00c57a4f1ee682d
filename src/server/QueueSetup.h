#pragma once

#include <QString>
#include <QStringList>

// `druckserver --drucker-einrichten`: makes (or remakes) the CUPS queue "druckserver", a raw
// queue whose jobs the backend hands to the calling user's server (run through sudo: the user
// who called sudo). Says in German what came of it, on standard output when the queue is set
// up, else on standard error with what lpadmin said; without the rights to do it, also the
// exact lpadmin line an administrator runs. Returns the exit code: 0 set up, 1 not.
int setUpPrinterQueue();

// The name of the queue the set-up makes.
inline const QString QueueName = QStringLiteral("druckserver");

// The lpadmin arguments that set up the queue for `user`. "retry-job": a backend that fails
// (it cannot read the job, it crashed) leaves the job to be tried again, never aborted.
QStringList queueSetupArguments(const QString& user);
