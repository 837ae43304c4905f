#include "progresshelper/platform/LocalFileTests.h"
#include "progresshelper/platform/QtRepeatingTimer.h"
#include "progresshelper/platform/XdgWebsiteOpener.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>

#include <vector>

using namespace Skylarn;

namespace {

// Puts a stand-in "xdg-open" first on PATH for the life of the object.
class StandInXdgOpen {
public:
    explicit StandInXdgOpen(const QByteArray &body)
        : m_oldPath(qgetenv("PATH"))
    {
        QFile script(m_dir.filePath("xdg-open"));
        if (script.open(QIODevice::WriteOnly)) {
            script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" > \"$(dirname \"$0\")/args\"\n" + body + "\n");
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toLocal8Bit() + ":" + m_oldPath);
    }
    ~StandInXdgOpen() { qputenv("PATH", m_oldPath); }
    QString arguments() const { return file("args"); }
    QString file(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

} // namespace

TEST(XdgWebsiteOpener, OpenedOnlyWhenXdgOpenSucceedsOrKeepsRunning)
{
    {
        StandInXdgOpen standIn("exit 0");
        EXPECT_TRUE(XdgWebsiteOpener(2000).openLocalFile("/pages/help me_en.html"));
        EXPECT_EQ(standIn.arguments(), QStringLiteral("file:///pages/help%20me_en.html"));
    }
    {
        StandInXdgOpen standIn("exit 3");
        EXPECT_FALSE(XdgWebsiteOpener(2000).openLocalFile("/pages/help_en.html"));
    }
    {
        StandInXdgOpen standIn("kill -9 $$");
        EXPECT_FALSE(XdgWebsiteOpener(2000).openLocalFile("/pages/help_en.html"));
    }
    {
        StandInXdgOpen standIn("echo $$ > \"$(dirname \"$0\")/pid\"; exec sleep 30");
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(XdgWebsiteOpener(300).openLocalFile("/pages/help_en.html"));
        EXPECT_LT(clock.elapsed(), 5000);
        const qint64 pid = standIn.file("pid").toLongLong();
        ASSERT_GT(pid, 0);
        EXPECT_EQ(::kill(static_cast<pid_t>(pid), SIGKILL), 0); // still running, as promised
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    EXPECT_FALSE(XdgWebsiteOpener(300).openLocalFile("/pages/help_en.html"));
    qputenv("PATH", oldPath);
}

TEST(LocalFileTests, OnlyRegularFilesAreReadable)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString file = dir.filePath("f.xml");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    LocalFileTests files;
    EXPECT_TRUE(files.isReadableFile(file));
    EXPECT_FALSE(files.isReadableFile(fifo)); // reading it would block the window forever
    EXPECT_FALSE(files.isReadableFile(dir.path()));
    EXPECT_FALSE(files.isReadableFile(QString()));
    EXPECT_TRUE(files.fileExists(dir.path()));
    EXPECT_FALSE(files.fileExists(dir.filePath("missing")));
}

TEST(QtRepeatingTimer, FirstTickAfterTheDelayThenAtTheInterval)
{
    QtRepeatingTimer timer;
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    clock.start();
    timer.start(600, 200, [&] { ticks.push_back(clock.elapsed()); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 3; }, 5000));
    // Coarse timers may fire up to 5 % early.
    EXPECT_GE(ticks[0], 560);
    EXPECT_GE(ticks[1] - ticks[0], 180);
    EXPECT_LT(ticks[1] - ticks[0], 550); // not the first delay again
    EXPECT_GE(ticks[2] - ticks[1], 180);
}
