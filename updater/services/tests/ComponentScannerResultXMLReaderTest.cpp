#include "updater/services/ComponentScannerResultXMLReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class ResultReaderTest : public ::testing::Test {
protected:
    QString write(const QByteArray& content)
    {
        const QString path = dir.filePath(QStringLiteral("result-%1.xml").arg(++files));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    // "id/medium/installed/osx win32 win64" per package.
    static QStringList describe(const ComponentenScannerScanningOutput& output)
    {
        QStringList result;
        for (const ComponentenScannerPackage& p : output.packages()) {
            result << QStringLiteral("%1/%2/%3/%4%5%6")
                          .arg(p.id(), p.mediumVersion(), p.installedVersion())
                          .arg(int(p.osx()))
                          .arg(int(p.win32()))
                          .arg(int(p.win64()));
        }
        return result;
    }

    QTemporaryDir dir;
    int files = 0;
    ComponentScannerResultXMLReader reader{nullptr};
};

const QByteArray kValid = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<scanning-output>\n    <packages>\n"
                          "        <package id=\"com.holmgrave.pkg.Core\" medium-version=\"4.2.0\" "
                          "installed-version=\"4.1.0\" osx=\"true\"/>\n    </packages>\n"
                          "    <original-installer-path>/Volumes/Medium/Installer</original-installer-path>\n"
                          "    <installer-info>/home/u/.com.holmgrave.studio.xml</installer-info>\n"
                          "    <product-id>com.holmgrave.studio</product-id>\n"
                          "    <medium-id>MEDIUM-42</medium-id>\n</scanning-output>";

} // namespace

TEST_F(ResultReaderTest, ReadsWhatTheFileHolds)
{
    const struct {
        const char* name;
        QByteArray xml;
        bool ok;
        QStringList packages;
    } cases[] = {
        {"script output", kValid, true, {QStringLiteral("com.holmgrave.pkg.Core/4.2.0/4.1.0/100")}},
        {"empty packages", "<scanning-output><packages/></scanning-output>", true, {}},
        {"id only", "<scanning-output><packages><package id=\"a\"/></packages></scanning-output>", true,
         {QStringLiteral("a/n/a/n/a/000")}},
        {"flag spellings",
         "<scanning-output><packages><package id=\"a\" osx=\"TRUE\" win32=\"True\" win64=\"yes\"/>"
         "<package id=\"b\" osx=\"false\" win64=\"tRuE\" ID=\"x\"/></packages></scanning-output>",
         true, {QStringLiteral("a/n/a/n/a/110"), QStringLiteral("b/n/a/n/a/001")}},
        {"package children and other elements skipped",
         "<scanning-output><extra><packages/></extra><packages><note/><package id=\"a\"><x/></package>"
         "</packages></scanning-output>",
         true, {QStringLiteral("a/n/a/n/a/000")}},
        {"first child of another root", "<report><scanning-output><packages/></scanning-output></report>", true, {}},
        {"second child of another root", "<report><x/><scanning-output><packages/></scanning-output></report>",
         false, {}},
        {"no packages", "<scanning-output><product-id>p</product-id></scanning-output>", false, {}},
        {"package without attributes", "<scanning-output><packages><package id=\"a\"/><package/></packages>"
                                       "</scanning-output>",
         false, {QStringLiteral("a/n/a/n/a/000")}},
        {"empty file", "", false, {}},
        {"not XML", "scanning-output", false, {}},
        {"truncated", kValid.left(kValid.indexOf("<medium-id>") + 14), false,
         {QStringLiteral("com.holmgrave.pkg.Core/4.2.0/4.1.0/100")}},
        {"cut inside packages", kValid.left(kValid.indexOf("</packages>")), false,
         {QStringLiteral("com.holmgrave.pkg.Core/4.2.0/4.1.0/100")}},
        {"garbage after the root", kValid + "<scanning-output>", false,
         {QStringLiteral("com.holmgrave.pkg.Core/4.2.0/4.1.0/100")}},
        {"stray end tag after the root", kValid + "</packages>", false,
         {QStringLiteral("com.holmgrave.pkg.Core/4.2.0/4.1.0/100")}},
        {"element inside a text element",
         "<scanning-output><packages/><medium-id>a<b/></medium-id></scanning-output>", false, {}},
        {"repeated attribute", "<scanning-output><packages><package id=\"a\" id=\"b\"/></packages></scanning-output>",
         false, {}},
        {"undefined entity", "<scanning-output><packages/><medium-id>&nope;</medium-id></scanning-output>", false,
         {}},
    };
    for (const auto& c : cases) {
        ComponentenScannerScanningOutput output;
        EXPECT_EQ(reader.read(write(c.xml), output), c.ok) << c.name;
        EXPECT_EQ(describe(output), c.packages) << c.name;
    }
}

TEST_F(ResultReaderTest, ReadsAddToTheRecordAndKeepMissingTexts)
{
    ComponentenScannerScanningOutput output;
    ASSERT_TRUE(reader.read(write(kValid), output));
    EXPECT_EQ(output.originalInstallerPath(), QStringLiteral("/Volumes/Medium/Installer"));
    EXPECT_EQ(output.installerInfo(), QStringLiteral("/home/u/.com.holmgrave.studio.xml"));
    EXPECT_EQ(output.productId(), QStringLiteral("com.holmgrave.studio"));
    EXPECT_EQ(output.mediumId(), QStringLiteral("MEDIUM-42"));

    ASSERT_TRUE(reader.read(write("<scanning-output><packages><package id=\"b\"/></packages>"
                                  "<medium-id></medium-id></scanning-output>"),
                            output));
    EXPECT_EQ(output.packages().size(), 2);
    EXPECT_EQ(output.installerInfo(), QStringLiteral("/home/u/.com.holmgrave.studio.xml"));
    EXPECT_TRUE(output.mediumId().isEmpty());
}

TEST_F(ResultReaderTest, OnlyRegularFilesAreRead)
{
    const QString fifo = dir.filePath(QStringLiteral("result.xml"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ComponentenScannerScanningOutput output;
    EXPECT_FALSE(reader.read(fifo, output));
    EXPECT_TRUE(reader.readFileText(fifo).isEmpty());
    EXPECT_FALSE(reader.read(dir.filePath(QStringLiteral("missing.xml")), output));
    EXPECT_FALSE(reader.read(dir.path(), output));

    const QString path = write(kValid);
    EXPECT_EQ(reader.readFileText(path), QString::fromUtf8(kValid));
}
