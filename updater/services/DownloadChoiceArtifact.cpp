#include "updater/services/DownloadChoiceArtifact.h"

#include "updater/infrastructure/PathComponent.h"

#include <QDir>

DownloadChoiceArtifact::DownloadChoiceArtifact(QUrl url, quint64 filesize, QString checksum)
    : DownloadChoiceArtifact(std::move(url), filesize, std::move(checksum), false, false, false, false, false)
{
}

DownloadChoiceArtifact::DownloadChoiceArtifact(QUrl url, quint64 filesize, QString checksum, bool replace,
                                               bool update, bool upgrade, bool fullUi, bool hidden)
    : url(std::move(url))
    , filesize(filesize)
    , checksum(std::move(checksum))
    , replace(replace)
    , update(update)
    , upgrade(upgrade)
    , fullUi(fullUi)
    , hidden(hidden)
{
    fileName = fileNameFromUrl(this->url);
}

QString DownloadChoiceArtifact::fileNameFromUrl(const QUrl& url)
{
    const QString text = url.toString();
    QString name = text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
    const int query = name.lastIndexOf(QLatin1Char('?'));
    if (query >= 0)
        name.truncate(query);
    const int fragment = name.lastIndexOf(QLatin1Char('#'));
    if (fragment >= 0)
        name.truncate(fragment);

    // The pretty form still holds some escapes ("%3A", "%2F", "%25" ...); the
    // stored file must bear the name the server meant. Judged after the
    // decoding: the name comes from the server and becomes a path below the
    // download folder, so it must name exactly one entry in it ("%2F" or
    // "%2E%2E" must not lead anywhere else).
    name = QUrl::fromPercentEncoding(name.toUtf8());
    return isSafePathComponent(name) ? name : QString();
}

bool DownloadChoiceArtifact::hasUsableFileName() const
{
    return !fileName.isEmpty();
}

QString DownloadChoiceArtifact::localFilePath() const
{
    if (!hasUsableFileName())
        return QString();
    return QDir::toNativeSeparators(outputDir + QDir::separator() + fileName);
}

QString DownloadChoiceArtifact::fileExtension() const
{
    return fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1);
}
