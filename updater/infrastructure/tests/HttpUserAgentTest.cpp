#include "updater/infrastructure/HttpUserAgent.h"
#include "updater/infrastructure/SystemInformation.h"

#include <gtest/gtest.h>

namespace {

class FixedSystemInformation : public SystemInformation {
public:
    int getPlatform() override { return 0; }
    QString getClientBits() override { return clientBits; }
    QString getOSBits() override { return QStringLiteral("64"); }
    QString getOSName(bool) override { return osName; }
    QString getOSVersion(bool) override { return QStringLiteral("10.15.7"); }
    QStringList getOSLanguage() override { return languages; }

    QString clientBits = QStringLiteral("64");
    QString osName = QStringLiteral("Mac OS X");
    QStringList languages = {QStringLiteral("de-DE"), QStringLiteral("en")};
};

class HttpUserAgentTest : public ::testing::Test {
protected:
    // Later tests in this binary must see the machine's real values again.
    void TearDown() override { HttpUserAgent::getInstance(SystemInformation::getInstance()); }

    HttpUserAgent* agentFor(FixedSystemInformation& system)
    {
        HttpUserAgent* agent = HttpUserAgent::getInstance(&system);
        agent->setProductName(QStringLiteral("Pathwarden"));
        agent->setVersion(QStringLiteral("1.16.0.436"));
        return agent;
    }
};

} // namespace

TEST_F(HttpUserAgentTest, ListsSystemKeysSortedAndEndsWithTheWebAddress)
{
    FixedSystemInformation system;
    HttpUserAgent* agent = agentFor(system);
    agent->setUrl(QStringLiteral("https://www.example.com/holmgrave"));
    EXPECT_EQ(agent->toString(),
              QStringLiteral("Pathwarden/1.16.0.436 ({\"ClientBits\":\"64\",\"OSBits\":\"64\",\"OSLanguage\":\"de-DE\","
                             "\"OSName\":\"Mac OS X\",\"OSVersion\":\"10.15.7\"}; +https://www.example.com/holmgrave)"));
    EXPECT_EQ(HttpUserAgent::getInstance(), agent);
}

TEST_F(HttpUserAgentTest, EmptyValuesLeaveTheirPartsOut)
{
    FixedSystemInformation system;
    system.languages.clear();
    system.osName.clear();
    HttpUserAgent* agent = agentFor(system);
    agent->setUrl(QString());
    EXPECT_EQ(agent->toString(), QStringLiteral("Pathwarden/1.16.0.436 ({\"ClientBits\":\"64\",\"OSBits\":\"64\","
                                                "\"OSVersion\":\"10.15.7\"})"));
}

TEST_F(HttpUserAgentTest, PlaceholdersInsideValuesAreNotFilledAgain)
{
    FixedSystemInformation system;
    system.osName = QStringLiteral("OS %2 %4");
    HttpUserAgent* agent = agentFor(system);
    agent->setProductName(QStringLiteral("Path%1warden%3"));
    agent->setVersion(QStringLiteral("1%4"));
    agent->setUrl(QStringLiteral("https://h/%2%20x"));
    const QString text = agent->toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Path%1warden%3/1%4 ({"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("\"OSName\":\"OS %2 %4\""))) << qPrintable(text);
    EXPECT_TRUE(text.endsWith(QStringLiteral("; +https://h/%2%20x)"))) << qPrintable(text);
}
