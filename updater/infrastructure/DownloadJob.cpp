#include "updater/infrastructure/DownloadJob.h"

#include <QDir>

DownloadJob::DownloadJob(const QUrl& url, const QString& folder, const QString& fileName,
                         const QString& expectedHash)
    : url(url)
    , filePath(folder + QDir::separator() + fileName)
    , expectedHash(expectedHash)
{
}
