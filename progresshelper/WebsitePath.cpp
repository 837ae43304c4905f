#include "progresshelper/WebsitePath.h"

namespace Skylarn {

QString localizedWebsitePath(const QString &path, const QString &languageSpecifier)
{
    static const QString kHtm = QStringLiteral(".htm");
    const QString replacement = QLatin1Char('_') + languageSpecifier + kHtm;
    QString result = path;
    // Backwards, so that the specifier (which may itself hold ".htm") is never searched again.
    int from = result.size();
    while (from > 0) {
        const int at = result.lastIndexOf(kHtm, from - 1);
        if (at < 0)
            break;
        result.replace(at, kHtm.size(), replacement);
        from = at;
    }
    return result;
}

} // namespace Skylarn
