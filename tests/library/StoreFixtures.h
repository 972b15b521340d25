#pragma once

#include <QByteArray>
#include <QString>

// Players' stores written as the players write them, for the store tests and the benchmark.
namespace corvane::storefixtures {

// The tables that Strawberry's schema declares for songs, playlists and their items.
extern const char* const StrawberryTables;
// The same tables as Clementine's schema and its upgrades leave them.
extern const char* const ClementineTables;

// Runs `sql` on the database at `path`, made when missing; the error, empty when none.
QString execSql(const QString& path, const QString& sql);

// Writes `bytes` to `path`, making its folders; false when that fails.
bool writeFile(const QString& path, const QByteArray& bytes);

// "'text'" as an SQL literal.
QString sqlText(const QString& text);

} // namespace corvane::storefixtures
