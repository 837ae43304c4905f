#include "updater/infrastructure/JsonHelpers.h"

#include <QObject>
#include <QVariantHash>
#include <QVariantList>

#include <gtest/gtest.h>

namespace {

class Record : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(int size READ size WRITE setSize)
    Q_PROPERTY(QVariant anything READ anything WRITE setAnything)
    Q_PROPERTY(QString computed READ computed)

public:
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    int size() const { return size_; }
    void setSize(int size) { size_ = size; }
    QVariant anything() const { return anything_; }
    void setAnything(const QVariant& anything) { anything_ = anything; }
    QString computed() const { return QStringLiteral("c"); }

private:
    QString name_;
    int size_ = 0;
    QVariant anything_ = QVariant(0);
};

} // namespace

TEST(JsonToVariant, ObjectsArraysAndScalarsBecomeTheirVariantForms)
{
    bool ok = false;
    const QVariant value =
        jsonToVariant(R"({"b":[1,{"x":true}],"a":"text","n":null,"size":1048576})", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(value.userType(), QMetaType::QVariantMap);
    const QVariantMap map = value.toMap();
    EXPECT_EQ(map.keys(), (QStringList{"a", "b", "n", "size"}));
    EXPECT_EQ(map.value("a").toString(), QStringLiteral("text"));
    EXPECT_EQ(map.value("size").userType(), QMetaType::Double);
    EXPECT_EQ(map.value("size").toLongLong(), 1048576);
    EXPECT_FALSE(map.value("n").isValid());
    const QVariantList list = map.value("b").toList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(1).toMap().value("x").userType(), QMetaType::Bool);
}

TEST(JsonToVariant, ArrayOfObjectsIsAListOfMaps)
{
    bool ok = false;
    const QVariant value = jsonToVariant(R"([{"a":1},{"b":2}])", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(value.userType(), QMetaType::QVariantList);
    EXPECT_EQ(value.toList().at(1).toMap().value("b").toInt(), 2);
}

TEST(JsonToVariant, BadOrScalarDocumentsFailWithAnInvalidVariant)
{
    for (const char* text : {"", "null", "42", "\"s\"", "{", "[1,]", "{\"a\":}", "<html>"}) {
        bool ok = true;
        EXPECT_FALSE(jsonToVariant(QByteArray(text), &ok).isValid()) << text;
        EXPECT_FALSE(ok) << text;
    }
    EXPECT_FALSE(jsonToVariant("{").isValid());
}

TEST(VariantToJson, MapsListsAndTopLevelHashesWithSortedKeys)
{
    QVariantHash hash;
    hash.insert(QStringLiteral("b"), 2);
    hash.insert(QStringLiteral("a"), QStringLiteral("x"));
    bool ok = false;
    const QByteArray json = variantToJson(hash, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(json, QByteArray("{\n    \"a\": \"x\",\n    \"b\": 2\n}\n"));

    EXPECT_EQ(variantToJson(QVariantList{1, QStringLiteral("t")}, &ok), QByteArray("[\n    1,\n    \"t\"\n]\n"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(variantToJson(QStringList{QStringLiteral("a")}, &ok), QByteArray("[\n    \"a\"\n]\n"));
    EXPECT_TRUE(ok);
}

TEST(VariantToJson, NonContainerValuesFailWithEmptyText)
{
    bool ok = true;
    EXPECT_TRUE(variantToJson(QStringLiteral("plain"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_TRUE(variantToJson(QVariant(), &ok).isEmpty());
    EXPECT_FALSE(ok);
}

TEST(JsonRoundTrip, ParsedServerAnswerWritesBackToTheSameDocument)
{
    const QByteArray original = R"({"links":[{"href":"https://h/rest/x","rel":"downloadclient"}],"total":3.5})";
    bool ok = false;
    const QVariant parsed = jsonToVariant(original, &ok);
    ASSERT_TRUE(ok);
    const QVariant again = jsonToVariant(variantToJson(parsed), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(again, parsed);
}

TEST(ObjectProperties, CopiedToAMapWithoutObjectName)
{
    EXPECT_TRUE(objectToVariantMap(nullptr).isEmpty());
    Record record;
    record.setObjectName(QStringLiteral("ignored"));
    record.setName(QStringLiteral("n"));
    record.setSize(5);
    const QVariantMap map = objectToVariantMap(&record);
    EXPECT_FALSE(map.contains(QStringLiteral("objectName")));
    EXPECT_EQ(map.value(QStringLiteral("name")).toString(), QStringLiteral("n"));
    EXPECT_EQ(map.value(QStringLiteral("size")).toInt(), 5);
    EXPECT_EQ(map.value(QStringLiteral("computed")).toString(), QStringLiteral("c"));
}

TEST(ObjectProperties, MapWritesKnownPropertiesConvertingTypes)
{
    Record record;
    QVariantMap map;
    map.insert(QStringLiteral("name"), QStringLiteral("from map"));
    map.insert(QStringLiteral("size"), QStringLiteral("42"));
    map.insert(QStringLiteral("unknown"), 1);
    variantMapToObject(map, &record);
    EXPECT_EQ(record.name(), QStringLiteral("from map"));
    EXPECT_EQ(record.size(), 42);
    EXPECT_FALSE(record.property("unknown").isValid());

    // A server answer holds doubles; they land in int properties.
    bool ok = false;
    variantMapToObject(jsonToVariant(R"({"size":7})", &ok).toMap(), &record);
    EXPECT_EQ(record.size(), 7);
}

#include "JsonHelpersTest.moc"
