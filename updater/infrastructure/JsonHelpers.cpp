#include "updater/infrastructure/JsonHelpers.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/RESTResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QMetaProperty>
#include <QObject>
#include <QVariantHash>
#include <QVariantList>

namespace {

QVariant toVariant(const QJsonValue& value);

QVariantMap toVariantMap(const QJsonObject& object)
{
    QVariantMap map;
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), toVariant(it.value()));
    return map;
}

QVariantList toVariantList(const QJsonArray& array)
{
    QVariantList list;
    list.reserve(array.size());
    for (const QJsonValue& element : array)
        list.append(toVariant(element));
    return list;
}

// Qt's own conversion turns null into a nullptr variant; callers test
// isValid() for absent values, so null must become an invalid variant.
QVariant toVariant(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool: return value.toBool();
    case QJsonValue::Double: return value.toDouble();
    case QJsonValue::String: return value.toString();
    case QJsonValue::Array: return toVariantList(value.toArray());
    case QJsonValue::Object: return toVariantMap(value.toObject());
    case QJsonValue::Null:
    case QJsonValue::Undefined: return QVariant();
    }
    return QVariant();
}

} // namespace

QVariant jsonToVariant(const QByteArray& json, bool* ok)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const bool parsed = error.error == QJsonParseError::NoError && !document.isNull();
    if (ok)
        *ok = parsed;
    if (!parsed)
        return QVariant();
    if (document.isObject())
        return toVariantMap(document.object());
    if (document.isArray())
        return toVariantList(document.array());
    return QVariant();
}

QVariant jsonAnswer(const RESTResponse& response, const QString& question, const QString& url, Logger* logger,
                    bool* ok)
{
    if (response.cancelled()) {
        logger->info(QStringLiteral("Request of ") + question + QStringLiteral(" cancelled."),
                     QStringLiteral("URL: ") + url);
        if (ok)
            *ok = false;
        return QVariant();
    }
    bool parsed = false;
    const QVariant document = jsonToVariant(response.body.toUtf8(), &parsed);
    if (!parsed)
        logger->error(QStringLiteral("JSON Response from ") + question + QStringLiteral(" not parsable."),
                      QStringLiteral("URL: ") + url + QStringLiteral("\nJSON: ") + response.body);
    if (ok)
        *ok = parsed;
    return document;
}

QByteArray variantToJson(const QVariant& value, bool* ok)
{
    QVariant copy = value;
    if (copy.userType() == QMetaType::QVariantHash) {
        const QVariantHash hash = copy.toHash();
        QVariantMap map;
        for (auto it = hash.begin(); it != hash.end(); ++it)
            map.insert(it.key(), it.value());
        copy = map;
    }
    QJsonDocument document;
    const int type = copy.userType();
    if (type == QMetaType::QVariantMap)
        document = QJsonDocument(QJsonObject::fromVariantMap(copy.toMap()));
    else if (type == QMetaType::QVariantList)
        document = QJsonDocument(QJsonArray::fromVariantList(copy.toList()));
    else if (type == QMetaType::QStringList)
        document = QJsonDocument(QJsonArray::fromStringList(copy.toStringList()));
    if (ok)
        *ok = !document.isNull();
    if (document.isNull())
        return QByteArray();
    return document.toJson(QJsonDocument::Indented);
}

QVariantMap objectToVariantMap(const QObject* object)
{
    QVariantMap map;
    if (!object)
        return map;
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isReadable())
            continue;
        const QString name = QString::fromLatin1(property.name());
        if (name == QLatin1String("objectName"))
            continue;
        map.insert(name, property.read(object));
    }
    return map;
}

void variantMapToObject(const QVariantMap& map, QObject* object)
{
    if (!object)
        return;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const QByteArray name = it.key().toLatin1();
        const QVariant current = object->property(name.constData());
        if (!current.isValid())
            continue;
        QVariant value = it.value();
        if (value.canConvert(current.userType()) && value.convert(current.userType()))
            object->setProperty(name.constData(), value);
        else if (qstrcmp(current.typeName(), "QVariant") == 0)
            object->setProperty(name.constData(), it.value());
    }
}
