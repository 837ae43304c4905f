#pragma once

#include <QObject>
#include <QString>

class AbstractRESTClient;
class AbstractServiceUrl;
class ArtifactDownloader;
class DownloadChoiceArtifact;
class FileSystem;
class Logger;
class ZipExtractor;

// Asks the update server whether a newer Windows product installer is
// offered (the "windowsproductinstaller" resource: 200 with "winLink",
// "winFilesize", "winChecksum" and "version", or 404 for none), downloads
// its archive into the folder of the file system helper, unpacks it there
// and checks that a "Setup.exe" came out of it. The folder is removed again
// after any failure, so that the installer launcher never finds a half
// unpacked installer in it.
//
// Threads: readDownloadChoicesFromServer and unzipAndVerify block and run on
// a pool thread, one at a time; download and the relayed signals belong to
// the GUI thread. The caller never runs two of them at once, so the state
// needs no lock.
//
// Ownership: the installer artifact belongs to the service; the client,
// address, downloader, file system helper and extractor are used, not owned.
class WindowsProductInstallerUpdateService : public QObject {
    Q_OBJECT
public:
    WindowsProductInstallerUpdateService(AbstractRESTClient* client, AbstractServiceUrl* address,
                                         ArtifactDownloader* downloader, FileSystem* fileSystem,
                                         ZipExtractor* extractor, QObject* parent = nullptr);
    ~WindowsProductInstallerUpdateService() override;

    // True when the answer was understood: an installer description (200
    // with a JSON object) or none offered (404). False for no address, a
    // failed request, any other status, and a 200 whose body is not a JSON
    // object; the availability then keeps its value. A successful read
    // replaces (and frees) the artifact of an earlier one; not to be called
    // while a download runs.
    virtual bool readDownloadChoicesFromServer();
    virtual bool isWindowsProductInstallerAvailableOnline();
    // Starts the archive download; the outcome comes as downloadsFinished()
    // or downloadError(), possibly before this returns. Without an available
    // installer nothing starts and nothing is signalled.
    virtual void download();
    // Unpacks the downloaded archive next to itself and checks for a regular
    // file "Setup.exe" beside it; false (and the folder removed) otherwise.
    virtual bool unzipAndVerify();

    // The server's "version" of the last successful read.
    QString version() const;
    // The archive's path in the download folder; empty before a read and
    // when the server's address names no plain file.
    QString archivePath() const;

signals:
    void downloadError();
    void downloadProgress(int percent);
    void nextArtifactHasStarted(QString url);
    void downloadsFinished();

public slots:
    // Removes the download folder with everything in it.
    void errorSlot();

private:
    Logger* logger_;
    AbstractRESTClient* client_;
    AbstractServiceUrl* address_;
    bool installerAvailable_ = false;
    QString version_;
    ArtifactDownloader* downloader_;
    DownloadChoiceArtifact* installerArtifact_ = nullptr;
    FileSystem* fileSystem_;
    ZipExtractor* extractor_;
};
