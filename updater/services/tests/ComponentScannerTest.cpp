#include "updater/services/ComponentScanner.h"

#include "updater/services/ComponentScannerResultXMLReader.h"
#include "updater/services/ContextCollectStarter.h"
#include "updater/testsupport/ComponentScanFixture.h"
#include "updater/testsupport/RecordingLogAppender.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Package = ComponentScanFixture::Package;

const QList<Package> kStudioPackages = {
    {QStringLiteral("Core"), QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.2.0")},
    {QStringLiteral("Content"), QStringLiteral("com.holmgrave.pkg.Content"), QStringLiteral("1.0.3")},
};

// The real collector script under the system's ruby, the package tools as
// stand-ins.
class ComponentScannerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(workingDir);
        fixture.setInstalledPackages({{QStringLiteral("com.apple.pkg.Safari"), QStringLiteral("17.1")},
                                      {QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.1.0")},
                                      {QStringLiteral("com.holmgrave.pkg.Legacy"), QStringLiteral("0.9")}});
        scanner = std::make_unique<ComponentScanner>(workingDir, new ComponentScannerResultXMLReader(nullptr),
                                                     new ContextCollectStarter(workingDir, nullptr),
                                                     fixture.mediumDir(), nullptr);
    }
    void TearDown() override
    {
        scanner.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool scanWithStandIns()
    {
        ScopedVariable path("PATH", fixture.pathWithStandIns().toLocal8Bit());
        return scanner->scan();
    }

    static QString home() { return QDir::homePath(); }

    QTemporaryDir dir;
    QString workingDir = dir.path() + QStringLiteral("/work/");
    ComponentScanFixture fixture{dir.path() + QStringLiteral("/scan")};
    RecordingLogAppender log;
    std::unique_ptr<ComponentScanner> scanner;
};

} // namespace

TEST_F(ComponentScannerTest, ScanOfAMediumWritesTheResultInItsFormat)
{
    ASSERT_TRUE(fixture.writeInstallerPackage(QStringLiteral("Holmgrave Studio.pkg"),
                                              ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
                                              kStudioPackages));
    fixture.writeMediumId(0, "  MEDIUM-42\n");

    ASSERT_TRUE(scanWithStandIns());
    const QString expected
        = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "\n"
                         "<scanning-output>\n"
                         "    <packages>\n"
                         "        <package id=\"com.holmgrave.pkg.Content\" medium-version=\"1.0.3\" "
                         "installed-version=\"n/a\" osx=\"true\"/>\n"
                         "        <package id=\"com.holmgrave.pkg.Core\" medium-version=\"4.2.0\" "
                         "installed-version=\"4.1.0\" osx=\"true\"/>\n"
                         "        <package id=\"com.holmgrave.pkg.Legacy\" medium-version=\"n/a\" "
                         "installed-version=\"0.9\" osx=\"true\"/>\n"
                         "    </packages>\n"
                         "    <original-installer-path>%1</original-installer-path>\n"
                         "    <installer-info>%2/.com.holmgrave.studio.xml</installer-info>\n"
                         "    <product-id>com.holmgrave.studio</product-id>\n"
                         "    <medium-id>MEDIUM-42</medium-id>\n"
                         "</scanning-output>")
              .arg(fixture.mediumDir(), home());
    EXPECT_EQ(scanner->resultXml().toStdString(), expected.toStdString());
    EXPECT_EQ(scanner->artifactsFilePath(), home() + QStringLiteral("/.com.holmgrave.studio.xml"));
    EXPECT_EQ(scanner->installerDirPath(), fixture.mediumDir());
    EXPECT_TRUE(log.contains(QStringLiteral("Component Scanner succeeded.")));
}

TEST_F(ComponentScannerTest, TwoInstallersOnTheMediumCountAsNone)
{
    for (const QString& name : {QStringLiteral("A.pkg"), QStringLiteral("B.pkg")}) {
        ASSERT_TRUE(fixture.writeInstallerPackage(
            name, ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")), kStudioPackages));
    }
    ASSERT_TRUE(scanWithStandIns());
    const QString xml = scanner->resultXml();
    EXPECT_TRUE(xml.contains(QStringLiteral("<product-id></product-id>"))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("com.holmgrave.pkg.Content")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<package id=\"com.holmgrave.pkg.Core\" medium-version=\"n/a\" "
                                            "installed-version=\"4.1.0\" osx=\"true\"/>")));
    EXPECT_EQ(scanner->artifactsFilePath(), home() + QStringLiteral("/..xml"));
}

TEST_F(ComponentScannerTest, WithoutAnInstallerOnlyTheInstalledPackagesAreListed)
{
    ASSERT_TRUE(scanWithStandIns());
    const QString xml = scanner->resultXml();
    EXPECT_EQ(xml.count(QStringLiteral("<package ")), 2) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<package id=\"com.holmgrave.pkg.Legacy\" medium-version=\"n/a\" "
                                            "installed-version=\"0.9\" osx=\"true\"/>")));
    EXPECT_FALSE(xml.contains(QStringLiteral("Safari")));
}

TEST_F(ComponentScannerTest, MediumIdIsFoundUpToThreeFoldersAbove)
{
    fixture.writeMediumId(4, "TOO-FAR");
    ASSERT_TRUE(scanWithStandIns());
    EXPECT_TRUE(scanner->resultXml().contains(QStringLiteral("<medium-id></medium-id>")));

    fixture.writeMediumId(3, "DISC-7\n");
    ASSERT_TRUE(scanWithStandIns());
    EXPECT_TRUE(scanner->resultXml().contains(QStringLiteral("<medium-id>DISC-7</medium-id>")));
}

