#include "library/songs/Rating.h"
#include "library/stores/SqliteReading.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QDir>

namespace corvane::library {
namespace {

// Elisa's ratings, read again when its database (or the log beside it) changed.
class ElisaRatings final : public StoredRatings {
public:
    explicit ElisaRatings(QString database)
        : database_(std::move(database)) {
        read();
    }

    int rating(const QString& path) const override { return ratings_.value(path, -1); }

    bool refresh() override {
        if (stamps() == stamps_) {
            return false;
        }
        read();
        return true;
    }

private:
    std::pair<FileStamp, FileStamp> stamps() const {
        return {fileStamp(database_), fileStamp(database_ + QStringLiteral("-wal"))};
    }
    void read() {
        stamps_ = stamps();
        ratings_ = namingStore(StoreKind::Elisa, database_,
                               [&] { return sqlite::reading(database_, readElisaRatings); });
    }

    QString database_;
    std::pair<FileStamp, FileStamp> stamps_;
    QHash<QString, int> ratings_;
};

} // namespace

QHash<QString, int> readElisaRatings(sqlite3* db) {
    // FileName is the song's URL as Elisa writes it (file:///home/u/Music/a b.mp3).
    sqlite::Statement statement(db, QStringLiteral("SELECT FileName, Rating FROM Tracks"));
    QHash<QString, int> ratings;
    while (statement.next()) {
        const QUrl url(statement.text(0));
        if (url.isLocalFile()) {
            ratings.insert(QDir::cleanPath(url.toLocalFile()),
                           ratingFromTenPoints(QString::number(statement.integer(1))));
        }
    }
    return ratings;
}

std::shared_ptr<StoredRatings> openElisaRatings(const QString& location) {
    const QString database = QFileInfo(location).isDir()
                                 ? QDir::cleanPath(location + QStringLiteral("/elisaDatabase.db"))
                                 : location;
    return std::make_shared<ElisaRatings>(database);
}

} // namespace corvane::library
