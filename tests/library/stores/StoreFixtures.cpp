#include "StoreFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace corvane::storefixtures {

QString schema(const char* player) {
    QFile file(QStringLiteral(CORVANE_STORE_SCHEMAS "/%1.sql").arg(QLatin1StringView(player)));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("no schema %s in %s", player, CORVANE_STORE_SCHEMAS);
    }
    return QString::fromUtf8(file.readAll());
}

QString execSql(const QString& path, const QString& sql, QString* value) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        const auto keep = [](void* to, int, char** columns, char**) {
            *static_cast<QString*>(to) = QString::fromUtf8(columns[0]);
            return 0;
        };
        char* message = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), value ? +keep : nullptr, value, &message) !=
            SQLITE_OK) {
            error = QString::fromUtf8(message);
        }
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return error;
}

Connection::Connection(const QString& path) {
    sqlite3_open(QFile::encodeName(path).constData(), &db_);
}

Connection::~Connection() {
    sqlite3_close(db_);
}

int Connection::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

void StoreFolder::write(const QString& relative, const QByteArray& bytes) const {
    if (!library::writeRawFile(at(relative), bytes)) {
        qFatal("cannot write %s", qPrintable(at(relative)));
    }
}

void StoreFolder::sql(const QString& relative, const QString& statements) const {
    const QString error = execSql(at(relative), statements);
    if (!error.isEmpty()) {
        qFatal("%s: %s", qPrintable(at(relative)), qPrintable(error));
    }
}

QString sqlText(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace corvane::storefixtures
