#pragma once

#include "updater/infrastructure/SystemInformation.h"

// macOS: name and version from "sw_vers", languages from the user's
// "AppleLanguages" preference. The program path can be replaced so that a
// stand-in script answers in tests.
class SystemInformation_OSX : public SystemInformation {
    Q_OBJECT
public:
    explicit SystemInformation_OSX(const QString& swVersProgram = QStringLiteral("/usr/bin/sw_vers"),
                                   QObject* parent = nullptr);

    int getPlatform() override;
    QString getOSBits() override;
    QString getOSName(bool useCache) override;
    QString getOSVersion(bool useCache) override;
    QStringList getOSLanguage() override;

    // The program's standard output (up to the first NUL), or an empty text
    // when it did not start within 30 s or finish within 5 s.
    virtual QString runCommand(const QString& program, const QStringList& arguments);

private:
    QString swVersProgram_;
    bool osNameCached_ = false;
    bool osVersionCached_ = false;
};
