#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/services/InstallerLauncher.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/StandInProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

// The platform's open command replaced by a recording stand-in on PATH for
// the test's lifetime.
class InstallerLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPath_ = qgetenv("PATH");
        writeRecordingStandInProgram(dir_.filePath(QStringLiteral("bin")), QString::fromLatin1(platform::kOpenCommand),
                                     record());
        qputenv("PATH", QFile::encodeName(dir_.filePath(QStringLiteral("bin"))) + ':' + savedPath_);
    }
    void TearDown() override { qputenv("PATH", savedPath_); }

    QString record() const { return dir_.filePath(QStringLiteral("open-arguments")); }
    QString medium() const { return dir_.filePath(QStringLiteral("My Medium")); }
    QString openFormat() const { return QString::fromLatin1(platform::kOpenCommand) + QStringLiteral(" \"%1\""); }

    // Launches and returns the emitted outcomes.
    QList<bool> launch(const QString& format, const QString& artifactsFile)
    {
        InstallerLauncher launcher(format, medium(), QStringLiteral("."), &starter_);
        QList<bool> outcomes;
        QObject::connect(&launcher, &AbstractInstallerLauncher::installerStartedState,
                         [&outcomes](bool started) { outcomes << started; });
        launcher.launchInstaller(artifactsFile);
        return outcomes;
    }

    QTemporaryDir dir_;
    QByteArray savedPath_;
    DetachedQProcessStarter starter_;
};

} // namespace

TEST_F(InstallerLaunch, FindsTheOnePackageFileInAnyLetterCaseAndIgnoresFoldersAndHiddenFiles)
{
    QDir().mkpath(medium() + QStringLiteral("/Folder.pkg"));
    touch(medium() + QStringLiteral("/.hidden.pkg"));
    touch(medium() + QStringLiteral("/Readme.txt"));
    InstallerLauncher launcher(openFormat(), medium(), QString(), &starter_);
    EXPECT_EQ(launcher.findMacInstallerPackage(), QString());

    touch(medium() + QStringLiteral("/Product Installer.PKG"));
    EXPECT_EQ(launcher.findMacInstallerPackage(),
              QFileInfo(medium() + QStringLiteral("/Product Installer.PKG")).canonicalFilePath());

    // No medium known: the current folder is not searched in its place.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(medium());
    InstallerLauncher nowhere(openFormat(), QString(), QString(), &starter_);
    EXPECT_EQ(nowhere.findMacInstallerPackage(), QString());
    QDir::setCurrent(saved);
}

TEST_F(InstallerLaunch, OpensThePackageAsOneArgumentWithOrWithoutAnInformationFile)
{
    touch(medium() + QStringLiteral("/Product Installer.pkg"));
    const QString package = QFileInfo(medium() + QStringLiteral("/Product Installer.pkg")).canonicalFilePath();
    for (const QString& artifactsFile : {QString(), dir_.filePath(QStringLiteral("info.xml"))}) {
        QFile::remove(record());
        EXPECT_EQ(launch(openFormat(), artifactsFile), QList<bool>{true});
        bool recorded = false;
        EXPECT_EQ(waitForRecordedArguments(record(), &recorded), QStringList{package});
    }
}

TEST_F(InstallerLaunch, NoPackageAnEmptyFormatOrAFailingStartReportFalseOnce)
{
    RecordingLogAppender log;
    EXPECT_EQ(launch(openFormat(), QString()), QList<bool>{false});
    touch(medium() + QStringLiteral("/p.pkg"));
    EXPECT_EQ(launch(QString(), QString()), QList<bool>{false});
    EXPECT_EQ(launch(QStringLiteral("/nonexistent/open \"%1\""), QString()), QList<bool>{false});
    EXPECT_EQ(log.lines().filter(QStringLiteral("Failed to launch installer with Xml Artifact file.")).size(), 3);
}

TEST_F(InstallerLaunch, PackagePathWithADoubleQuoteIsRefusedWithAnError)
{
    touch(medium() + QStringLiteral("/Product \" Installer.pkg"));
    RecordingLogAppender log;
    EXPECT_EQ(launch(openFormat(), QString()), QList<bool>{false});
    EXPECT_TRUE(log.contains(QStringLiteral("double quote")));
    EXPECT_FALSE(log.contains(QStringLiteral("cmd line: ")));
}
