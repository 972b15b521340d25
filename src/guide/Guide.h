#pragma once

#include <QStringList>

// The user's guide that the program carries as its help, and the product's web address.
namespace corvane::guide {

// The product's web page: the web button's caption and target, and the guide's line 43.
inline const QString WebAddress = QStringLiteral("https://www.corvane.org");

// The 105 lines of the guide, in order. Line 45 is a single form feed, the printout's page break.
const QStringList& GuideLines();

} // namespace corvane::guide
