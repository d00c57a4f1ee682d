#include "server/ServedJob.h"

#include "dialog/OutputDispatch.h"
#include "dialog/PrintDialog.h"
#include "pdf/PdfNameDialog.h"
#include "platform/FreedMemory.h"
#include "platform/MessageBox.h"
#include "server/PrintSpool.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace {

// An output without a window: its events still run, so other dialogs stay responsive.
class UnseenProgress final : public OutputProgress
{
public:
    void letEventsRun() override { QCoreApplication::processEvents(); }
    // The name window appears without a parent, where there is a display.
    QString askPdfName(const QString& folder, const QString& proposed) override
    {
        return askPdfFileName(folder, proposed);
    }
};

} // namespace

ServedJob::ServedJob(Job job, QString spoolEntry, QString caption, PrintSpool& spool, QObject* parent)
    : QObject(parent), m_job(std::move(job)), m_entry(std::move(spoolEntry)), m_caption(std::move(caption)),
      m_spool(spool)
{
    m_countdown.setSingleShot(true);
    // The output starts at the exact delay; a coarse timer could fire 5 % early.
    m_countdown.setTimerType(Qt::PreciseTimer);
    connect(&m_countdown, &QTimer::timeout, this, &ServedJob::outputUnseen);
}

ServedJob::~ServedJob()
{
    delete m_dialog;
    // The job's buffers go with it; the allocator is then told to give them back, so an
    // idle server returns to its idle size after a large job.
    QTimer::singleShot(0, [] { freedmemory::giveBack(); });
}

bool ServedJob::runsUnseen() const
{
    return m_job.settings.autoStart && m_job.settings.hidden;
}

void ServedJob::start()
{
    if (runsUnseen()) {
        m_countdown.start(std::max(m_job.settings.autoStartDelay, 0));
        return;
    }
    m_dialog = new PrintDialog(m_job);
    m_dialog->setWindowTitle(m_caption);
    connect(m_dialog, &PrintDialog::finished, this, [this] { finish(true); });
    m_dialog->showOnTop();
    m_dialog->reportWaitingWhenHeadless();
}

void ServedJob::outputUnseen()
{
    UnseenProgress progress;
    const OutputOutcome outcome = runOutput(m_job, rememberedRequest(m_job), progress, false);
    if (outcome.ok()) {
        finish(true);
        return;
    }
    const QString where = QDir::toNativeSeparators(m_spool.setAside(m_entry));
    const QString cause =
        outcome.message.isEmpty() ? QStringLiteral("Die Ausgabe ist fehlgeschlagen.") : outcome.message;
    msgbox::show(m_caption + QStringLiteral(": ") + cause + QStringLiteral("\r\nDer Auftrag liegt unter ") + where +
                     QStringLiteral("; um ihn erneut zu drucken, legen Sie die Datei wieder als Druckdatei ab."),
                 QStringLiteral("Fehler!"), msgbox::Icon::Critical);
    finish(false);
}

void ServedJob::finish(bool removeEntry)
{
    if (m_finished)
        return;
    m_finished = true;
    m_countdown.stop();
    if (removeEntry)
        m_spool.remove(m_entry);
    if (m_dialog)
        m_dialog->deleteLater();
    emit finished();
    deleteLater();
}
