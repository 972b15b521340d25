#pragma once

#include "library/songs/SongFile.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The tag index: what was read from each audio file (SongFile.h), kept between runs in an SQLite
// database in the user's cache folder, keyed by the file's path and valid while the file's stamp
// (size, modification time, inode) is unchanged. It is only a cache: an index that is damaged, of
// another version, locked or cannot be written is set aside, and the songs are read from their
// files; one note says so. Used by one thread at a time; other processes may use the same file at
// the same time.
namespace corvane::library {

class TagIndex {
public:
    // The index in `file`, made (with its folder) when missing; nothing is opened before the
    // first find or keep.
    explicit TagIndex(QString file);
    ~TagIndex();
    TagIndex(const TagIndex&) = delete;
    TagIndex& operator=(const TagIndex&) = delete;

    // The user's index: corvane/tags.sqlite in the cache folder ($XDG_CACHE_HOME, else
    // ~/.cache), whatever the application's name.
    static QString standardFile();

    // For each path, what was read from its file when the file had the stamp given; nothing
    // where the index holds no read of that version of the file.
    std::vector<std::optional<SongRead>> find(const std::vector<QString>& paths,
                                              const std::vector<FileStamp>& stamps);

    struct Song {
        QString path;
        SongRead read; // of a regular file
    };
    // Keeps `songs` and drops the files at `gone`, in one transaction. A file changed in the last
    // seconds before it was read is not kept: a second change within the same tick of its
    // modification time would go unseen.
    void keep(const std::vector<Song>& songs, const QStringList& gone = {});

    // What the user should know of the index since the last call (one line each, each said once):
    // that it was set aside, cannot be written, is locked.
    QStringList takeNotes();

private:
    enum class Open { Done, Locked, Unusable };
    bool ready();
    Open open(QString* why);
    void close();
    // Moves the file to FILE.bad, so that a new index is made in its place.
    bool setAside();
    void giveUp(const QString& why);
    // A failure of SQLite `code`: a damaged index is set aside and made anew, a locked one is
    // left alone; either way this run goes on without what failed.
    // `why`, when given, says what SQLite cannot (a record found damaged here).
    void failed(int code, const QString& why = {});
    void note(const QString& line);

    QString file_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> find_;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> keep_;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> drop_;
    bool unusable_ = false; // not used again this run
    bool renewed_ = false;  // set aside once this run: a second failure gives it up
    bool writable_ = true;  // false once a write failed for a lock or a full disk
    QStringList notes_;
    QStringList said_;
};

} // namespace corvane::library
