#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

class Logger;
class QObject;
class QString;
class RESTResponse;

// JSON text to nested QVariantMap / QVariantList / QString / double / bool;
// JSON null becomes an invalid QVariant, and so does a text that does not
// parse (reported through *ok when given).
QVariant jsonToVariant(const QByteArray& json, bool* ok = nullptr);

// A server's answer to question (the asking function's name) at url, its
// body read as jsonToVariant does. A body that is not JSON is logged as an
// error with the address and the body, and gives an invalid QVariant and
// *ok false. A call that was cancelled brought no answer at all: the same
// result, logged as the cancel it was.
QVariant jsonAnswer(const RESTResponse& response, const QString& question, const QString& url, Logger* logger,
                    bool* ok = nullptr);

// A map (or, at the top level, a hash, written with sorted keys) becomes an
// object and a list an array, in Qt's indented layout; any other value gives
// an empty text and *ok false.
QByteArray variantToJson(const QVariant& value, bool* ok = nullptr);

// The readable Qt properties of an object, without "objectName".
QVariantMap objectToVariantMap(const QObject* object);

// Sets each property named in the map that the object already has a value
// for, converting to the property's current type where possible.
void variantMapToObject(const QVariantMap& map, QObject* object);
