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

QString DisplayConfiguration::problem() const {
    // What a page can hold: at the smallest print (4 points) a letter or A4 sheet takes some 170
    // lines of 240 characters, so two labels of 80 rows, and lines of 200 characters. Every
    // display the window makes lies well inside.
    struct Range {
        const char* name;
        std::int16_t value;
        int low, high;
    };
    const Range ranges[] = {
        {"the list's font size", ListFontSize, 4, 72},
        {"the list's indent", ListIndent, 0, 20},
        {"the list's width", ListWidth, 0, 200},
        {"the list's songs per page", ListSongsPerPage, 1, 200},
        {"the list's last item", ListLastItem, -1, 7},
        {"the label's font size", LabelFontSize, 4, 72},
        {"the label's indent", LabelIndent, 0, 20},
        {"the label's width", LabelWidth, 0, 200},
        {"the label's rows", LabelRows, 1, 80},
        {"the label's line width", LabelLineWidth, 0, 200},
        {"the label's last item", LabelLastItem, -1, 5},
    };
    for (const Range& r : ranges) {
        if (r.value < r.low || r.value > r.high) {
            return QStringLiteral("%1 %2 is not between %3 and %4")
                .arg(QLatin1String(r.name))
                .arg(r.value)
                .arg(r.low)
                .arg(r.high);
        }
    }
    const auto isItemCode = [](std::int16_t code) { return code >= 0 && code < ItemCount; };
    if (!std::all_of(ListOrder.begin(), ListOrder.end(), isItemCode) ||
        !std::all_of(LabelOrder.begin(), LabelOrder.end(), isItemCode)) {
        return QStringLiteral("an order entry is not an item code from 0 to 7");
    }
    return {};
}

} // namespace corvane::views
