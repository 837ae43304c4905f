#pragma once

#include "updater/infrastructure/SystemInformation.h"

class Logger;

// Linux: the name and version come from os-release, the bitness from the
// machine and the languages from the locale. A Linux machine takes the macOS
// road of the updater (platform 0), since the medium's installer package and
// the server's macOS artifacts are what it serves.
class SystemInformation_Linux : public SystemInformation {
    Q_OBJECT
public:
    // The files tried in order; the first that can be read is used.
    explicit SystemInformation_Linux(
        const QStringList& osReleaseFiles = {QStringLiteral("/etc/os-release"),
                                             QStringLiteral("/usr/lib/os-release")},
        QObject* parent = nullptr);

    int getPlatform() override;
    QString getOSBits() override;
    // NAME of os-release, e.g. "Debian GNU/Linux".
    QString getOSName(bool useCache) override;
    // VERSION_ID padded to major.minor, then the codename (or BUILD_ID) in
    // parentheses, e.g. "12.0 (bookworm)"; " ()" when nothing is known.
    QString getOSVersion(bool useCache) override;
    QStringList getOSLanguage() override;
    // The minimum is a Debian release: compared only on Debian and on
    // derivatives whose Debian base is known; any other system passes, with
    // a log line.
    bool isOSVersionAtLeast(const QString& minimumVersion) override;

private:
    QMap<QString, QString> readOsRelease() const;

    QStringList osReleaseFiles_;
    bool osNameCached_ = false;
    bool osVersionCached_ = false;
    Logger* logger_;
};
