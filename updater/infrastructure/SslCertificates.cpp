#include "updater/infrastructure/SslCertificates.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QFile>
#include <QMutexLocker>
#include <QSslSocket>
#include <QStringList>

SslCertificates::SslCertificates(QObject* parent)
    : AbstractSslCertificates(parent)
    , logger_(SimpleLogger::getLogger(this))
{
}

bool SslCertificates::loadCertificates()
{
    if (!QSslSocket::supportsSsl()) {
        logger_->error(QStringLiteral("Qt doesn't support Ssl"), QString());
        return false;
    }

    QList<QSslCertificate> loaded;
    {
        QMutexLocker lock(&mutex_);
        certificates_.clear();
    }
    const QStringList paths = {QStringLiteral(":root-certificates"), QStringLiteral(":intermediate-certificates")};
    for (const QString& path : paths) {
        logger_->debug(QStringLiteral("Loading certificates from ") + path, QString());
        if (!QFile::exists(path))
            continue;
        const QList<QSslCertificate> read =
            QSslCertificate::fromPath(path, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
        if (!read.isEmpty()) {
            loaded.append(read);
            QMutexLocker lock(&mutex_);
            certificates_.append(read);
        }
    }

    if (loaded.isEmpty()) {
        logger_->error(QStringLiteral("SSL Certificate-List is empty"), QString());
        return false;
    }
    if (loaded.size() != 2) {
        logger_->error(QStringLiteral("SSL Certificate-List has not exactely 2 Items!"), QString());
        return false;
    }
    return true;
}

QList<QSslCertificate> SslCertificates::certificates() const
{
    QMutexLocker lock(&mutex_);
    return certificates_;
}
