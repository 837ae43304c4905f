#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class Logger;

// The updater's command line, parsed once at construction: "force-online-mode",
// "override-app-version <version>" and "original-installer-path <path>",
// written with one or two dashes, the value after a blank or "=".
class VornClientArguments : public QObject {
    Q_OBJECT
public:
    explicit VornClientArguments(const QStringList& arguments);

    bool hasOriginalInstallerPath() const;
    QString originalInstallerPath() const;
    bool isForceOnlineMode() const;
    bool isParsingSuccessful() const;
    QString overrideAppVersion() const;

private:
    void parse(const QStringList& arguments);

    QString overrideAppVersion_;
    QString originalInstallerPath_;
    bool forceOnlineMode_ = false;
    bool parsingSuccessful_ = false;
    Logger* logger_;
};
