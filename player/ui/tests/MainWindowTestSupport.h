#pragma once

// Helpers shared by the main window's tests: a window whose open dialog and
// error box are answered by the test, a closer for the modal dialogs that a
// machine without an output device shows at start-up, a private settings
// store, drag-and-drop events, and short ways to the window's widgets.

#include "player/testsupport/DdpFixture.h"
#include "player/ui/MainWindow.h"
#include "player/ui/MainWindowWidgets.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace MainWindowTest {

// The window with its dialogs answered by the test.
class TestWindow : public MainWindow::MainWindow
{
public:
    QString dialogAnswer;
    QStringList dialogStartFolders;
    int missingImageErrors = 0;
    QList<QStringList> damageReports;

    using MainWindow::MainWindow::MainWindow;

    void showRealDamageReport(const QStringList& lines) { MainWindow::MainWindow::showDamageReport(lines); }

protected:
    QString askImageFolder(const QString& startFolder) override
    {
        dialogStartFolders << startFolder;
        return dialogAnswer;
    }
    void showMissingImageError() override { ++missingImageErrors; }
    void showDamageReport(const QStringList& lines) override { damageReports << lines; }
};

// Closes modal dialogs as they appear (the sample-rate box on a machine
// without a device) and, when a folder is set, answers a folder dialog with it.
class ModalAnswerer
{
public:
    ModalAnswerer()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                if (folder.isEmpty()) {
                    files->reject();
                    ++answered;
                    return;
                }
                // Typed into the name field as a whole path: a selection in
                // the list would depend on the dialog's file system model,
                // which fills in on its own thread, and an early accept
                // would answer with the folder the dialog started in.
                const QString answer = QDir::cleanPath(folder);
                if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(answer);
                if (files->selectedFiles().value(0) == answer) {
                    QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
                    ++answered;
                    unanswered = 0;
                } else if (++unanswered > 1500) {
                    // 30 s without the answer taking: fail the test, not hang it.
                    files->reject();
                    unanswered = 0;
                }
                return;
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->done(0);
                ++answered;
            }
        });
        timer.start();
    }

    QString folder;
    int answered = 0;

private:
    int unanswered = 0;
    QTimer timer;
};

// Points the player's settings store at a private folder for one test.
class PrivateSettings
{
public:
    PrivateSettings() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path()); }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

// Spins the event loop until done() holds or ms have passed. The events are
// handled at least once more after the time is up: a loaded machine may
// give the test no turn before that.
inline bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const bool late = clock.elapsed() > ms;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (late)
            return done();
    }
    return true;
}

inline void spin(int ms)
{
    waitFor([] { return false; }, ms);
}

// Whether a shown window has had the fit to its screen that follows the
// window manager's frame (offscreen: a frame of its own at once): the frame
// is known and lies on the screen's free area, or, where even the layout's
// minimum does not fit, the window has that minimum with the frame's corner
// at the area's corner.
inline bool fittedToItsScreen(const QWidget& window)
{
    const QWindow* native = window.windowHandle();
    if (!native || !native->isExposed() || native->frameMargins().isNull() || !native->screen())
        return false;
    const QRect room = native->screen()->availableGeometry();
    const QRect frame = native->frameGeometry();
    return room.contains(frame)
        || (window.size() == window.minimumSizeHint() && frame.topLeft() == room.topLeft());
}

// Waits for that fit. The frame's arrival queues the window's own check,
// which must have run too: a resize before it would be fitted away.
inline bool waitForFit(const QWidget& window, int ms)
{
    if (!waitFor([&] { return fittedToItsScreen(window); }, ms))
        return false;
    QApplication::processEvents();
    return waitFor([&] { return fittedToItsScreen(window); }, ms);
}

// A drag carrying the given local paths (none: a drag without file URLs).
inline std::unique_ptr<QMimeData> dragData(const QStringList& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    if (!urls.isEmpty())
        mime->setUrls(urls);
    else
        mime->setText(QStringLiteral("no files here"));
    return mime;
}

// Whether the window accepts the drag at its entry.
inline bool dragEnterAccepted(QWidget& window, const QMimeData& mime)
{
    QDragEnterEvent event(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

// A full drag: entry, then the drop when the entry was accepted.
inline bool dropOn(QWidget& window, const QStringList& paths)
{
    const std::unique_ptr<QMimeData> mime = dragData(paths);
    if (!dragEnterAccepted(window, *mime))
        return false;
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return true;
}

inline DdpFixture::Image writeImage(const QString& folder, const DdpFixture::Options& options)
{
    return DdpFixture::write(folder.toStdString(), options);
}

// Short tracks with a sine, CD-TEXT and index-02 entries: quick to write and
// audible on the meters.
inline DdpFixture::Options shortDisc(int tracks = 3)
{
    DdpFixture::Options options;
    options.trackCount = tracks;
    options.trackFrames = 150;
    options.pauseFrames = 75;
    options.tracksWithPause = 1;
    options.samples = DdpFixture::Samples::Sine;
    options.cdText = DdpFixture::CdTextKind::Latin1;
    return options;
}

inline bool audioRequired()
{
    return qgetenv("HG_REQUIRE_AUDIO") == "1";
}

// Whether the window's stream runs, once its device watch has taken up a
// late answer of the sound server: on a loaded machine the server can answer
// the open later than the engine waits, and the window then counts as lost
// until its watch finds the stream (as AudioTest::runsOnceAnswered waits for
// the engine). The bound only against a server that never answers.
inline bool streamRunsOnceAnswered(MainWindow::MainWindow& window)
{
    const Audio::StreamingEngine& engine = window.player().getStreaming().engine();
    waitFor([&] { return !engine.isDeviceLost(); }, 60000);
    return engine.isStreamRunning();
}

// A play test needs the private sound server of the test command (see
// OutputRecording::testServerProblem): under that command its absence fails
// the test, elsewhere it skips it. For tests that include OutputRecording.h.
#define REQUIRE_TEST_SERVER() \
    do { \
        const std::string notPrivate = OutputRecording::testServerProblem(); \
        if (!notPrivate.empty()) { \
            if (MainWindowTest::audioRequired()) \
                FAIL() << notPrivate; \
            GTEST_SKIP() << notPrivate; \
        } \
    } while (false)

} // namespace MainWindowTest
