#include "updater/testsupport/TestFileServer.h"

#include "updater/testsupport/TestUpdateServer.h"

#include <QMutexLocker>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>

namespace {

constexpr qint64 kChunkBytes = 256 * 1024;
constexpr qint64 kInFlightBytes = 1024 * 1024;
constexpr int kPaceMs = 100;

enum class Ending { Close, Reset, Stall };

// The answer to one request: head, body, how much of the body goes out (at
// once, then pieceBytes every kPaceMs) and how the connection ends afterwards.
struct Answer {
    QByteArray head;
    QByteArray body;
    qint64 sendBytes = 0;
    qint64 burstBytes = 0;
    qint64 pieceBytes = 0;
    Ending ending = Ending::Close;
};

// -1 without a usable "bytes=N-".
qint64 requestedOffset(const RecordedRequest& request)
{
    const QByteArray range = request.header("range").trimmed();
    if (!range.startsWith("bytes=") || !range.endsWith('-'))
        return -1;
    bool ok = false;
    const qint64 offset = range.mid(6, range.size() - 7).toLongLong(&ok);
    return ok && offset >= 0 ? offset : -1;
}

Answer answerFor(const TestFileServer::Resource& resource, const RecordedRequest& request)
{
    Answer answer;
    const QByteArray& content = resource.content;
    const qint64 size = content.size();
    qint64 offset = requestedOffset(request);
    if (!resource.exists || resource.fault == FileFault::NotFound) {
        answer.body = "not found";
        answer.head = statusLine(404) + "Content-Length: 9\r\n";
    } else if (resource.fault == FileFault::IgnoreRange || resource.fault == FileFault::NoContentLength) {
        answer.body = content;
        answer.head = statusLine(200);
        if (resource.fault == FileFault::IgnoreRange)
            answer.head += "Content-Length: " + QByteArray::number(size) + "\r\n";
    } else if (offset >= size && size > 0) {
        answer.head = statusLine(416) + "Content-Range: bytes */" + QByteArray::number(size) + "\r\nContent-Length: 0\r\n";
    } else {
        if (resource.fault == FileFault::WrongRangeStart)
            offset = std::min(std::max<qint64>(offset, 0) + 7, size - 1);
        const qint64 first = std::max<qint64>(offset, 0);
        answer.body = first > 0 ? content.mid(static_cast<int>(first)) : content;
        qint64 announced = answer.body.size();
        if (resource.fault == FileFault::ShortPartial) {
            announced /= 2;
            answer.body.truncate(static_cast<int>(announced));
        }
        if (resource.fault == FileFault::WrongBody) {
            for (char& c : answer.body)
                c = static_cast<char>(~c);
        }
        answer.head = statusLine(offset >= 0 ? 206 : 200);
        if (offset >= 0)
            answer.head += "Content-Range: bytes " + QByteArray::number(first) + '-' + QByteArray::number(size - 1) + '/'
                           + QByteArray::number(size) + "\r\n";
        answer.head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
        if (resource.fault == FileFault::LongerThanAnnounced)
            answer.body += QByteArray(64 * 1024, 'x');
    }
    answer.head += "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    answer.sendBytes = answer.body.size();
    if (resource.exists && resource.fault == FileFault::DropHalfway) {
        answer.sendBytes /= 2;
        answer.ending = Ending::Reset;
    } else if (resource.exists && resource.fault == FileFault::Stall) {
        answer.sendBytes /= 4;
        answer.ending = Ending::Stall;
    }
    const bool slow = resource.exists && resource.fault == FileFault::Slow;
    answer.burstBytes = slow ? 0 : answer.sendBytes;
    answer.pieceBytes = slow ? 16 * 1024 : 0;
    if (request.method == "HEAD")
        answer.sendBytes = answer.burstBytes = 0;
    return answer;
}

// One client connection: reads one request, streams the answer and ends the
// connection as the fault mode says. A child of its socket, which is a child
// of the server.
class FileConnection : public QObject {
public:
    FileConnection(QTcpSocket* socket, TestFileServer* owner)
        : QObject(socket)
        , socket_(socket)
        , owner_(owner)
    {
        connect(socket_, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] { pump(); });
        connect(socket_, &QTcpSocket::disconnected, socket_, &QObject::deleteLater);
        connect(&pace_, &QTimer::timeout, this, [this] {
            allowed_ += answer_.pieceBytes;
            pump();
        });
    }

private:
    void onReadyRead()
    {
        buffer_ += socket_->readAll();
        if (answering_)
            return;
        RecordedRequest request;
        if (!readRequest(buffer_, request))
            return;
        answering_ = true;
        owner_->record(request);
        answer_ = answerFor(owner_->resourceFor(pathWithoutQuery(request.path)), request);
        allowed_ = answer_.burstBytes;
        if (answer_.pieceBytes > 0)
            pace_.start(kPaceMs);
        socket_->write(answer_.head);
        pump();
    }

