#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// Which song items the selected-playlist views show, in which order and at what size: one
// configuration for the list display and one for the CD label.
namespace corvane::views {

// Item codes name the song items everywhere: they index the song table's columns, the order
// arrays, the item buttons and every per-item table.
enum ItemCode : std::int16_t { Title, Artist, Time, Rating, Genre, Year, Album, Type };
inline constexpr int ItemCount = 8;

inline const std::array<QString, ItemCount> ItemNames = {
    QStringLiteral("Title"),  QStringLiteral("Artist"), QStringLiteral("Time"),
    QStringLiteral("Rating"), QStringLiteral("Genre"),  QStringLiteral("Year"),
    QStringLiteral("Album"),  QStringLiteral("Type")};

// The two displays of the selected playlist, each with its configuration.
enum class Display : std::int16_t { List = 1, Label = 2 };

struct DisplayConfiguration {
    // List display of the selected playlist.
    std::int16_t ListFontSize = 0;
    std::int16_t ListIndent = 0;
    std::int16_t ListWidth = 0;
    std::int16_t ListSongsPerPage = 0;
    std::int16_t ListLastItem = 0;
    std::array<std::int16_t, ItemCount> ListOrder{};
    // CD case label.
    std::int16_t LabelFontSize = 0;
    std::int16_t LabelIndent = 0;
    std::int16_t LabelWidth = 0;
    std::int16_t LabelRows = 0;
    std::int16_t LabelLineWidth = 0;
    std::int16_t LabelLastItem = 0;
    std::array<std::int16_t, ItemCount> LabelOrder{};

    bool operator==(const DisplayConfiguration&) const = default;

    // The delivered default display: list Title, Artist, Time, Rating; label Title, Artist, Time.
    static DisplayConfiguration delivered();

    // Its 27 values in the order of the members (the settings file's order).
    static constexpr int ValueCount = 27;
    std::array<std::int16_t, ValueCount> values() const;
    static DisplayConfiguration fromValues(const std::array<std::int16_t, ValueCount>& values);

    // What each value is and what it may hold, in the same order.
    struct ValueRule {
        QString name; // "the list's width", "the label's order, place 2"
        int low = 0;
        int high = 0;
    };
    static const std::array<ValueRule, ValueCount>& rules();

    // The first value (from 0) outside what it may hold; none when the configuration is sound.
    std::optional<int> badValue() const;
    // What is wrong with a configuration that breaks the invariants the views and the printout
    // rely on, or holds a value no page can hold; empty when it is sound.
    QString problem() const;
};

} // namespace corvane::views
