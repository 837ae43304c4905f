#include "updater/testsupport/TestUpdateServer.h"

#include "updater/testsupport/TestCatalogue.h"

#include "testsupport/TestTree.h"

#include <QFile>
#include <QMutexLocker>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// One client connection: reads one request, answers it and closes.
// A child of its socket, which is a child of the server: whatever is still
// open when the server thread ends goes with the server.
class Connection : public QObject {
public:
    Connection(QSslSocket* socket, TestUpdateServer* owner)
        : QObject(socket)
        , socket_(socket)
        , owner_(owner)
    {
        QObject::connect(socket_, &QSslSocket::readyRead, this, [this] { onReadyRead(); });
        QObject::connect(socket_, &QSslSocket::disconnected, this, [this] { finish(); });
        // A client that rejects the certificate aborts the handshake.
        QObject::connect(socket_, &QAbstractSocket::errorOccurred, this,
                         [this](QAbstractSocket::SocketError) { finish(); });
    }

private:
    void finish()
    {
        if (done_)
            return;
        done_ = true;
        socket_->deleteLater();
    }

    void onReadyRead()
    {
        buffer_ += socket_->readAll();
        if (answered_)
            return;
        RecordedRequest request;
        if (!readRequest(buffer_, request))
            return;
        answered_ = true;
        owner_->record(request);

        const CannedResponse response = owner_->responseFor(request);
        if (response.stall)
            return;
        if (response.endlessHeaders) {
            streamHeadersForEver();
            return;
        }
        QByteArray head = statusLine(response.status) + "Content-Type: " + response.contentType
                          + "\r\nContent-Length: " + QByteArray::number(response.body.size())
                          + "\r\nConnection: close\r\n";
        for (const auto& header : response.extraHeaders)
            head += header.first + ": " + header.second + "\r\n";
        head += "\r\n";
        socket_->write(head);
        // Out before the body, as a server's head is: TLS encrypts all that
        // was written in one go, and a large body would hold the head back
        // until it is all encrypted.
        socket_->flush();
        if (request.method == "HEAD") {
            socket_->disconnectFromHost();
        } else if (response.dripIntervalMs > 0) {
            drip(response.body, response.dripIntervalMs);
        } else {
            socket_->write(response.body);
            socket_->disconnectFromHost();
        }
    }

    // One byte per interval, so that no pause is ever long.
    void drip(const QByteArray& body, int intervalMs)
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer, body, sent = 0]() mutable {
            if (done_ || sent >= body.size()) {
                timer->stop();
                if (!done_)
                    socket_->disconnectFromHost();
                return;
            }
            socket_->write(body.mid(sent++, 1));
        });
        timer->start(intervalMs);
    }

    // Header lines without end, written as fast as the client reads them,
    // up to a bound that keeps a client without a cap from eating the
    // machine's memory.
    void streamHeadersForEver()
    {
        static const QByteArray lines = QByteArray("X-Filler: " + QByteArray(1000, 'h') + "\r\n").repeated(64);
        socket_->write(statusLine(200));
        auto refill = [this] {
            // Under TLS the written bytes wait encrypted; both buffers count.
            while (!done_ && socket_->bytesToWrite() + socket_->encryptedBytesToWrite() < 256 * 1024
                   && headerBytesSent_ < kHeaderStreamBound) {
                socket_->write(lines);
                headerBytesSent_ += lines.size();
            }
        };
        connect(socket_, &QSslSocket::bytesWritten, this, refill);
        connect(socket_, &QSslSocket::encryptedBytesWritten, this, refill);
        refill();
    }

    static constexpr qint64 kHeaderStreamBound = 512LL * 1024 * 1024;
    qint64 headerBytesSent_ = 0;

    QSslSocket* socket_;
    TestUpdateServer* owner_;
    QByteArray buffer_;
    bool answered_ = false;
    bool done_ = false;
};

class TlsServer : public QTcpServer {
public:
    TlsServer(const QSslConfiguration& configuration, bool plain, TestUpdateServer* owner)
        : configuration_(configuration)
        , plain_(plain)
        , owner_(owner)
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        new Connection(socket, owner_);
        if (plain_)
            return;
        socket->setSslConfiguration(configuration_);
        socket->startServerEncryption();
    }

private:
    QSslConfiguration configuration_;
    bool plain_;
    TestUpdateServer* owner_;
};

