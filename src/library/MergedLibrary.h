#pragma once

#include "library/MediaLibrary.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Several libraries as one: every source found on this machine (playlist files, the players'
// stores, an MPD server) in one list of playlists.
namespace corvane::library {

class MergedLibrary final : public Player,
                            public PlaylistCollection,
                            public std::enable_shared_from_this<MergedLibrary> {
public:
    struct Part {
        // The source's name as users know it ("Strawberry", "MPD"): the suffix that tells its
        // playlist from another source's of the same name, "Road Trip (Strawberry)".
        QString name;
        // Opens the source; throws LibraryError (one line naming it and why) when it cannot.
        std::function<std::shared_ptr<const Player>()> open;
        // The source opened already; null: opened when first listed.
        std::shared_ptr<const Player> player;
    };

    // The parts in the order in which they claim names: a playlist keeps its name unless an
    // earlier part's playlist has it.
    explicit MergedLibrary(std::vector<Part> parts);

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const PlaylistCollection> playlistCollection() const override;
    // Every part's playlists by name, each name distinct; what each part noted passes on, and a
    // part that fails is left out with one note saying which and why.
    PlaylistArray getAll() const override;
    // The one playlist of that name, from its own part, with what that part noted of it.
    PlaylistArray getByName(const QString& name) const override;

    struct Listed;

private:
    std::vector<Listed> list(QStringList* notes) const;

    mutable std::vector<Part> parts_;
};

} // namespace corvane::library
