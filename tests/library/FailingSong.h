#pragma once

#include "library/MediaLibrary.h"

#include <QSet>
#include <memory>

// A song whose chosen calls fail, as a backend's do when a file cannot be read: for the tests of
// the callers' skipping and reporting of failed statements.
namespace corvane::library::test_support {

class FailingSong final : public MediaItem {
public:
    // `members`: "Name", "durationString" or attribute names. Each of them throws
    // LibraryError(why), by default "cannot read MEMBER"; the other calls go to `song`.
    FailingSong(std::shared_ptr<const MediaItem> song, QSet<QString> members, QString why = {})
        : song_(std::move(song))
        , members_(std::move(members))
        , why_(std::move(why)) {}

    QString name() const override {
        failIf(QStringLiteral("Name"));
        return song_->name();
    }
    QString durationString() const override {
        failIf(QStringLiteral("durationString"));
        return song_->durationString();
    }
    QString getItemInfo(const QString& attribute) const override {
        failIf(attribute);
        return song_->getItemInfo(attribute);
    }

private:
    void failIf(const QString& member) const {
        if (members_.contains(member)) {
            throw LibraryError((why_.isEmpty() ? "cannot read " + member : why_).toStdString());
        }
    }

    std::shared_ptr<const MediaItem> song_;
    QSet<QString> members_;
    QString why_;
};

} // namespace corvane::library::test_support
