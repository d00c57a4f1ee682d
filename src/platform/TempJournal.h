#pragma once

#include <QString>

// Temporary files a killed process would leave behind for good. Each temporary file the
// program writes beside its target (a PDF on its way into place, in whatever folder the
// job named) is noted, with the process that made it, while it exists. The next start
// removes the files of processes that no longer run, and their notes.
//
// A note names a file to delete, so the journal lies where nobody but the user writes:
// $XDG_STATE_HOME/druckserver/journal (~/.local/state/...), never in a folder shared with
// the DOS machines. And a note is followed only to a file of the user that carries one of
// the program's own temporary names (".druckserver-pdf-XXXXXX.part",
// "druckserver-text-XXXXXX"), never through a link: whatever a note says, nothing else
// is ever deleted.
namespace tempjournal {

// The folder of the notes.
QString folder();

// Notes the temporary file `path`, made by this process.
void note(const QString& path);

// Drops the note of `path`: the file was removed or renamed into place.
void forget(const QString& path);

// Removes every noted file whose process has ended, and its note. Returns how many files
// were removed.
int removeStale();

// A note that lives as long as the object: declare it before the temporary file it
// notes, so that the file goes first.
class Note
{
public:
    Note() = default;
    explicit Note(const QString& path) : m_path(path) { note(path); }
    ~Note() { release(); }
    Note(const Note&) = delete;
    Note& operator=(const Note&) = delete;

    void set(const QString& path)
    {
        release();
        m_path = path;
        note(path);
    }
    void release()
    {
        if (!m_path.isEmpty())
            forget(m_path);
        m_path.clear();
    }

private:
    QString m_path;
};

} // namespace tempjournal
