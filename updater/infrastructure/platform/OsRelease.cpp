#include "updater/infrastructure/platform/OsRelease.h"

#include <QList>
#include <QStringList>

namespace {

bool isKeyCharacter(char c, bool first)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
        return true;
    return !first && c >= '0' && c <= '9';
}

QByteArray unquote(const QByteArray& raw)
{
    const QByteArray value = raw.trimmed();
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return value.mid(1, value.size() - 2);
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    QByteArray result;
    const QByteArray inner = value.mid(1, value.size() - 2);
    for (int i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == '\\' && i + 1 < inner.size())
            ++i;
        result.append(inner.at(i));
    }
    return result;
}

} // namespace

QMap<QString, QString> parseOsRelease(const QByteArray& content)
{
    QMap<QString, QString> fields;
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray& rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals);
        bool validKey = true;
        for (int i = 0; i < key.size() && validKey; ++i)
            validKey = isKeyCharacter(key.at(i), i == 0);
        if (!validKey)
            continue;
        fields.insert(QString::fromLatin1(key), QString::fromUtf8(unquote(line.mid(equals + 1))));
    }
    return fields;
}

namespace {

// Debian's release codenames and numbers, oldest that matters first.
const QMap<QString, QString>& debianCodenames()
{
    static const QMap<QString, QString> table = {
        {QStringLiteral("buster"), QStringLiteral("10")}, {QStringLiteral("bullseye"), QStringLiteral("11")},
        {QStringLiteral("bookworm"), QStringLiteral("12")}, {QStringLiteral("trixie"), QStringLiteral("13")},
        {QStringLiteral("forky"), QStringLiteral("14")},
    };
    return table;
}

QString padded(const QString& version)
{
    return version.contains(QLatin1Char('.')) ? version : version + QStringLiteral(".0");
}

} // namespace

QString comparableDebianRelease(const QMap<QString, QString>& osRelease, QString* whyNot)
{
    const QString id = osRelease.value(QStringLiteral("ID")).trimmed();
    const QString versionId = osRelease.value(QStringLiteral("VERSION_ID")).trimmed();
    const QStringList like = osRelease.value(QStringLiteral("ID_LIKE")).simplified().split(QLatin1Char(' '));
    auto skip = [whyNot](const QString& reason) {
        if (whyNot)
            *whyNot = reason;
        return QString();
    };
    if (id != QLatin1String("debian") && !like.contains(QStringLiteral("debian")))
        return skip(QStringLiteral("not a Debian system"));
    if (versionId.isEmpty())
        return skip(QStringLiteral("no VERSION_ID"));
    if (id == QLatin1String("debian"))
        return padded(versionId);
    QString codename = osRelease.value(QStringLiteral("DEBIAN_CODENAME")).trimmed();
    if (codename.isEmpty())
        codename = osRelease.value(QStringLiteral("VERSION_CODENAME")).trimmed();
    const QString release = debianCodenames().value(codename);
    if (release.isEmpty())
        return skip(QStringLiteral("derives from a Debian release we do not know"));
    return padded(release);
}
