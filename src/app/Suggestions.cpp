#include "app/Suggestions.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace corvane::app {
namespace {

QString folded(const QString& name) {
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

// Levenshtein distance between the characters (code points) of `a` and `b`.
qsizetype editDistance(const QList<uint>& a, const QList<uint>& b) {
    std::vector<qsizetype> row(static_cast<std::size_t>(b.size()) + 1);
    std::iota(row.begin(), row.end(), 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const auto at = static_cast<std::size_t>(j);
            const qsizetype substitute = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            diagonal = row[at];
            row[at] = std::min({row[at] + 1, row[at - 1] + 1, substitute});
        }
    }
    return row.back();
}

} // namespace

std::optional<qsizetype> matchName(const QString& given, const QStringList& names) {
    if (const qsizetype exact = names.indexOf(given); exact >= 0) {
        return exact;
    }
    const QString wanted = folded(given);
    std::optional<qsizetype> found;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (folded(names[i]) == wanted) {
            if (found) {
                return std::nullopt; // "jazz" for both "Jazz" and "JAZZ": say both instead
            }
            found = i;
        }
    }
    return found;
}

QStringList closestNames(const QString& given, const QStringList& names, int most) {
    const QString wantedText = folded(given);
    const QList<uint> wanted = wantedText.toUcs4();
    std::vector<std::pair<qsizetype, qsizetype>> near; // distance, index
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString nameText = folded(names[i]);
        const QList<uint> name = nameText.toUcs4();
        const qsizetype distance = editDistance(wanted, name);
        // A slip of a few characters, or a part of the name ("Road" for "Road Trip").
        const bool close =
            distance <= std::max<qsizetype>(2, std::max(wanted.size(), name.size()) / 2);
        const bool part = wantedText.size() >= 3 && nameText.contains(wantedText);
        if (close || part) {
            near.emplace_back(distance, i);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList closest;
    for (const auto& [distance, index] : near) {
        if (closest.size() == most) {
            break;
        }
        if (!closest.contains(names[index])) {
            closest << names[index];
        }
    }
    return closest;
}

QString didYouMean(const QStringList& names) {
    if (names.isEmpty()) {
        return {};
    }
    QStringList quoted;
    for (const QString& name : names) {
        quoted << QLatin1Char('"') + name + QLatin1Char('"');
    }
    const QString last = quoted.takeLast();
    return QStringLiteral("did you mean %1?")
        .arg(quoted.isEmpty() ? last
                              : quoted.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last);
}

} // namespace corvane::app
