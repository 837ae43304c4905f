#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/services/InstallerLauncher.h"
#include "updater/testsupport/RecordingLogAppender.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QFile(path).open(QIODevice::WriteOnly);
}

} // namespace

TEST(InstallerLaunch, FindsThePackageFileInAnyLetterCaseIgnoringFoldersHiddenFilesAndTheCurrentFolder)
{
    QTemporaryDir medium;
    DetachedQProcessStarter starter;
    QDir(medium.path()).mkdir(QStringLiteral("Folder.pkg"));
    touch(medium.filePath(QStringLiteral(".hidden.pkg")));
    touch(medium.filePath(QStringLiteral("Readme.txt")));
    InstallerLauncher launcher(QStringLiteral("open \"%1\""), medium.path(), QString(), &starter);
    EXPECT_EQ(launcher.findMacInstallerPackage(), QString());

    touch(medium.filePath(QStringLiteral("Product Installer.PKG")));
    EXPECT_EQ(launcher.findMacInstallerPackage(),
              QFileInfo(medium.filePath(QStringLiteral("Product Installer.PKG"))).canonicalFilePath());

    // No medium known: the current folder is not searched in its place.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(medium.path());
    InstallerLauncher nowhere(QStringLiteral("open \"%1\""), QString(), QString(), &starter);
    EXPECT_EQ(nowhere.findMacInstallerPackage(), QString());
    QDir::setCurrent(saved);
}

TEST(InstallerLaunch, PackagePathWithADoubleQuoteIsRefusedWithAnError)
{
    QTemporaryDir medium;
    touch(medium.filePath(QStringLiteral("Product \" Installer.pkg")));
    DetachedQProcessStarter starter;
    InstallerLauncher launcher(QStringLiteral("open \"%1\""), medium.path(), QString(), &starter);
    QList<bool> outcomes;
    QObject::connect(&launcher, &AbstractInstallerLauncher::installerStartedState,
                     [&outcomes](bool started) { outcomes << started; });
    RecordingLogAppender log;
    launcher.launchInstaller(QString());
    EXPECT_EQ(outcomes, QList<bool>{false});
    EXPECT_TRUE(log.contains(QStringLiteral("double quote")));
    EXPECT_FALSE(log.contains(QStringLiteral("cmd line: ")));
}

// A link named as a package is taken where it stands on the medium, as the
// component scan takes it, not for the place it leads to.
TEST(InstallerLaunch, APackageLinkOnTheMediumIsTakenAtItsPlaceOnTheMedium)
{
    QTemporaryDir medium;
    QTemporaryDir elsewhere;
    touch(elsewhere.filePath(QStringLiteral("Other.pkg")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("Other.pkg")),
                            medium.filePath(QStringLiteral("Product Installer.pkg"))));
    DetachedQProcessStarter starter;
    InstallerLauncher launcher(QStringLiteral("open \"%1\""), medium.path(), QString(), &starter);
    EXPECT_EQ(launcher.findMacInstallerPackage().toStdString(),
              QDir(QFileInfo(medium.path()).canonicalFilePath())
                  .filePath(QStringLiteral("Product Installer.pkg"))
                  .toStdString());
}
