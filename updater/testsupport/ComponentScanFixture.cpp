#include "updater/testsupport/ComponentScanFixture.h"

#include "updater/testsupport/StandInProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

QByteArray packageInfo(const QString& identifier, const QString& version)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pkg-info format-version=\"2\" identifier=\""
           + identifier.toUtf8() + "\" version=\"" + version.toUtf8()
           + "\" install-location=\"/\" auth=\"root\"/>\n";
}

} // namespace

ComponentScanFixture::ComponentScanFixture(const QString& root)
    : root_(root)
{
    QDir().mkpath(mediumDir());
    QDir().mkpath(root_ + QStringLiteral("/receipts/info"));
    writeFile(root_ + QStringLiteral("/receipts/pkgs"), QByteArray());
    const QString log = root_ + QStringLiteral("/xar-extractions.log");
    writeStandInProgram(binDir(), QStringLiteral("xar"),
                        QStringLiteral("case \"$1\" in\n"
                                       "-tf) exec tar -tf \"$2\" ;;\n"
                                       "-x) printf '%s\\n' \"$2\" >> '%1'; exec tar -xf \"$4\" \"$2\" ;;\n"
                                       "esac\n"
                                       "exit 2")
                            .arg(log));
    writeStandInProgram(binDir(), QStringLiteral("pkgutil"),
                        QStringLiteral("receipts='%1'\n"
                                       "case \"$1\" in\n"
                                       "--pkgs) exec cat \"$receipts/pkgs\" ;;\n"
                                       "--pkg-info)\n"
                                       "  [ -f \"$receipts/info/$2\" ] || { echo \"No receipt for '$2' found at '/'.\" >&2; exit 1; }\n"
                                       "  exec cat \"$receipts/info/$2\" ;;\n"
                                       "esac\n"
                                       "exit 2")
                            .arg(root_ + QStringLiteral("/receipts")));
}

QString ComponentScanFixture::mediumDir() const
{
    return root_ + QStringLiteral("/Volumes/Medium/Disc/Installer");
}

QString ComponentScanFixture::binDir() const
{
    return root_ + QStringLiteral("/bin");
}

QByteArray ComponentScanFixture::distribution(const QString& productId)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<installer-gui-script minSpecVersion=\"2\">\n"
           "    <title>Holmgrave Studio</title>\n    <product id=\""
           + productId.toUtf8()
           + "\" version=\"4.2\"/>\n    <choices-outline><line choice=\"default\"/></choices-outline>\n"
             "</installer-gui-script>\n";
}

bool ComponentScanFixture::writeInstallerPackage(const QString& name, const QByteArray& distribution,
                                                 const QList<Package>& packages,
                                                 const QStringList& hostileEntries) const
{
    QTemporaryDir source(root_ + QStringLiteral("/pkg-source-XXXXXX"));
    QStringList arguments = {QStringLiteral("-P"), QStringLiteral("-C"), source.path(), QStringLiteral("-cf"),
                             mediumDir() + QLatin1Char('/') + name};
    QStringList members;
    if (!distribution.isEmpty()) {
        writeFile(source.filePath(QStringLiteral("Distribution")), distribution);
        members << QStringLiteral("Distribution");
    }
    for (const Package& package : packages) {
        const QString folder = package.folder + QStringLiteral(".pkg");
        writeFile(source.filePath(folder + QStringLiteral("/PackageInfo")),
                  packageInfo(package.identifier, package.version));
        writeFile(source.filePath(folder + QStringLiteral("/Payload")), "payload");
        members << folder + QStringLiteral("/PackageInfo") << folder + QStringLiteral("/Payload");
    }
    for (int i = 0; i < hostileEntries.size(); ++i) {
        // Stored under a plain name, renamed in the archive.
        const QString stand = QStringLiteral("hostile%1").arg(i);
        writeFile(source.filePath(stand), packageInfo(QStringLiteral("com.holmgrave.pkg.Hostile"), QStringLiteral("6.6.6")));
        members << stand;
        arguments << QStringLiteral("--transform=s|^%1$|%2|").arg(stand, hostileEntries[i]);
    }
    QProcess tar;
    tar.start(QStringLiteral("tar"), arguments + members);
    return tar.waitForFinished(60000) && tar.exitStatus() == QProcess::NormalExit && tar.exitCode() == 0;
}

void ComponentScanFixture::writeMediumId(int levelsUp, const QByteArray& content) const
{
    QDir folder(mediumDir());
    for (int i = 0; i < levelsUp; ++i)
        folder.cdUp();
    writeFile(folder.filePath(QStringLiteral("id")), content);
}

void ComponentScanFixture::setInstalledPackages(const QList<QPair<QString, QString>>& packages) const
{
    QByteArray list;
    for (const auto& package : packages) {
        list += package.first.toUtf8() + '\n';
        writeFile(root_ + QStringLiteral("/receipts/info/") + package.first,
                  "package-id: " + package.first.toUtf8() + "\nversion: " + package.second.toUtf8()
                      + "\nvolume: /\nlocation: /\ninstall-time: 1700000000\n");
    }
    writeFile(root_ + QStringLiteral("/receipts/pkgs"), list);
}

QStringList ComponentScanFixture::extractedEntries() const
{
    QFile file(root_ + QStringLiteral("/xar-extractions.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString ComponentScanFixture::pathWithStandIns() const
{
    return binDir() + QLatin1Char(':') + qEnvironmentVariable("PATH");
}

ScopedVariable::ScopedVariable(const char* name, const QByteArray& value)
    : name_(name)
    , wasSet_(qEnvironmentVariableIsSet(name))
    , saved_(qgetenv(name))
{
    qputenv(name_, value);
}

ScopedVariable::~ScopedVariable()
{
    if (wasSet_)
        qputenv(name_, saved_);
    else
        qunsetenv(name_);
}
