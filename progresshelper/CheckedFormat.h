#pragma once

// printf-style formatting for texts that come from the string table. A
// translation is data, not code: a placeholder that does not fit the
// arguments (wrong kind, none left, unknown conversion) is kept as literal
// text instead of reading an argument that is not there.

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <vector>

namespace Skylarn {

// Arguments are QString (for "%@" / "%s") or double (for the numeric
// conversions d i u f F e E g G). "%@" also takes a number; "%%" gives "%".
// Positional placeholders ("%2$.1f") are understood. Numbers are written
// as in the C locale (a full stop, no grouping) whatever the process locale.
QString checkedFormat(const QString &format, const std::vector<QVariant> &arguments);

} // namespace Skylarn
