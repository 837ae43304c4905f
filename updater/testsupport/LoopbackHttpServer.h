#pragma once

// What the test servers (TestUpdateServer, TestFileServer) share: the
// request as received, the reading of one request from a connection, the
// record of requests, and the thread on which a server listens on 127.0.0.1.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <future>
#include <memory>

class QTcpServer;

// One request as a test server received it.
struct RecordedRequest {
    QByteArray method;
    QByteArray path;                      // with the query, as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};

// "HTTP/1.1 <status> <reason>\r\n".
QByteArray statusLine(int status);

// The path up to its query.
QByteArray pathWithoutQuery(const QByteArray& path);

// Reads the request at the start of buffer: true once its head and the body
// its Content-Length announces are complete, false while bytes are missing.
bool readRequest(const QByteArray& buffer, RecordedRequest& request);

// The requests a server received, in order.
//
// Threads: every member may be called from any thread.
class RequestLog {
public:
    void record(const RecordedRequest& request);
    QList<RecordedRequest> all() const;
    QList<RecordedRequest> forPath(const QByteArray& pathWithoutQuery) const;
    int count() const;
    void clear();
    // Waits until at least count requests have arrived.
    bool waitFor(int count, int timeoutMs) const;

private:
    mutable QMutex mutex_;
    mutable QWaitCondition arrived_;
    QList<RecordedRequest> requests_;
};

// A thread that makes a server with makeServer, lets it listen on a free
// port of 127.0.0.1 and runs its events until the thread is destroyed.
// Whatever the server made (connections, sockets) goes with it on that
// thread.
class LoopbackServerThread : public QThread {
public:
    using ServerFactory = std::function<std::unique_ptr<QTcpServer>()>;

    explicit LoopbackServerThread(ServerFactory makeServer);
    ~LoopbackServerThread() override;

    // Starts the thread; returns the port once the server listens, or 0
    // when it could not.
    quint16 startListening();

protected:
    void run() override;

private:
    ServerFactory makeServer_;
    std::promise<quint16> port_;
};
