#include "updater/infrastructure/ContentRange.h"

#include <QByteArray>

namespace {

bool parseNumber(const QByteArray& text, qint64& number)
{
    const QByteArray digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 18)
        return false;
    number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool parseContentRange(const QByteArray& value, ContentRange& range)
{
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes") || text.size() < 6 || (text[5] != ' ' && text[5] != '\t'))
        return false;
    const QByteArray spec = text.mid(6);
    const int dash = spec.indexOf('-');
    const int slash = spec.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    ContentRange parsed;
    if (!parseNumber(spec.left(dash), parsed.first) || !parseNumber(spec.mid(dash + 1, slash - dash - 1), parsed.last))
        return false;
    const QByteArray total = spec.mid(slash + 1).trimmed();
    if (total != "*" && !parseNumber(total, parsed.total))
        return false;
    if (parsed.first > parsed.last || (parsed.total >= 0 && parsed.last >= parsed.total))
        return false;
    range = parsed;
    return true;
}
