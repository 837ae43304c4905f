#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSslCertificate>

class Logger;

class AbstractSslCertificates : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool loadCertificates() = 0;
};

// The two CA certificates built into the application (":root-certificates"
// and ":intermediate-certificates"); the only authorities the REST client
// trusts while "CheckRootCA" is on.
//
// Threads: loadCertificates runs on a pool thread during the start-up checks
// while the REST client may read the list on another thread, so the list is
// handed out as a copy under a lock.
class SslCertificates : public AbstractSslCertificates {
    Q_OBJECT
public:
    explicit SslCertificates(QObject* parent = nullptr);

    // Replaces the list with what the resources hold. True only when exactly
    // two certificates were read; after a failure the list keeps what was
    // read.
    bool loadCertificates() override;

    QList<QSslCertificate> certificates() const;

private:
    mutable QMutex mutex_;
    QList<QSslCertificate> certificates_;
    Logger* logger_;
};
