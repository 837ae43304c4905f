#include "progresshelper/platform/ResourceStringTable.h"

#include <QFile>
#include <QLocale>

// The table lives in a static library; its resources must be registered by hand.
static void registerStringTableResources()
{
    Q_INIT_RESOURCE(skylarn);
}

namespace Skylarn {

namespace {

QString unescape(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[++i];
        if (next == QLatin1Char('n'))
            out.append(QLatin1Char('\n'));
        else if (next == QLatin1Char('t'))
            out.append(QLatin1Char('\t'));
        else
            out.append(next);
    }
    return out;
}

QString languageOf(const QString &uiLanguage)
{
    QString language = uiLanguage.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
    return language.toLower();
}

} // namespace

QHash<QString, QString> ResourceStringTable::parseTable(const QByteArray &content)
{
    QHash<QString, QString> table;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        table.insert(line.left(eq).trimmed(), unescape(line.mid(eq + 1).trimmed()));
    }
    return table;
}

ResourceStringTable::ResourceStringTable(const QStringList &preferredLanguages, const QString &folder)
{
    registerStringTableResources();
    QStringList candidates;
    for (const QString &ui : preferredLanguages)
        candidates << languageOf(ui);
    candidates << QStringLiteral("en");
    for (const QString &language : candidates) {
        if (language.isEmpty())
            continue;
        QFile file(folder + QLatin1Char('/') + language + QStringLiteral(".strings"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        m_language = language;
        m_table = parseTable(file.readAll());
        return;
    }
}

QString ResourceStringTable::localizedString(const QString &key) const
{
    return m_table.value(key, key);
}

} // namespace Skylarn
