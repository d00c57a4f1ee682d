#pragma once

#include "queue/QueueLink.h"

#include <QString>

// What the spool remembers of the jobs that came through the printer queue, so that each
// arrives once. The backend sends a job again when the confirmation did not reach it (the
// server was killed after it had spooled the job); the job's receipt then answers it with a
// confirmation instead of a second entry.
//
// A job is written to a hidden upload file in the spool folder named after the job
// (".upload-<key>"), synced; then its receipt is written (".received/<key>"), synced with its
// folder; then the upload becomes a spool entry (PrintSpool::claim), and only then is the
// job confirmed. A receipt beside the upload it names stands for a job that never became an
// entry and was never confirmed: start-up removes both, and all other uploads, which are
// jobs cut off midway. A receipt alone stands for a job in the spool or already output; it
// is kept for KeptDays, longer than CUPS goes on sending a job.
class QueueReceipts
{
public:
    static constexpr int KeptDays = 30;

    explicit QueueReceipts(QString spoolFolder) : m_spoolFolder(std::move(spoolFolder)) {}

    // The key of a job: from its queue's name, its job id and its uuid.
    static QString keyOf(const queuelink::Header& header);

    bool has(const QString& key) const;
    QString uploadPath(const QString& key) const;
    // Writes the receipt of the job and syncs it and its folder; false when that fails.
    bool write(const QString& key) const;
    // Removes the receipt (the job did not become an entry after all).
    void remove(const QString& key) const;

    // Start-up, before any job arrives: removes the uploads, the receipts of uploads that
    // never became an entry, and the receipts older than KeptDays.
    void recover() const;

private:
    QString receiptFolder() const;

    QString m_spoolFolder;
};
