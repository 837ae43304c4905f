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
    ~StandInXdgOpen()
    {
        release();
        qputenv("PATH", m_oldPath);
    }
    // Lets a stand-in that waits for it end.
    void release()
    {
        QFile flag(m_dir.filePath("release"));
        flag.open(QIODevice::WriteOnly);
    }
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

// Gone, or ended and waiting to be reaped by the QProcess the opener left.
bool hasEnded(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) == "Z";
}

} // namespace

TEST(XdgWebsiteOpener, OpenedOnlyWhenXdgOpenSucceedsOrKeepsRunning)
{
    // A stand-in that ends on its own gets far more than it needs to do so:
    // on a loaded machine even a shell script can take seconds to start.
    const int settleForEndingStandIns = 60000;
    {
        StandInXdgOpen standIn("exit 0");
        EXPECT_TRUE(XdgWebsiteOpener(settleForEndingStandIns).openLocalFile("/pages/help me_en.html"));
        EXPECT_EQ(standIn.arguments(), QStringLiteral("file:///pages/help%20me_en.html"));
    }
    {
        StandInXdgOpen standIn("exit 3");
        EXPECT_FALSE(XdgWebsiteOpener(settleForEndingStandIns).openLocalFile("/pages/help_en.html"));
    }
    {
        StandInXdgOpen standIn("kill -9 $$");
        EXPECT_FALSE(XdgWebsiteOpener(settleForEndingStandIns).openLocalFile("/pages/help_en.html"));
    }
    {
        // Blocks until the test lets it go or its folder goes (two minutes at most),
        // so it is certainly still running when the opener stops waiting.
        StandInXdgOpen standIn("d=$(dirname \"$0\"); echo $$ > \"$d/pid\"\n"
                               "i=0; while [ -d \"$d\" ] && [ ! -e \"$d/release\" ] && [ $i -lt 1200 ]; do\n"
                               "  sleep 0.1; i=$((i+1)); done\n"
                               "exit 7");
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(XdgWebsiteOpener(3000).openLocalFile("/pages/help_en.html"));
        // It waited about the settle time, not for the stand-in to end.
        EXPECT_LT(clock.elapsed(), 60000);
        // The stand-in was left running: it writes its pid and then waits.
        ASSERT_TRUE(QTest::qWaitFor([&] { return standIn.file("pid").toLongLong() > 0; }, 60000));
        const pid_t pid = static_cast<pid_t>(standIn.file("pid").toLongLong());
        EXPECT_EQ(::kill(pid, 0), 0); // still running, as promised
        standIn.release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return hasEnded(pid); }, 60000));
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    EXPECT_FALSE(XdgWebsiteOpener(300).openLocalFile("/pages/help_en.html"));
    qputenv("PATH", oldPath);
}

TEST(LocalFileTests, OnlyRegularFilesAreReadAndOnlyUpToTheLimit)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString file = dir.filePath("f.xml");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0123456789");
    f.close();
    LocalFileTests files;
    const FileContent whole = files.readRegularFile(file, 10);
    EXPECT_EQ(whole.status, FileContent::Read);
    EXPECT_EQ(whole.bytes, QByteArray("0123456789"));
    const FileContent over = files.readRegularFile(file, 9);
    EXPECT_EQ(over.status, FileContent::TooLarge);
    EXPECT_TRUE(over.bytes.isEmpty());
    // Opening a FIFO without a writer would block the window forever.
    EXPECT_EQ(files.readRegularFile(fifo, 100).status, FileContent::Unreadable);
    EXPECT_EQ(files.readRegularFile(dir.path(), 100).status, FileContent::Unreadable);
    EXPECT_EQ(files.readRegularFile(dir.filePath("missing"), 100).status, FileContent::Unreadable);
    EXPECT_EQ(files.readRegularFile(QString(), 100).status, FileContent::Unreadable);
    EXPECT_TRUE(files.fileExists(dir.path()));
    EXPECT_FALSE(files.fileExists(dir.filePath("missing")));
}

TEST(QtRepeatingTimer, FirstTickAfterTheDelayThenAtTheInterval)
{
    QtRepeatingTimer timer;
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    clock.start();
    // The first delay is far longer than the interval, so that a tick that
    // comes late on a busy machine cannot pass for the first delay again.
    timer.start(2000, 100, [&] { ticks.push_back(clock.elapsed()); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 3; }, 60000));
    // Coarse timers may fire up to 5 % early, counted in whole milliseconds
    // (1899 ms was seen), and a tick handled late is followed by one that
    // keeps to the schedule: only sums of intervals have a firm lower bound.
    EXPECT_GE(ticks[0], 1880);
    EXPECT_GE(ticks[1] - ticks[0], 90);
    EXPECT_LT(ticks[1] - ticks[0], 1800); // not the first delay again
    EXPECT_GE(ticks[2] - ticks[0], 180);
}
