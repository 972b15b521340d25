#include "library/MergedLibrary.h"

#include "library/DistinctNames.h"

#include <algorithm>

namespace corvane::library {

// A playlist of the merged list: its name there, and where it comes from.
struct MergedLibrary::Listed {
    QString name;
    std::shared_ptr<const Playlist> playlist;
    std::size_t part = 0;
    int sameNameBefore = 0; // how many of the part's playlists before it have its own name
};

namespace {

// A part's playlist under the name that the merged list gives it.
class Renamed final : public Playlist {
public:
    Renamed(QString name, std::shared_ptr<const Playlist> playlist)
        : name_(std::move(name))
        , playlist_(std::move(playlist)) {}

    QString name() const override { return name_; }
    int count() const override { return playlist_->count(); }
    std::shared_ptr<const MediaItem> item(int index) const override {
        return playlist_->item(index);
    }
    void whenKnown(const std::function<void(int)>& known) const override {
        playlist_->whenKnown(known);
    }

private:
    QString name_;
    std::shared_ptr<const Playlist> playlist_;
};

std::shared_ptr<const Playlist> named(const QString& name, std::shared_ptr<const Playlist> p) {
    if (p->name() == name) {
        return p;
    }
    return std::make_shared<Renamed>(name, std::move(p));
}

} // namespace

MergedLibrary::MergedLibrary(std::vector<Part> parts)
    : parts_(std::move(parts)) {}

std::shared_ptr<const PlaylistCollection> MergedLibrary::playlistCollection() const {
    return shared_from_this();
}

std::vector<MergedLibrary::Listed> MergedLibrary::list(QStringList* notes) const {
    std::vector<Listed> listed;
    std::vector<NameClaim> claims;
    for (std::size_t p = 0; p < parts_.size(); ++p) {
        Part& part = parts_[p];
        PlaylistArray all;
        QString failure;
        const bool read = resumeNext(
            [&] {
                if (!part.player) {
                    part.player = part.open();
                }
                all = part.player->playlistCollection()->getAll();
            },
            &failure);
        if (!read) {
            notes->push_back(failure);
            continue;
        }
        *notes += all.notes();
        QHash<QString, int> seen;
        for (int i = 0; i < all.count(); ++i) {
            std::shared_ptr<const Playlist> playlist = all.item(i);
            const QString name = playlist->name();
            claims.push_back({name, {part.name}});
            listed.push_back({name, std::move(playlist), p, seen[name]++});
        }
    }
    const QStringList names = distinctNames(claims);
    for (std::size_t i = 0; i < listed.size(); ++i) {
        listed[i].name = names[static_cast<qsizetype>(i)];
    }
    const PlaylistNameOrder order;
    std::stable_sort(listed.begin(), listed.end(),
                     [&](const Listed& a, const Listed& b) { return order(a.name, b.name); });
    return listed;
}

PlaylistArray MergedLibrary::getAll() const {
    QStringList notes;
    std::vector<Listed> listed = list(&notes);
    std::vector<std::shared_ptr<const Playlist>> playlists;
    playlists.reserve(listed.size());
    for (Listed& l : listed) {
        playlists.push_back(named(l.name, std::move(l.playlist)));
    }
    return PlaylistArray(std::move(playlists), std::move(notes));
}

PlaylistArray MergedLibrary::getByName(const QString& name) const {
    QStringList ignored; // the list's notes are said when the list is shown
    for (const Listed& l : list(&ignored)) {
        if (l.name != name) {
            continue;
        }
        // The part says what it noted of the playlist, and gives the playlist as it is now.
        const QString own = l.playlist->name();
        const PlaylistArray found = parts_[l.part].player->playlistCollection()->getByName(own);
        const auto playlist =
            l.sameNameBefore < found.count() ? found.item(l.sameNameBefore) : l.playlist;
        return PlaylistArray({named(name, playlist)}, found.notes(), found.error());
    }
    return {};
}

} // namespace corvane::library
