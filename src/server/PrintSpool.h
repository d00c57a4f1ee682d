#pragma once

#include <QString>
#include <QStringList>

// The spool journal: every print file the server has taken over and not finished with.
//
// A complete print file is claimed by moving it into the spool folder before it is read,
// so a print file written while a job is read or output lands beside it as a new job,
// never over it. The entry stays in the spool until its job's dialog unloads after a
// successful output or a cancel. Whatever is left in the spool when the server starts
// (it was killed, the machine lost power, an output failed and the server was ended) is
// read again as a new job, oldest first.
//
// The spool folder is "spool" in the AppData folder: always on the print file's file
// system, so a claim is one rename. Entries are named "job-" + a ten-digit claim number +
// ".dat", so their names sort in claim order. Anything else in the folder is no entry
// (a copy interrupted by a crash is a hidden ".claim-*" file); further folders for print
// files that cannot be read belong beside the spool, in the AppData folder.
class PrintSpool
{
public:
    // The spool folder of an AppData folder. Created on the first claim.
    static QString folderFor(const QString& appDataFolder);

    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }

    // The regular files in `folder` whose name equals `name` without regard to case (DOS
    // programs write "D.DAT"), oldest first; files with the same time stamp by name.
    static QStringList printFiles(const QString& folder, const QString& name);

    // Moves the print file into the spool as a new entry and writes the move through to
    // the disk: after a power loss the print file is either still where it was or in the
    // spool. A rename within the file system; a copy that is synced, then renamed into
    // place, then the original removed, where the rename is not possible. Returns the
    // entry's path, or empty text when the file could not be moved (it then stays where
    // it is).
    QString claim(const QString& printFile);

    // The entries in the spool, oldest claim first.
    QStringList entries() const;

    // Removes an entry: its job is done.
    void remove(const QString& entry) const;

    // The folder for print files that could not be read: "fehlerhaft" beside the spool.
    QString faultyFolder() const;
    // Moves an entry whose print file could not be read into the faulty folder, under a
    // name of its own ("d-" + date and time + ".dat"), so the user can look at it; a
    // faulty print file is never simply deleted. Returns where the file is now: in the
    // faulty folder, or still in the spool when it could not be moved.
    QString setAside(const QString& entry) const;

    // Removes what a crash in the middle of a claim left in the spool: hidden copies
    // (".claim-*") that never became an entry; their print files are still where they
    // were.
    void removeStrayCopies() const;

private:
    QString nextEntryName() const;
    QString claimByCopy(const QString& printFile, const QString& entry);

    QString m_folder;
};
