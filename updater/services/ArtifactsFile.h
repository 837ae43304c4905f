#pragma once

#include <QList>
#include <QObject>
#include <QString>

class AbstractWorkingDirectoryProvider;
class DownloadChoice;
class Logger;

// Writes the installer-information file that tells the product installer the
// chosen platform, where the original installer lies and which downloaded
// archives (with their installation flags and, for macOS archives, their
// packages) it is to use:
//
//   <installer-infos>
//       <selected-platform>osx</selected-platform>        (left out for "none")
//       <original-installer-path>...</original-installer-path>
//       <artifacts>                                        (only with choices)
//           <artifact file-format=".." download-output-path=".." replace=".."
//                     update=".." upgrade=".." fullui=".." hidden="..">
//               <distribution rel-path="..">
//                   <package id=".."/>
//
// Each failure is logged, and write() tells whether this run's file is at
// the path. The file is replaced whole, or the earlier one is removed: the
// installer finds the file by its name, and must never take an earlier
// run's downloads for this run's.
//
// Ownership: the added choices are not owned. GUI thread only.
class ArtifactsFile : public QObject {
    Q_OBJECT
public:
    // The provider is not kept.
    explicit ArtifactsFile(AbstractWorkingDirectoryProvider* provider, QObject* parent = nullptr);

    // Keeps choices that have at least one artifact; the list is never
    // cleared, so a second write repeats the earlier choices.
    void addDownloadChoice(DownloadChoice* choice);
    void setArtifactsFilePath(QString path);
    QString artifactsFilePath() const;
    // Stored with native separators.
    void setOriginalInstallerPath(QString path);
    // 0 osx, 1 win32, 2 win64; 3 (none) leaves the platform out.
    void setSelectedPlatform(int platform);

    // True when the file at the path is this run's, written whole; false
    // (logged, failure() says why) when it could not be built or written,
    // and then no earlier file is left at the path.
    virtual bool write();
    // Removes the file at the path, for a run that writes none: the
    // installer must not find an earlier run's. A folder there stays. False
    // (logged) when a file is left.
    bool removeEarlierFile();
    // Why the last write() failed; empty after it succeeded.
    QString failure() const;

private:
    // Fills xmlContent_; false with the reason otherwise.
    bool ConstructXmlContent(QString* failure);
    bool writeContent(QString* failure);

    QString failure_;
    QList<DownloadChoice*> downloadChoices_;
    QString xmlContent_;
    QString originalInstallerPath_;
    QString artifactsFilePath_;
    int selectedPlatform_ = 3;
    Logger* logger_;
};
