#pragma once

// The string table: one "<language>.strings" file per language in the
// program's resources (":/skylarn/strings/"), English always present. The
// table of the first of the user's languages that has one is used, English
// otherwise. Lines are "Key = Value"; '#' starts a comment line; "\n", "\t"
// and "\\" in values stand for a line end, a tab and a backslash.

#include "progresshelper/platform/PlatformServices.h"

#include <QHash>
#include <QStringList>

namespace Skylarn {

class ResourceStringTable : public IStringTable {
public:
    // preferredLanguages as QLocale::uiLanguages() gives them ("de-DE", "en").
    explicit ResourceStringTable(const QStringList &preferredLanguages,
                                 const QString &folder = QStringLiteral(":/skylarn/strings"));

    QString localizedString(const QString &key) const override;
    QString language() const { return m_language; }

    static QHash<QString, QString> parseTable(const QByteArray &content);

private:
    QString m_language;
    QHash<QString, QString> m_table;
};

} // namespace Skylarn
