#pragma once

#include "updater/testsupport/LoopbackHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <memory>

class QSslConfiguration;

struct CannedResponse {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> extraHeaders;
    bool stall = false; // read the request, never answer
    // Hostile pacing: send the headers, then the body one byte per interval
    // (a transfer that never pauses long enough to time out).
    int dripIntervalMs = 0;
    // Hostile headers: after the status line, header lines for ever.
    bool endlessHeaders = false;
};

// A real HTTP/1.1 update server over TLS (or plain HTTP) on 127.0.0.1,
// running on its own thread. It serves the link documents of the fixtures
// folder ("{{BASE}}" in them becomes baseUrl()) and the catalogue
// (TestCatalogue.h), records every request and can misbehave: present an
// untrusted or wrong-host certificate, or answer a path with any status and
// body (non-JSON, huge, 404 ...) set through setResponse.
//
// Threads: every member may be called from any test thread.
class TestUpdateServer {
public:
    enum class Identity {
        Trusted,   // localhost / 127.0.0.1, issued by the test intermediate CA
        Rogue,     // self-signed, no chain leads to it
        WrongHost, // issued by the test intermediate CA for another host name
        PlainHttp, // no TLS at all: "http://127.0.0.1:<port>"
    };

    explicit TestUpdateServer(Identity identity = Identity::Trusted);
    ~TestUpdateServer();
    TestUpdateServer(const TestUpdateServer&) = delete;
    TestUpdateServer& operator=(const TestUpdateServer&) = delete;

    bool isListening() const;
    quint16 port() const;
    QString baseUrl() const;   // "https://127.0.0.1:<port>" ("http://" for PlainHttp)
    QString rootUrl() const;   // baseUrl() + "/rest"

    // Answers path (matched with its query first, then without) with the
    // given response instead of the fixture.
    void setResponse(const QByteArray& path, const CannedResponse& response);
    void setResponse(const QByteArray& path, int status, const QByteArray& body,
                     const QByteArray& contentType = "application/json");

    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requestsFor(const QByteArray& pathWithoutQuery) const;
    int requestCount() const;
    void clearRequests();
    // Waits until at least count requests have arrived (generously: a
    // loaded machine can take its time over a TLS handshake).
    bool waitForRequests(int count, int timeoutMs = 60000) const;

    // The response for a request; used by the server thread. A response set
    // for the path wins, then the catalogue (TestCatalogue.h), then the link
    // documents of the fixtures folder.
    CannedResponse responseFor(const RecordedRequest& request) const;
    CannedResponse responseFor(const QByteArray& path) const;
    void record(const RecordedRequest& request);

    // A loopback port on which nothing listens: connections are refused.
    // The port stays bound (without listening) until the process ends, so
    // that no server of a test running in parallel can be given it.
    static quint16 refusingPort();
    static QString certificatesDir();
    static QString fixturesDir();
    // The server side of an identity: its certificate chain and key.
    static QSslConfiguration sslConfiguration(Identity identity);

private:
    mutable QMutex mutex_;
    QMap<QByteArray, CannedResponse> responses_;
    RequestLog requests_;
    quint16 port_ = 0;
    bool plain_ = false;
    std::unique_ptr<LoopbackServerThread> thread_;
};
