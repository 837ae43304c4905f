#include "updater/app/MediaSpecificConfigurationService.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far more than the few keys it holds.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

enum class Outcome { Read, Missing, NotARegularFile };

Outcome readRegularFile(const QString& path, QByteArray* content)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return Outcome::Missing;
    if (!S_ISREG(info.st_mode))
        return Outcome::NotARegularFile;
    // Checked again on what was opened: the name may have been replaced.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Outcome::Missing;
    Outcome outcome = Outcome::NotARegularFile;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            *content = file.read(kMaxFileBytes);
            outcome = Outcome::Read;
        } else {
            outcome = Outcome::Missing;
        }
    }
    ::close(fd);
    return outcome;
}

} // namespace

MediaSpecificConfigurationService::MediaSpecificConfigurationService(const QString& filePath)
    : filePath_(filePath)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString MediaSpecificConfigurationService::filePath() const
{
    return filePath_;
}

QString MediaSpecificConfigurationService::defaultMandatoryUpdateProductLink()
{
    return QStringLiteral("https://www.holmgrave.com/downloads");
}

QVariant MediaSpecificConfigurationService::value(const QString& key, const QVariant& defaultValue)
{
    QByteArray content;
    switch (readRegularFile(filePath_, &content)) {
    case Outcome::Missing:
        return defaultValue;
    case Outcome::NotARegularFile:
        logger_->error(QStringLiteral("Medium configuration is not a regular file; the defaults hold."), filePath_);
        return defaultValue;
    case Outcome::Read:
        break;
    }
    // Qt's INI reader would take a UTF-8 byte-order mark (as editors on
    // Windows write it) for part of the first key's name.
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    // Qt reads INI only from a file: a private copy of what was read, so
    // that the medium's name is never opened by anything that could block.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(content) != content.size() || !copy.flush())
        return defaultValue;
    const QSettings settings(copy.fileName(), QSettings::IniFormat);
    return settings.value(key, defaultValue);
}

QString MediaSpecificConfigurationService::mandatoryUpdateProductLink()
{
    return value(QStringLiteral("MandatoryUpdateProductLink"), defaultMandatoryUpdateProductLink()).toString();
}

bool MediaSpecificConfigurationService::isMandatoryUpdate()
{
    return value(QStringLiteral("MandatoryUpdate_Mac"), QStringLiteral("false")).toBool();
}

bool MediaSpecificConfigurationService::is32BitAvailable()
{
    return value(QStringLiteral("32BitAvailable_Mac"), QStringLiteral("true")).toBool();
}
