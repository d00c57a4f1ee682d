#pragma once

#include "support/PdfTools.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// A private, real CUPS scheduler for the printer tests: a child process with its own folders,
// listening only on a Unix socket in its sandbox, with two raw queues, "PDF" and "FRITZfax",
// whose backend keeps every job as <id>.pdf plus <id>.meta (its title and options) in
// out/<queue>/. On request it also has the server's backend, which finds the server's
// socket in runtimeFolder() (DRUCKSERVER_RUNTIME_DIR) and waits a second for a server before
// CUPS starts it again; a job it hands back for a retry is held a few seconds
// (JobRetryInterval 1, which the scheduler checks about every 10 s).
// While it lives, this process (libcups and Qt) and its children talk to it.
class CupsSpooler
{
public:
    CupsSpooler();
    ~CupsSpooler();

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

    struct SpooledJob
    {
        QString documentPath;        // the bytes the client sent
        QMap<QString, QString> meta; // "title", "options" (as the backend is given them: name=value, blank-separated)
    };

    // Installs the server's backend from the build folder as ServerBin/backend/druckserver.
    bool installServerBackend();
    // Installs it and adds a raw queue whose jobs go to this user's server (retry-job).
    bool addServerQueue(const QString& queue);
    // Where the server's backend looks for the server's socket: a server started with
    // DRUCKSERVER_RUNTIME_DIR set to this folder takes the jobs.
    QString runtimeFolder() const { return m_dir.path() + "/runtime"; }
    // The scheduler's log, for failure messages.
    QString errorLog() const;

    // Makes the queue the scheduler's default destination (the system's default printer).
    bool setDefaultQueue(const QString& queue) { return run("lpadmin", {"-d", queue}); }
    // Jobs delivered to a queue so far, oldest first.
    QList<SpooledJob> jobs(const QString& queue) const;
    bool waitForJobs(const QString& queue, int count, int timeoutMs = 15000) const
    {
        return QTest::qWaitFor([&] { return jobs(queue).size() >= count; }, timeoutMs);
    }

private:
    bool start();
    bool run(const QString& program, const QStringList& args);

    QTemporaryDir m_dir;
    ChildProcess m_cupsd;
    bool m_running = false;
    QString m_error;
    QByteArray m_oldServer;
};
