#pragma once

#include <QList>
#include <QString>

// One package of the component scan: its bundle id, the version on the
// medium and the installed version ("n/a" where there is none) and the
// platforms it is for. A plain value; the flags can only be raised.
class ComponentenScannerPackage {
public:
    QString id() const { return id_; }
    QString mediumVersion() const { return mediumVersion_; }
    QString installedVersion() const { return installedVersion_; }
    bool osx() const { return osx_; }
    bool win32() const { return win32_; }
    bool win64() const { return win64_; }

    void setId(const QString& id) { id_ = id; }
    void setMediumVersion(const QString& version) { mediumVersion_ = version; }
    void setInstalledVersion(const QString& version) { installedVersion_ = version; }
    void setOsx() { osx_ = true; }
    void setWin32() { win32_ = true; }
    void setWin64() { win64_ = true; }

private:
    QString id_ = QStringLiteral("");
    QString mediumVersion_ = QStringLiteral("n/a");
    QString installedVersion_ = QStringLiteral("n/a");
    bool osx_ = false;
    bool win32_ = false;
    bool win64_ = false;
};

// What one or more scans found. Reads add to it: packages accumulate and a
// text keeps its value when a later file lacks the element.
class ComponentenScannerScanningOutput {
public:
    QList<ComponentenScannerPackage> packages() const { return packages_; }
    QString originalInstallerPath() const { return originalInstallerPath_; }
    QString installerInfo() const { return installerInfo_; }
    QString productId() const { return productId_; }
    QString mediumId() const { return mediumId_; }

    void addPackage(const ComponentenScannerPackage& package) { packages_.append(package); }
    void setOriginalInstallerPath(const QString& path) { originalInstallerPath_ = path; }
    void setInstallerInfo(const QString& path) { installerInfo_ = path; }
    void setProductId(const QString& id) { productId_ = id; }
    void setMediumId(const QString& id) { mediumId_ = id; }

private:
    QList<ComponentenScannerPackage> packages_;
    QString originalInstallerPath_;
    QString installerInfo_;
    QString productId_;
    QString mediumId_;
};
