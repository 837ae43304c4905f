#pragma once

#include <QObject>
#include <QRecursiveMutex>
#include <QString>

class AbstractRESTClient;
class Logger;

// One entry of a link document: {"rel": ..., "href": ...}.
struct Link {
    QString rel;
    QString href;
};

// Looks a link up in a link document (a JSON object whose "links" array
// holds objects with "rel" and "href"). Pure; any text is accepted, and a
// text that is not such a document finds nothing.
class LinkDiscoverer : public QObject {
    Q_OBJECT
public:
    // The first entry whose "rel" equals rel exactly and whose "href" is not
    // empty; a default Link when there is none.
    Link findLink(const QString& rel, const QString& json) const;
};

class AbstractServiceUrl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The address of the link named rel in this service's document; empty
    // when it is not found.
    virtual QString getLinkUrl(const QString& rel) = 0;
    // This service's own address; empty when it is not found.
    virtual QString getUrl() = 0;
};

// A service of the update server found by its relation name, either in the
// root document ("RootRestUrl") or in the document of a parent service.
// The address is resolved on first use and kept once found; a failed lookup
// is tried again on the next call.
//
// Threads: getUrl and getLinkUrl block for REST calls and may be called from
// any thread; resolving is serialised per object.
class ServiceUrl : public AbstractServiceUrl {
    Q_OBJECT
public:
    ServiceUrl(const QString& rel, const QString& rootUrl, AbstractRESTClient* restClient, QObject* parent);
    ServiceUrl(const QString& rel, ServiceUrl* parentServiceUrl, AbstractRESTClient* restClient, QObject* parent);

    QString getLinkUrl(const QString& rel) override;
    QString getUrl() override;

    // Fetches the document at url and returns the href of its link rel.
    QString getLink(const QString& url, const QString& rel);

private:
    QRecursiveMutex mutex_;
    QString cachedUrl_;
    QString rel_;
    QString rootUrl_;
    ServiceUrl* parentServiceUrl_ = nullptr;
    bool isRoot_;
    AbstractRESTClient* restClient_;
    Logger* logger_;
};
