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
    const auto isItemCode = [](std::int16_t code) { return code >= 0 && code < ItemCount; };
    if (ListLastItem < -1 || ListLastItem > 7) {
        return QStringLiteral("the list's last item %1 is not between -1 and 7").arg(ListLastItem);
    }
    if (LabelLastItem < -1 || LabelLastItem > 5) {
        return QStringLiteral("the label's last item %1 is not between -1 and 5")
            .arg(LabelLastItem);
    }
    if (!std::all_of(ListOrder.begin(), ListOrder.end(), isItemCode) ||
        !std::all_of(LabelOrder.begin(), LabelOrder.end(), isItemCode)) {
        return QStringLiteral("an order entry is not an item code from 0 to 7");
    }
    if (ListFontSize <= 0 || LabelFontSize <= 0) {
        return QStringLiteral("a font size is zero or negative");
    }
    if (ListSongsPerPage <= 0) {
        return QStringLiteral("the songs per page are zero or negative");
    }
    if (LabelRows <= 0) {
        return QStringLiteral("the label rows are zero or negative");
    }
    if (ListIndent < 0 || LabelIndent < 0 || LabelLineWidth < 0) {
        return QStringLiteral("an indent or the label's line width is negative");
    }
    return {};
}

} // namespace corvane::views
