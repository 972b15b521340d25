#pragma once

#include <QSet>
#include <QString>

namespace corvane::library {

// One string for each distinct text: a long playlist or a large store names the same artists,
// albums, genres, years, file types and times over and over, and keeps them all.
class SharedTexts {
public:
    // `text`, or the equal one given before.
    QString operator()(QString text) {
        if (text.isEmpty()) {
            return text;
        }
        const auto found = texts_.constFind(text);
        if (found != texts_.cend()) {
            return *found;
        }
        texts_.insert(text);
        return text;
    }

private:
    QSet<QString> texts_;
};

} // namespace corvane::library
