#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the component scan inspects, built under one folder: an installation
// medium with a flat installer package, and the macOS package tools as
// stand-ins on PATH. The ".pkg" is a tar archive (made by the system's tar)
// of a "Distribution" file and "<name>.pkg/PackageInfo" files; the "xar"
// stand-in lists and extracts it with tar and records every extraction, the
// "pkgutil" stand-in answers "--pkgs" and "--pkg-info" from the installed
// packages set here.
class ComponentScanFixture {
public:
    struct Package {
        QString folder;     // "<folder>.pkg" inside the archive
        QString identifier;
        QString version;
    };

    // root: an existing, empty folder owned by the test.
    explicit ComponentScanFixture(const QString& root);

    // <root>/Volumes/Medium/Disc/Installer: three levels below the root's
    // "Volumes" folder, so "id" files can be placed up to four levels up.
    QString mediumDir() const;
    QString binDir() const;

    // A Distribution file naming productId as the product.
    static QByteArray distribution(const QString& productId);

    // Writes "<name>.pkg" into the medium folder. An empty distribution
    // leaves the "Distribution" entry out; each hostile entry name is stored
    // as given (absolute or with "..") and holds a PackageInfo.
    bool writeInstallerPackage(const QString& name, const QByteArray& distribution, const QList<Package>& packages,
                               const QStringList& hostileEntries = {}) const;

    // An "id" file levelsUp folders above the medium folder (0: in it).
    void writeMediumId(int levelsUp, const QByteArray& content) const;

    // The receipts pkgutil reports: ids with versions, in "--pkgs" order.
    void setInstalledPackages(const QList<QPair<QString, QString>>& packages) const;

    // The archive entries the scan extracted, in order.
    QStringList extractedEntries() const;

    // PATH with binDir() first.
    QString pathWithStandIns() const;

private:
    QString root_;
};

// Sets an environment variable for the life of the object and restores it
// (or its absence) afterwards; programs started meanwhile inherit it (the
// collector's ruby and its tools are looked up through PATH).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool wasSet_;
    QByteArray saved_;
};

