#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The files a print job names ("@INI", "@ANHANG", "@TXTEMAIL", the folder of "@DATEI"),
// found the way the DOS program that wrote the print file sees them, and only where the
// job may reach.
//
// A DOS program names files by its own drives: "D:\LOGO.BMP", "\TEXTE\MAIL.TXT",
// "FIRMA.INI", mostly in upper case. Section [Laufwerke] of PS.INI maps drive letters to
// folders ("C=/home/me/dos"); D: is the folder where print files arrive unless the section
// maps it elsewhere. A name with a drive letter is looked up on that drive; a name without
// one, DOS or Linux ("TEXTE\MAIL.TXT", "logo.bmp"), in the print-file folder; an absolute
// Linux path as it stands. Backslashes and slashes both separate; each part of the name
// matches a file or folder of exactly that name, or else one that differs only in case.
//
// Whoever writes a print file is a stranger unless TrustPrintFiles says otherwise: a
// stranger's job reaches only files inside the mapped drives. No job ever reaches the
// server's own files (its settings file, spool, faulty print files, journal, registry
// store), whatever the drives and the trust.
struct DriveMap
{
    struct Drive
    {
        QChar letter; // upper case
        QString folder;
    };
    QList<Drive> drives;

    // [Laufwerke] of `settingsFile`, plus D: = `printFileFolder` unless the section maps D.
    static DriveMap read(const QString& settingsFile, const QString& printFileFolder);
    // The folder of a drive letter (any case); empty when the letter is not mapped.
    QString folderOf(QChar letter) const;
};

class JobFiles
{
public:
    JobFiles(DriveMap drives, QString printFileFolder, QStringList serverFiles, bool trusted);
    // The drives of PS.INI, the server's own files and TrustPrintFiles, as the server reads
    // jobs from `printFileFolder` (empty: the AppData folder).
    static JobFiles forServer(const QString& printFileFolder = QString());

    struct Found
    {
        QString path;    // the file's canonical path; empty when not found or refused
        QString problem; // why not, in German, for the log; empty when found
        bool ok() const { return !path.isEmpty(); }
    };

    // An existing regular file the job may read, named as the job wrote it.
    Found find(const QString& name) const;
    // The folder a new file goes into, for a name whose last part need not exist yet:
    // the folders on the way must exist (matched as above). The answer's path is the
    // folder's canonical path joined with the last part as written.
    Found place(const QString& name) const;

    // Whether a file may hold the job's remembered dialog choices: a settings file
    // (".ini") in the AppData folder or on a mapped drive.
    bool mayWriteSettings(const QString& canonicalPath) const;

    // Reads a file that find() answered, without following symbolic links on the way
    // (one put there since find() cannot lead elsewhere); nothing when it is gone, is no
    // regular file or is larger than `maxBytes`.
    static std::optional<QByteArray> read(const QString& canonicalPath, qint64 maxBytes);

    const DriveMap& drives() const { return m_drives; }
    bool trusted() const { return m_trusted; }
    void distrust() { m_trusted = false; }

private:
    Found resolve(const QString& name, bool lastMayBeMissing) const;
    bool isInsideDrive(const QString& canonicalPath) const;
    bool isServerFile(const QString& canonicalPath) const;

    DriveMap m_drives;
    QString m_printFileFolder;
    QStringList m_serverFiles; // canonical paths of files and folders no job reaches
    bool m_trusted = false;
};
