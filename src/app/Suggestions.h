#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Names typed on the command line, matched as a person means them: the same name but for letter
// case (or how its accents are encoded) is that name, and a name that matches none is answered
// with the closest ones.
namespace corvane::app {

// The index in `names` of `given` exactly; else of the one name that is `given` but for letter
// case under NFC. None when no name, or more than one, is.
std::optional<qsizetype> matchName(const QString& given, const QStringList& names);

// Up to `most` of `names` closest to `given` by edit distance (under NFC, letter case aside),
// the closest first and, among equals, in their order. Only names a few slips away (at most half
// the longer name, or two) or holding `given` (three characters or more) are close.
QStringList closestNames(const QString& given, const QStringList& names, int most = 3);

// "did you mean "A"?", "... "A" or "B"?", "... "A", "B" or "C"?"; empty for no names.
QString didYouMean(const QStringList& names);

} // namespace corvane::app
