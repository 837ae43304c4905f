#include "updater/testsupport/TestUpdateServer.h"

#include "updater/testsupport/TestCatalogue.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutexLocker>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <future>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
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
        const int headerEnd = buffer_.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        RecordedRequest request;
        const QList<QByteArray> lines = buffer_.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const int length = request.headers.value("content-length", "0").toInt();
        if (buffer_.size() < headerEnd + 4 + length)
            return;
        request.body = buffer_.mid(headerEnd + 4, length);
        answered_ = true;
        owner_->record(request);

        const CannedResponse response = owner_->responseFor(request);
        if (response.stall)
            return;
        if (response.endlessHeaders) {
            streamHeadersForEver();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                          + "\r\nContent-Type: " + response.contentType
                          + "\r\nContent-Length: " + QByteArray::number(response.body.size())
                          + "\r\nConnection: close\r\n";
        for (const auto& header : response.extraHeaders)
            head += header.first + ": " + header.second + "\r\n";
        head += "\r\n";
        socket_->write(head);
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
        socket_->write("HTTP/1.1 200 OK\r\n");
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

class ServerThread : public QThread {
public:
    ServerThread(TestUpdateServer::Identity identity, TestUpdateServer* owner)
        : identity_(identity)
        , owner_(owner)
    {
    }

    std::promise<quint16> port;

protected:
    void run() override
    {
        TlsServer server(serverConfiguration(identity_), identity_ == TestUpdateServer::Identity::PlainHttp, owner_);
        const bool listening = server.listen(QHostAddress::LocalHost, 0);
        port.set_value(listening ? server.serverPort() : 0);
        if (listening)
            exec();
    }

private:
    TestUpdateServer::Identity identity_;
    TestUpdateServer* owner_;
};

} // namespace

TestUpdateServer::TestUpdateServer(Identity identity)
{
    plain_ = identity == Identity::PlainHttp;
    auto* thread = new ServerThread(identity, this);
    std::future<quint16> port = thread->port.get_future();
    thread_.reset(thread);
    thread_->start();
    port_ = port.get();
}

TestUpdateServer::~TestUpdateServer()
{
    thread_->quit();
    thread_->wait();
}

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
    const QByteArray withoutQuery = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
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
    const int query = path.indexOf('?');
    bool canned = false;
    {
        QMutexLocker lock(&mutex_);
        canned = responses_.contains(path) || responses_.contains(query < 0 ? path : path.left(query));
    }
    CannedResponse response;
    if (!canned && TestCatalogue::respond(request, baseUrl(), response))
        return response;
    return responseFor(path);
}

void TestUpdateServer::record(const RecordedRequest& request)
{
    QMutexLocker lock(&mutex_);
    requests_.append(request);
    requestArrived_.wakeAll();
}

QList<RecordedRequest> TestUpdateServer::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

QList<RecordedRequest> TestUpdateServer::requestsFor(const QByteArray& pathWithoutQuery) const
{
    QList<RecordedRequest> result;
    for (const RecordedRequest& request : requests()) {
        const int query = request.path.indexOf('?');
        if ((query < 0 ? request.path : request.path.left(query)) == pathWithoutQuery)
            result.append(request);
    }
    return result;
}

int TestUpdateServer::requestCount() const
{
    QMutexLocker lock(&mutex_);
    return requests_.size();
}

void TestUpdateServer::clearRequests()
{
    QMutexLocker lock(&mutex_);
    requests_.clear();
}

bool TestUpdateServer::waitForRequests(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&mutex_);
    while (requests_.size() < count) {
        if (!requestArrived_.wait(&mutex_, deadline))
            return requests_.size() >= count;
    }
    return true;
}

quint16 TestUpdateServer::refusingPort()
{
    // Bind, note the port, close: nothing listens there afterwards.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 1;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QString TestUpdateServer::certificatesDir()
{
    return QStringLiteral(PATHWARDEN_TEST_CERTIFICATES_DIR);
}

QSslConfiguration TestUpdateServer::sslConfiguration(Identity identity)
{
    return serverConfiguration(identity);
}

QString TestUpdateServer::fixturesDir()
{
    return QStringLiteral(PATHWARDEN_TEST_FIXTURES_DIR);
}
