#include "player/testsupport/TestSession.h"

#include "player/testsupport/OutputRecording.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

// Linked into test programs by their guard (testsupport/TestProcessGuard.cpp).
extern "C" void hg_test_guard_remove_when_ended(const char* folder) __attribute__((weak));

namespace {

void setFolder(const char* variable, const QString& path)
{
    QDir().mkpath(path);
    qputenv(variable, QFile::encodeName(path));
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

} // namespace

QString TestSession::socketsTemplate()
{
    QString run = qEnvironmentVariable("HG_TEST_RUN");
    run.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")));
    return QStringLiteral("/tmp/glasswell-test-") + (run.isEmpty() ? QString() : run.left(32) + QLatin1Char('-')) +
           QStringLiteral("XXXXXX");
}

TestSession::TestSession()
    : dir_(QDir::tempPath() + QStringLiteral("/glasswell-test-XXXXXX"))
    , testServer_(OutputRecording::testServerProblem().empty())
{
    if (!dir_.isValid())
        return;
    // Gone with the process however it ends, not only when it returns.
    if (hg_test_guard_remove_when_ended) {
        hg_test_guard_remove_when_ended(QFile::encodeName(dir_.path()).constData());
        if (sockets_.isValid())
            hg_test_guard_remove_when_ended(QFile::encodeName(sockets_.path()).constData());
    }
    const QString root = dir_.path();
    // An X screen's cookie is read from HOME unless named: a window test on
    // the user's own display keeps it.
    const QString cookie = QDir::homePath() + QStringLiteral("/.Xauthority");
    if (qEnvironmentVariableIsEmpty("XAUTHORITY") && QFile::exists(cookie))
        qputenv("XAUTHORITY", QFile::encodeName(cookie));
    setFolder("HOME", root + QStringLiteral("/home"));
    setFolder("XDG_CONFIG_HOME", root + QStringLiteral("/config"));
    setFolder("XDG_DATA_HOME", root + QStringLiteral("/data"));
    setFolder("XDG_CACHE_HOME", root + QStringLiteral("/cache"));
    if (testServer_)
        return;

    // A socket path that nothing listens on: libpulse named a server does not
    // look for the session's own, and does not start one.
    const QByteArray nowhere =
        QFile::encodeName((sockets_.isValid() ? sockets_.path() : root) + QStringLiteral("/no-sound-server"));
    qputenv("PULSE_SERVER", "unix:" + nowhere);
    writeFile(root + QStringLiteral("/pulse-client.conf"), "autospawn = no\n");
    qputenv("PULSE_CLIENTCONFIG", QFile::encodeName(root + QStringLiteral("/pulse-client.conf")));
    qunsetenv("PULSE_COOKIE");
    // PipeWire's own clients (its JACK and ALSA libraries) and JACK's.
    qputenv("PIPEWIRE_REMOTE", nowhere);
    qputenv("JACK_NO_START_SERVER", "1");
    qputenv("JACK_DEFAULT_SERVER", QByteArray("glasswell-test-no-server-") + QFile::encodeName(root).right(6));
    // ALSA without a configuration knows no device, neither the sound
    // server's plug-in behind "default" nor the cards' "hw" ones, which the
    // audio library falls back to when no server answers.
    writeFile(root + QStringLiteral("/alsa.conf"), QByteArray());
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(root + QStringLiteral("/alsa.conf")));
}
