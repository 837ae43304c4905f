#include "updater/testsupport/LoopbackHttpServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>

QByteArray statusLine(int status)
{
    QByteArray reason;
    switch (status) {
    case 200: reason = "OK"; break;
    case 201: reason = "Created"; break;
    case 204: reason = "No Content"; break;
    case 206: reason = "Partial Content"; break;
    case 302: reason = "Found"; break;
    case 400: reason = "Bad Request"; break;
    case 404: reason = "Not Found"; break;
    case 416: reason = "Range Not Satisfiable"; break;
    case 500: reason = "Internal Server Error"; break;
    default: reason = "Status"; break;
    }
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
}

QByteArray pathWithoutQuery(const QByteArray& path)
{
    const int query = path.indexOf('?');
    return query < 0 ? path : path.left(query);
}

bool readRequest(const QByteArray& buffer, RecordedRequest& request)
{
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    RecordedRequest read;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    read.method = requestLine.value(0);
    read.path = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            read.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const int length = read.headers.value("content-length", "0").toInt();
    if (buffer.size() < headerEnd + 4 + length)
        return false;
    read.body = buffer.mid(headerEnd + 4, length);
    request = read;
    return true;
}

void RequestLog::record(const RecordedRequest& request)
{
    QMutexLocker lock(&mutex_);
    requests_.append(request);
    arrived_.wakeAll();
}

QList<RecordedRequest> RequestLog::all() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

QList<RecordedRequest> RequestLog::forPath(const QByteArray& path) const
{
    QList<RecordedRequest> result;
    for (const RecordedRequest& request : all()) {
        if (pathWithoutQuery(request.path) == path)
            result.append(request);
    }
    return result;
}

int RequestLog::count() const
{
    QMutexLocker lock(&mutex_);
    return requests_.size();
}

void RequestLog::clear()
{
    QMutexLocker lock(&mutex_);
    requests_.clear();
}

bool RequestLog::waitFor(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&mutex_);
    while (requests_.size() < count) {
        if (!arrived_.wait(&mutex_, deadline))
            return requests_.size() >= count;
    }
    return true;
}

LoopbackServerThread::LoopbackServerThread(ServerFactory makeServer)
    : makeServer_(std::move(makeServer))
{
}

LoopbackServerThread::~LoopbackServerThread()
{
    quit();
    wait();
}

quint16 LoopbackServerThread::startListening()
{
    std::future<quint16> port = port_.get_future();
    start();
    return port.get();
}

void LoopbackServerThread::run()
{
    const std::unique_ptr<QTcpServer> server = makeServer_();
    const bool listening = server->listen(QHostAddress::LocalHost, 0);
    port_.set_value(listening ? server->serverPort() : 0);
    if (listening)
        exec();
}
