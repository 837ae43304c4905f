#include "updater/infrastructure/platform/OsRelease.h"

#include <QList>

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
