#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

// Players' stores written as the players write them, for the store tests and the benchmark.
namespace corvane::storefixtures {

// The tables that Strawberry's schema declares for songs, playlists and their items.
extern const char* const StrawberryTables;
// The same tables as Clementine's schema and its upgrades leave them.
extern const char* const ClementineTables;

// Runs `sql` on the database at `path`, made when missing; the error, empty when none. With
// `value`, the first column of the last row the statements gave.
QString execSql(const QString& path, const QString& sql, QString* value = nullptr);

// A connection of another program to a database, held open (a player writing its store, a
// second run locking the tag index).
class Connection {
public:
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // SQLITE_OK, or the error's code.
    int exec(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

// Writes `bytes` to `path`, making its folders; false when that fails.
bool writeFile(const QString& path, const QByteArray& bytes);

// "'text'" as an SQL literal.
QString sqlText(const QString& text);

} // namespace corvane::storefixtures
