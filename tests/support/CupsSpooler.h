#pragma once

#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private, real CUPS scheduler for the printer tests. It runs as a child process with
// its own configuration, spool and log folders, listens only on a Unix socket in its
// sandbox, and has two raw queues, "PDF" and "FRITZfax", whose backend keeps every job
// as <id>.pdf plus <id>.meta (title, user, copies, options) in out/<queue>/.
// While it lives, this process (libcups and Qt) and its children talk to it.
class CupsSpooler
{
public:
    CupsSpooler();
    ~CupsSpooler();
    CupsSpooler(const CupsSpooler&) = delete;
    CupsSpooler& operator=(const CupsSpooler&) = delete;

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }
    QString socketPath() const;

    struct SpooledJob
    {
        QString documentPath;            // the bytes the client sent
        QMap<QString, QString> meta;     // job, title, copies, options, printer ...
    };

    // Makes the queue the scheduler's default destination (the system's default printer).
    bool setDefaultQueue(const QString& queue);

    // Jobs delivered to a queue so far, oldest first.
    QList<SpooledJob> jobs(const QString& queue) const;
    // Waits until at least `count` jobs were delivered to the queue.
    bool waitForJobs(const QString& queue, int count, int timeoutMs = 15000) const;

private:
    bool start();
    bool run(const QString& program, const QStringList& args);

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    bool m_running = false;
    QString m_error;
    QByteArray m_oldServer;
};