TEST_F(ComponentScannerTest, MissingDistributionFailsWithItsCodeAndKeepsTheDefaultPath)
{
    ASSERT_TRUE(fixture.writeInstallerPackage(QStringLiteral("Studio.pkg"), QByteArray(), kStudioPackages));
    EXPECT_FALSE(scanWithStandIns());
    EXPECT_TRUE(log.contains(QStringLiteral("Component Scanner timed out or failed. :: error code: 140 (NORMAL EXIT)")));
    EXPECT_TRUE(log.contains(QStringLiteral("DETAILED Component Scanner error 140 occured.")));
    EXPECT_TRUE(log.contains(QStringLiteral("Exception Message: Distribution File missing")));
    EXPECT_EQ(scanner->artifactsFilePath(), ComponentScanner::defaultArtifactsFilePath());
}

TEST_F(ComponentScannerTest, WithoutThePackageToolOrRubyTheScanFails)
{
    // Debian has no pkgutil: the script ends with its documented code and
    // writes no error.log.
    EXPECT_FALSE(scanner->scan());
    EXPECT_TRUE(log.contains(QStringLiteral("error code: 101 (NORMAL EXIT)")));
    EXPECT_FALSE(QFile::exists(workingDir + QStringLiteral("error.log")));
    EXPECT_EQ(scanner->artifactsFilePath(), ComponentScanner::defaultArtifactsFilePath());
    EXPECT_TRUE(scanner->resultXml().isEmpty());

    log.clear();
    {
        ScopedVariable noRuby("PATH", QFile::encodeName(dir.path() + QStringLiteral("/nowhere")));
        EXPECT_FALSE(scanner->scan());
    }
    EXPECT_TRUE(log.contains(QStringLiteral("Component Scanner timed out or failed.")));
}

TEST_F(ComponentScannerTest, ALongErrorLogIsLoggedUpToItsLimit)
{
    QFile errorLog(workingDir + QStringLiteral("error.log"));
    ASSERT_TRUE(errorLog.open(QIODevice::WriteOnly));
    errorLog.write(QByteArray(20000, 'x'));
    errorLog.close();
    EXPECT_FALSE(scanner->scan());
    EXPECT_TRUE(log.contains(QStringLiteral("occured. :: ") + QString(16384, QLatin1Char('x'))));
    EXPECT_FALSE(log.contains(QString(16385, QLatin1Char('x'))));
}

// One row per id, each a whole scan.
namespace {

class HostileProductId : public ComponentScannerTest, public ::testing::WithParamInterface<const char*> {};

std::string hostileIdName(const ::testing::TestParamInfo<const char*>& info)
{
    static const char* const names[] = {"UpTwoFolders", "UpOutOfAFolder", "Backslashes", "EmptyPart", "Hidden", "Empty"};
    return names[info.index];
}

} // namespace

TEST_P(HostileProductId, IsRejected)
{
    const char* id = GetParam();
    ASSERT_TRUE(fixture.writeInstallerPackage(QStringLiteral("Studio.pkg"),
                                              ComponentScanFixture::distribution(QString::fromLatin1(id)),
                                              kStudioPackages));
    EXPECT_FALSE(scanWithStandIns()) << id;
    EXPECT_TRUE(log.contains(QStringLiteral("Exception Message: MainBundleId not specified in Distribution File")))
        << id;
    EXPECT_EQ(scanner->artifactsFilePath(), ComponentScanner::defaultArtifactsFilePath()) << id;
}

INSTANTIATE_TEST_SUITE_P(ComponentScannerTest, HostileProductId,
                         ::testing::Values("../../.bashrc", "com.holmgrave/../../x", "a\\\\b", "com..holmgrave",
                                           ".hidden", ""),
                         hostileIdName);

TEST_F(ComponentScannerTest, HostileArchiveEntriesAreNotExtracted)
{
    const QString outside = dir.path() + QStringLiteral("/outside");
    ASSERT_TRUE(fixture.writeInstallerPackage(
        QStringLiteral("Studio.pkg"), ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
        kStudioPackages,
        {QStringLiteral("../../escape.pkg/PackageInfo"), outside + QStringLiteral("/escape.pkg/PackageInfo"),
         QStringLiteral("Sub/../../up.pkg/PackageInfo")}));
    ASSERT_TRUE(scanWithStandIns());
    EXPECT_EQ(fixture.extractedEntries(),
              QStringList({QStringLiteral("Distribution"), QStringLiteral("Core.pkg/PackageInfo"),
                           QStringLiteral("Content.pkg/PackageInfo")}));
    EXPECT_FALSE(QFile::exists(outside));
    EXPECT_FALSE(scanner->resultXml().contains(QStringLiteral("Hostile")));
}

// The collector's texts are UTF-8 whatever the locale says: under LANG=C a
// medium path and a medium id beyond ASCII once made it fail with 120.
TEST_F(ComponentScannerTest, NonAsciiMediumPathAndIdScanUnderTheCLocale)
{
    ComponentScanFixture medium(dir.path() + QStringLiteral("/Médium"));
    ASSERT_TRUE(medium.writeInstallerPackage(QStringLiteral("Studio.pkg"),
                                             ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
                                             kStudioPackages));
    medium.writeMediumId(0, "DISQUE-É\n");
    ComponentScanner scanner(workingDir, new ComponentScannerResultXMLReader(nullptr),
                             new ContextCollectStarter(workingDir, nullptr), medium.mediumDir(), nullptr);
    ScopedVariable path("PATH", medium.pathWithStandIns().toLocal8Bit());
    ScopedVariable locale("LC_ALL", "C");
    ASSERT_TRUE(scanner.scan()) << log.lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(scanner.resultXml().contains(QStringLiteral("<medium-id>DISQUE-É</medium-id>")));
    EXPECT_TRUE(scanner.resultXml().contains(medium.mediumDir()));
}
