#include "updater/services/DownloadChoice.h"

#include "updater/services/DownloadChoiceArtifact.h"

#include <QLocale>
#include <QObject>

DownloadChoice::DownloadChoice(QString name, QString moreInfoLink, QList<DownloadChoiceArtifact*> artifacts,
                               quint64 totalFilesize)
    : name(std::move(name))
    , totalFilesize(totalFilesize)
    , moreInfoLink(std::move(moreInfoLink))
    , artifacts(std::move(artifacts))
{
}

DownloadChoice::~DownloadChoice()
{
    qDeleteAll(artifacts);
}

QString DownloadChoice::totalFilesizeText() const
{
    constexpr quint64 kGiB = 1073741824;
    constexpr double kMiB = 1048576.0;
    const double bytes = static_cast<double>(totalFilesize);
    if (totalFilesize < kGiB)
        return QLocale::system().toString(bytes / kMiB, 'f', 2) + QLatin1Char(' ') + QObject::tr("MB");
    return QLocale::system().toString(bytes / static_cast<double>(kGiB), 'f', 2) + QLatin1Char(' ')
           + QObject::tr("GB");
}
