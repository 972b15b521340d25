#pragma once

#include "library/MediaLibrary.h"

#include <benchmark/benchmark.h>

// What a listing of a playlist asks of the library: getByName, then for every song its name, its
// time and each attribute. A playlist not as the benchmark made it skips the benchmark.
inline void listAll(const corvane::library::Player& player, const QString& playlistName, int songs,
                    benchmark::State& state) {
    namespace attribute = corvane::library::attribute;
    const corvane::library::PlaylistArray found =
        player.playlistCollection()->getByName(playlistName);
    if (found.count() != 1 || found.item(0)->count() != songs) {
        state.SkipWithError("the generated playlist is not as expected");
        return;
    }
    const auto playlist = found.item(0);
    for (int i = 0; i < playlist->count(); ++i) {
        const auto song = playlist->item(i);
        benchmark::DoNotOptimize(song->name());
        benchmark::DoNotOptimize(song->durationString());
        for (const QString& name :
             {attribute::UserRating, attribute::Artist, attribute::Genre, attribute::Year,
              attribute::Album, attribute::FileType, attribute::Duration}) {
            benchmark::DoNotOptimize(song->getItemInfo(name));
        }
    }
}
