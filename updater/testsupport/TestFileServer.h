#pragma once

#include "updater/testsupport/LoopbackHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QUrl>

#include <memory>

// How the download host answers a file. Every mode but NotFound honours a
// "Range: bytes=N-" request the way the mode describes.
enum class FileFault {
    None,                // 206 with Content-Range for a range, else 200; 416 past the end
    IgnoreRange,         // always 200 with the whole file
    WrongRangeStart,     // 206 whose range starts 7 bytes after the asked offset
    ShortPartial,        // 206 for the whole rest, but Content-Length and body only half of it
    DropHalfway,         // announces the whole length, sends half, resets the connection
    NotFound,            // 404
    WrongBody,           // right status and length, every byte inverted
    NoContentLength,     // 200 with the whole file, no Content-Length, ends by closing
    Stall,               // announces the whole length, sends a quarter, then nothing
    Slow,                // as None, in 16 KiB pieces 100 ms apart
    LongerThanAnnounced, // announces the right length, then sends 64 KiB more
};

// The update server's download host: a real HTTP/1.1 server on 127.0.0.1,
// plain HTTP (as a server's document may name for its archives) or TLS with
// the trusted test certificate, on its own thread. It serves file contents
// from memory with the fault modes above, one request per connection, and
// records every request. Large files are streamed in chunks.
//
// Threads: every member may be called from any test thread.
class TestFileServer {
public:
    enum class Transport { PlainHttp, Tls };

    explicit TestFileServer(Transport transport = Transport::PlainHttp);
    ~TestFileServer();
    TestFileServer(const TestFileServer&) = delete;
    TestFileServer& operator=(const TestFileServer&) = delete;

    bool isListening() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>" or "https://..."
    QUrl url(const QByteArray& path) const;

    void setFile(const QByteArray& path, const QByteArray& content, FileFault fault = FileFault::None);
    void setFault(const QByteArray& path, FileFault fault);

    QList<RecordedRequest> requestsFor(const QByteArray& path) const;
    int requestCount() const;

    // Used by the server thread.
    struct Resource {
        bool exists = false;
        QByteArray content;
        FileFault fault = FileFault::None;
    };
    Resource resourceFor(const QByteArray& path) const;
    void record(const RecordedRequest& request);

private:
    Transport transport_;
    mutable QMutex mutex_;
    QMap<QByteArray, Resource> files_;
    RequestLog requests_;
    quint16 port_ = 0;
    std::unique_ptr<LoopbackServerThread> thread_;
};
