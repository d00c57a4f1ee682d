#pragma once

#include <QString>
#include <QStringList>

// The spool: every print job the server has taken over and not finished with.
//
// A complete print file is claimed by moving it into the spool folder before it is read,
// so a print file written while a job is read or output lands beside it as a new job,
// never over it. The entry stays in the spool until its job was output or cancelled.
// Whatever is left in the spool when the server starts (it was killed, the machine lost
// power) is read again as a new job, oldest first.
//
// Entries are named "job-" + a number + ".dat" and read in the order of their numbers (a
// job that came through the printer queue ends in "-warteschlange.dat", so its origin
// survives a restart); a claim takes the number after the highest, and never replaces a
// file: a name taken meanwhile (or planted) moves the claim on to the next number. Anything else in the
// folder is no entry (a copy interrupted by a crash is a hidden ".claim-*" file).
class PrintSpool
{
public:
    explicit PrintSpool(QString folder = QString()) : m_folder(std::move(folder)) {}

    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }

    struct Claim
    {
        QString entry;   // the new entry; empty when the claim failed
        QString problem; // why it failed, in German, naming the folder; the print file stays
    };

    // Moves the print file into the spool as a new entry and writes the move through to
    // the disk: after a power loss the print file is either still where it was or in the
    // spool. A rename within the file system; a copy that is synced, then renamed into
    // place, then the original removed, where the rename is not possible.
    // Where a job came from. A job from the printer queue is always a stranger's (any local
    // user, a guest of a printer share), even where print files are trusted.
    enum class Source
    {
        PrintFile,
        PrinterQueue,
    };
    Claim claim(const QString& printFile, Source source = Source::PrintFile);
    static Source sourceOf(const QString& entry);

    // The entries in the spool, oldest claim first.
    QStringList entries() const;

    // Removes an entry: its job is done.
    void remove(const QString& entry) const;

    // Moves a file that is no print job the server can read (a faulty print file, a link
    // or a FIFO named like a print file, a job whose output failed unattended) into the
    // folder "fehlerhaft" under a name of its own ("d-" + date and time + ".dat"), so the
    // user can look at it; it is never simply deleted. A link moves as a link, never what
    // it points at. Returns where the file is now: in that folder, or still where it was
    // when it could not be moved.
    QString setAside(const QString& file) const;

    // Removes what a crash in the middle of a claim left in the spool: hidden copies
    // (".claim-*") that never became an entry; their print files are still where they
    // were.
    void removeStrayCopies() const;

private:
    Claim claimByCopy(const QString& printFile, Source origin);
    // Renames `from` to the next free entry name; the entry, or empty text with errno set.
    QString renameToNextEntry(const QString& from, Source source) const;

    QString m_folder;
};

// A German description of a file system error number, for messages to the user.
QString fileErrorText(int error);
