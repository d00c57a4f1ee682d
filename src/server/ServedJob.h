#pragma once

#include "dialog/PrintDialog.h"
#include "job/Job.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class PrintSpool;

// One job the server took over, from its spool entry until it is done with: its print
// dialog, or, for a job that runs unseen (HideMode with AutoStart), its countdown and its
// output. No window is made for a job that runs unseen.
//
// The spool entry goes when the job was output or cancelled. A job that runs unseen and
// whose output fails is moved to "fehlerhaft" with a message that says so: nobody would
// ever look at it otherwise, and it must not come back at every start.
class ServedJob : public QObject
{
    Q_OBJECT

public:
    ServedJob(Job job, QString spoolEntry, QString caption, PrintSpool& spool, QObject* parent = nullptr);
    ~ServedJob() override;

    // Shows the print dialog, or starts the countdown of a job that runs unseen (a delay
    // below 1 ms starts the output at the next turn of the event loop).
    void start();

    const Job& job() const { return m_job; }
    const QString& caption() const { return m_caption; }
    const QString& spoolEntry() const { return m_entry; }
    bool runsUnseen() const;
    // The print dialog; null for a job that runs unseen or is done.
    PrintDialog* dialog() const { return m_dialog; }

signals:
    // The job is done (output, cancelled or set aside); the object deletes itself next.
    void finished();

private:
    void outputUnseen();
    void finish(bool removeEntry);

    Job m_job;
    QString m_entry;
    QString m_caption;
    PrintSpool& m_spool;
    QPointer<PrintDialog> m_dialog;
    QTimer m_countdown;
    bool m_finished = false;
};
