#include "views/DisplayConfiguration.h"

#include <algorithm>

namespace corvane::views {

DisplayConfiguration DisplayConfiguration::delivered() {
    DisplayConfiguration c;
    c.ListFontSize = 11;
    c.ListIndent = 2;
    c.ListWidth = 9 + 31 + 22 + 6 + 7;
    c.ListSongsPerPage = 54;
    c.ListLastItem = 3;
    c.ListOrder = {Title, Artist, Time, Rating, Genre, Year, Album, Type};
    c.LabelFontSize = 8;
    c.LabelIndent = 0;
    c.LabelWidth = 30 + 21 + 5;
    c.LabelRows = 32;
    c.LabelLineWidth = 70;
    c.LabelLastItem = 2;
    c.LabelOrder = {Title, Artist, Time, Rating, Genre, Year, Album, Type};
    return c;
}

std::array<std::int16_t, DisplayConfiguration::ValueCount> DisplayConfiguration::values() const {
    std::array<std::int16_t, ValueCount> v{};
    auto out = v.begin();
    for (std::int16_t value :
         {ListFontSize, ListIndent, ListWidth, ListSongsPerPage, ListLastItem}) {
        *out++ = value;
    }
    out = std::copy(ListOrder.begin(), ListOrder.end(), out);
    for (std::int16_t value :
         {LabelFontSize, LabelIndent, LabelWidth, LabelRows, LabelLineWidth, LabelLastItem}) {
        *out++ = value;
    }
    std::copy(LabelOrder.begin(), LabelOrder.end(), out);
    return v;
}

DisplayConfiguration
DisplayConfiguration::fromValues(const std::array<std::int16_t, ValueCount>& v) {
    DisplayConfiguration c;
    auto in = v.begin();
    for (std::int16_t* value :
         {&c.ListFontSize, &c.ListIndent, &c.ListWidth, &c.ListSongsPerPage, &c.ListLastItem}) {
        *value = *in++;
    }
    std::copy(in, in + ItemCount, c.ListOrder.begin());
    in += ItemCount;
    for (std::int16_t* value : {&c.LabelFontSize, &c.LabelIndent, &c.LabelWidth, &c.LabelRows,
                                &c.LabelLineWidth, &c.LabelLastItem}) {
        *value = *in++;
    }
    std::copy(in, in + ItemCount, c.LabelOrder.begin());
    return c;
}

const std::array<DisplayConfiguration::ValueRule, DisplayConfiguration::ValueCount>&
DisplayConfiguration::rules() {
    // What a page can hold: at the smallest print (4 points) a letter or A4 sheet takes some 170
    // lines of 240 characters, so two labels of 80 rows, and lines of 200 characters. Every
    // display the window makes lies well inside.
    static const auto table = [] {
        std::array<ValueRule, ValueCount> r;
        auto out = r.begin();
        const auto display = [&](const char* whose, int lastItem, int rows, const char* rowName) {
            const QString of = QLatin1String(whose);
            *out++ = {of + QStringLiteral(" font size"), 4, 72};
            *out++ = {of + QStringLiteral(" indent"), 0, 20};
            *out++ = {of + QStringLiteral(" width"), 0, 200};
            if (rowName != nullptr) {
                *out++ = {of + QLatin1Char(' ') + QLatin1String(rowName), 1, rows};
                *out++ = {of + QStringLiteral(" line width"), 0, 200};
            } else {
                *out++ = {of + QStringLiteral(" songs per page"), 1, rows};
            }
            *out++ = {of + QStringLiteral(" last item"), -1, lastItem};
        };
        const auto order = [&](const char* whose) {
            for (int place = 1; place <= ItemCount; ++place) {
                *out++ = {QStringLiteral("%1 order, place %2").arg(QLatin1String(whose)).arg(place),
                          0, ItemCount - 1};
            }
        };
        display("the list's", 7, 200, nullptr);
        order("the list's");
        display("the label's", 5, 80, "rows");
        order("the label's");
        return r;
    }();
    return table;
}

std::optional<int> DisplayConfiguration::badValue() const {
    const auto v = values();
    for (int i = 0; i < ValueCount; ++i) {
        const ValueRule& rule = rules()[static_cast<std::size_t>(i)];
        const int value = v[static_cast<std::size_t>(i)];
        if (value < rule.low || value > rule.high) {
            return i;
        }
    }
    return std::nullopt;
}

QString DisplayConfiguration::problem() const {
    const auto bad = badValue();
    if (!bad) {
        return {};
    }
    const ValueRule& rule = rules()[static_cast<std::size_t>(*bad)];
    const int value = values()[static_cast<std::size_t>(*bad)];
    if (rule.name.contains(QStringLiteral(" order, "))) {
        return QStringLiteral("%1 is %2, not an item code from 0 to 7").arg(rule.name).arg(value);
    }
    return QStringLiteral("%1 %2 is not between %3 and %4")
        .arg(rule.name)
        .arg(value)
        .arg(rule.low)
        .arg(rule.high);
}

} // namespace corvane::views
