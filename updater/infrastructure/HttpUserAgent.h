#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class SystemInformation;

// The parts of the User-Agent text: product, version, a small JSON object
// describing the machine and the maker's web address.
//
// Threads: getInstance is guarded; the instance's setters and toString are
// meant for one thread at a time (the REST client calls them under its own
// once-guard).
class HttpUserAgent : public QObject {
    Q_OBJECT
public:
    // The process-wide instance. Without a system-information object the
    // existing instance is returned (made on first use from the process-wide
    // SystemInformation); with one, a fresh instance replaces the old one.
    static HttpUserAgent* getInstance(SystemInformation* systemInformation = nullptr);

    void setProductName(const QString& productName);
    void setVersion(const QString& version);
    void setUrl(const QString& url);

    // "<product>/<version> (<json>; +<url>)"; without a url the "; +<url>"
    // part is left out.
    QString toString() const;
    void systemInfoMap(QVariantMap& map) const;

private:
    HttpUserAgent() = default;
    void fillFrom(SystemInformation* systemInformation);

    QString productName_;
    QString version_;
    QString clientBits_;
    QString osName_;
    QString osVersion_;
    QString osBits_;
    QString osLanguage_;
    QString url_;
};