    void pump()
    {
        if (!answering_ || ended_)
            return;
        const qint64 allowed = std::min(allowed_, answer_.sendBytes);
        while (sent_ < allowed && socket_->bytesToWrite() < kInFlightBytes) {
            const qint64 chunk = std::min(kChunkBytes, allowed - sent_);
            socket_->write(answer_.body.constData() + sent_, chunk);
            sent_ += chunk;
        }
        if (sent_ < answer_.sendBytes || socket_->bytesToWrite() > 0)
            return;
        pace_.stop();
        ended_ = true;
        switch (answer_.ending) {
        case Ending::Close: socket_->disconnectFromHost(); break;
        case Ending::Reset: socket_->abort(); break;
        case Ending::Stall: break; // until the server ends
        }
    }

    QTcpSocket* socket_;
    TestFileServer* owner_;
    QByteArray buffer_;
    Answer answer_;
    QTimer pace_;
    qint64 allowed_ = 0; // bytes of the body that may have gone out by now
    qint64 sent_ = 0;
    bool answering_ = false;
    bool ended_ = false;
};

class FileHttpServer : public QTcpServer {
public:
    FileHttpServer(TestFileServer::Transport transport, TestFileServer* owner)
        : transport_(transport)
        , owner_(owner)
    {
        if (transport_ == TestFileServer::Transport::Tls)
            tls_ = TestUpdateServer::sslConfiguration(TestUpdateServer::Identity::Trusted);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        if (transport_ == TestFileServer::Transport::PlainHttp) {
            auto* socket = new QTcpSocket(this);
            if (!socket->setSocketDescriptor(descriptor)) {
                delete socket;
                return;
            }
            new FileConnection(socket, owner_);
            return;
        }
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setSslConfiguration(tls_);
        connect(socket, &QAbstractSocket::errorOccurred, socket, &QObject::deleteLater);
        new FileConnection(socket, owner_);
        socket->startServerEncryption();
    }

private:
    TestFileServer::Transport transport_;
    TestFileServer* owner_;
    QSslConfiguration tls_;
};

} // namespace

TestFileServer::TestFileServer(Transport transport)
    : transport_(transport)
{
    thread_ = std::make_unique<LoopbackServerThread>(
        [transport, this] { return std::make_unique<FileHttpServer>(transport, this); });
    port_ = thread_->startListening();
}

TestFileServer::~TestFileServer() = default;

bool TestFileServer::isListening() const
{
    return port_ != 0;
}

QString TestFileServer::baseUrl() const
{
    return (transport_ == Transport::Tls ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:"))
           + QString::number(port_);
}

QUrl TestFileServer::url(const QByteArray& path) const
{
    return QUrl(baseUrl() + QString::fromLatin1(path));
}

void TestFileServer::setFile(const QByteArray& path, const QByteArray& content, FileFault fault)
{
    QMutexLocker lock(&mutex_);
    Resource& resource = files_[path];
    resource.exists = true;
    resource.content = content;
    resource.fault = fault;
}

void TestFileServer::setFault(const QByteArray& path, FileFault fault)
{
    QMutexLocker lock(&mutex_);
    files_[path].fault = fault;
}

TestFileServer::Resource TestFileServer::resourceFor(const QByteArray& path) const
{
    QMutexLocker lock(&mutex_);
    return files_.value(path);
}

void TestFileServer::record(const RecordedRequest& request)
{
    requests_.record(request);
}

QList<RecordedRequest> TestFileServer::requestsFor(const QByteArray& path) const
{
    return requests_.forPath(path);
}

int TestFileServer::requestCount() const
{
    return requests_.count();
}
