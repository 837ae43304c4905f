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
// No failure reaches the caller: each is logged, and the caller starts the
// installer all the same. The file is replaced whole or not at all.
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

    virtual void write();

private:
    // Fills xmlContent_; false with the reason otherwise.
    bool ConstructXmlContent(QString* failure);
    bool writeContent(QString* failure);

    QList<DownloadChoice*> downloadChoices_;
    QString xmlContent_;
    QString originalInstallerPath_;
    QString artifactsFilePath_;
    int selectedPlatform_ = 3;
    Logger* logger_;
};