QSslConfiguration serverConfiguration(TestUpdateServer::Identity identity)
{
    const QString dir = TestUpdateServer::certificatesDir();
    QString name;
    switch (identity) {
    case TestUpdateServer::Identity::Trusted: name = QStringLiteral("test-server"); break;
    case TestUpdateServer::Identity::Rogue: name = QStringLiteral("test-rogue"); break;
    case TestUpdateServer::Identity::WrongHost: name = QStringLiteral("test-wronghost"); break;
    case TestUpdateServer::Identity::PlainHttp: return QSslConfiguration();
    }
    QList<QSslCertificate> chain = QSslCertificate::fromData(readFile(dir + QLatin1Char('/') + name + ".pem"));
    if (identity != TestUpdateServer::Identity::Rogue)
        chain += QSslCertificate::fromData(readFile(dir + QStringLiteral("/test-intermediate-ca.pem")));
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(QSslKey(readFile(dir + QLatin1Char('/') + name + ".key"), QSsl::Rsa, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

} // namespace

TestUpdateServer::TestUpdateServer(Identity identity)
    : plain_(identity == Identity::PlainHttp)
{
    thread_ = std::make_unique<LoopbackServerThread>([identity, this] {
        return std::make_unique<TlsServer>(serverConfiguration(identity), plain_, this);
    });
    port_ = thread_->startListening();
}

TestUpdateServer::~TestUpdateServer() = default;

bool TestUpdateServer::isListening() const
{
    return port_ != 0;
}

quint16 TestUpdateServer::port() const
{
    return port_;
}

QString TestUpdateServer::baseUrl() const
{
    return (plain_ ? QStringLiteral("http://127.0.0.1:") : QStringLiteral("https://127.0.0.1:")) + QString::number(port_);
}

QString TestUpdateServer::rootUrl() const
{
    return baseUrl() + QStringLiteral("/rest");
}

void TestUpdateServer::setResponse(const QByteArray& path, const CannedResponse& response)
{
    QMutexLocker lock(&mutex_);
    responses_.insert(path, response);
}

void TestUpdateServer::setResponse(const QByteArray& path, int status, const QByteArray& body,
                                   const QByteArray& contentType)
{
    CannedResponse response;
    response.status = status;
    response.body = body;
    response.contentType = contentType;
    setResponse(path, response);
}

CannedResponse TestUpdateServer::responseFor(const QByteArray& path) const
{
    const QByteArray withoutQuery = pathWithoutQuery(path);
    {
        QMutexLocker lock(&mutex_);
        if (responses_.contains(path))
            return responses_.value(path);
        if (responses_.contains(withoutQuery))
            return responses_.value(withoutQuery);
    }
    static const QMap<QByteArray, QString> fixtures = {
        {"/rest", QStringLiteral("root.json")},
        {"/rest/downloadclient", QStringLiteral("downloadclient.json")},
        {"/rest/downloadclient/errorlogging", QStringLiteral("errorlogging.json")},
    };
    CannedResponse response;
    if (!fixtures.contains(withoutQuery)) {
        response.status = 404;
        response.body = "{\"error\":\"not found\"}";
        return response;
    }
    response.body = readFile(fixturesDir() + QLatin1Char('/') + fixtures.value(withoutQuery));
    response.body.replace("{{BASE}}", baseUrl().toUtf8());
    return response;
}

CannedResponse TestUpdateServer::responseFor(const RecordedRequest& request) const
{
    const QByteArray& path = request.path;
    bool canned = false;
    {
        QMutexLocker lock(&mutex_);
        canned = responses_.contains(path) || responses_.contains(pathWithoutQuery(path));
    }
    CannedResponse response;
    if (!canned && TestCatalogue::respond(request, baseUrl(), response))
        return response;
    return responseFor(path);
}

void TestUpdateServer::record(const RecordedRequest& request)
{
    requests_.record(request);
}

QList<RecordedRequest> TestUpdateServer::requests() const
{
    return requests_.all();
}

QList<RecordedRequest> TestUpdateServer::requestsFor(const QByteArray& pathWithoutQuery) const
{
    return requests_.forPath(pathWithoutQuery);
}

int TestUpdateServer::requestCount() const
{
    return requests_.count();
}

void TestUpdateServer::clearRequests()
{
    requests_.clear();
}

bool TestUpdateServer::waitForRequests(int count, int timeoutMs) const
{
    return requests_.waitFor(count, timeoutMs);
}

quint16 TestUpdateServer::refusingPort()
{
    static const quint16 port = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return quint16(1);
        return quint16(ntohs(address.sin_port));
    }();
    return port;
}

QString TestUpdateServer::certificatesDir()
{
    return testtree::inSourceTree(QStringLiteral(PATHWARDEN_TEST_CERTIFICATES_DIR));
}

QSslConfiguration TestUpdateServer::sslConfiguration(Identity identity)
{
    return serverConfiguration(identity);
}

QString TestUpdateServer::fixturesDir()
{
    return testtree::inSourceTree(QStringLiteral(PATHWARDEN_TEST_FIXTURES_DIR));
}
