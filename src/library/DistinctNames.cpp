#include "library/DistinctNames.h"

#include <QHash>
#include <QSet>

namespace corvane::library {

QStringList distinctNames(const std::vector<NameClaim>& claims) {
    QStringList names;
    QSet<QString> taken; // every claimed name stays its own claim's, and every name given out
    QHash<QString, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < claims.size(); ++i) {
        names.push_back(claims[i].name);
        taken.insert(claims[i].name);
        byName[claims[i].name].push_back(i);
    }
    for (std::size_t i = 0; i < claims.size(); ++i) {
        const std::vector<std::size_t>& same = byName[claims[i].name];
        if (same.front() == i) {
            continue; // the first keeps its name
        }
        const QStringList& suffixes = claims[i].suffixes;
        const auto withSuffix = [&](const QString& suffix) {
            return QStringLiteral("%1 (%2)").arg(claims[i].name, suffix);
        };
        QString name;
        for (qsizetype k = 0; k < suffixes.size() && name.isEmpty(); ++k) {
            const bool tellsApart = std::none_of(same.begin(), same.end(), [&](std::size_t other) {
                return other != i && claims[other].suffixes.value(k) == suffixes[k];
            });
            if (tellsApart && !taken.contains(withSuffix(suffixes[k]))) {
                name = withSuffix(suffixes[k]);
            }
        }
        for (int number = 2; name.isEmpty(); ++number) {
            if (!taken.contains(withSuffix(QString::number(number)))) {
                name = withSuffix(QString::number(number));
            }
        }
        taken.insert(name);
        names[static_cast<qsizetype>(i)] = name;
    }
    return names;
}

} // namespace corvane::library
