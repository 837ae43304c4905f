// The main window's two hot paths: a drop of a 99-track image until the
// track table is filled (target: under 30 ms), and one 16 ms display tick.
// Runs offscreen with the real window, style and (when there is one) the
// real output device.

#include "player/testsupport/DdpFixture.h"
#include "player/ui/CustomStyle.h"
#include "player/ui/MainWindow.h"
#include "player/ui/MainWindowWidgets.h"
#include "player/ui/SeekSlider.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QMetaMethod>
#include <QMimeData>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Fixture {
    QTemporaryDir settingsDir;
    QTemporaryDir imageDir;
    DdpFixture::Image image;
    std::unique_ptr<MainWindow::MainWindow> window;

    Fixture()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        DdpFixture::Options o;
        o.trackCount = 99;
        o.tracksWithPause = 98;
        o.tracksWithIndex2 = 20;
        o.trackFrames = 75;
        o.pauseFrames = 30;
        o.cdText = DdpFixture::CdTextKind::Latin1;
        o.cdTextTypes = {DdpFixture::Title, DdpFixture::Performer};
        image = DdpFixture::write(imageDir.path().toStdString(), o);
        // Without an output device the sample-rate box would wait for a click.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, []() {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->done(0);
        });
        closer.start(20);
        window = std::make_unique<MainWindow::MainWindow>();
        window->show();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_DropOf99TrackImageToFilledTable(benchmark::State& state)
{
    Fixture& f = fixture();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(f.image.folder))});
    QTableView* view = MainWindowWidgets::tableView(f.window->form());
    int rows = 0;
    for (auto _ : state) {
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.window.get(), &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.window.get(), &drop);
        rows = view->model()->rowCount();
        benchmark::DoNotOptimize(rows);
        // Let queued work of the load (layout, repaint) finish inside the
        // measured time, as the user would wait for it.
        QApplication::processEvents();
    }
    // One row per track start at least, and the total row.
    if (rows < 99 + 1)
        state.SkipWithError("the table was not filled");
    state.counters["rows"] = rows;
}

void BM_DisplayTick(benchmark::State& state)
{
    Fixture& f = fixture();
    f.window->loadFile(QDir(QString::fromStdString(f.image.folder)));
    const QMetaObject* meta = f.window->metaObject();
    const QMetaMethod tick = meta->method(meta->indexOfSlot("onTimeout()"));
    Audio::PlaybackValues& values = f.window->player().getStreaming().values();
    std::uint32_t samples = 0;
    const int entry = f.window->player().getEntry();
    for (auto _ : state) {
        // A new position every tick, always inside the current entry (the
        // shortest, a 30-frame pause, holds 35280 samples), so the slider and
        // both time labels change as during playback and no track step (a
        // table repaint, once per entry) is timed.
        samples = (samples + 1411) % 30000;
        values.setPlayedSamples(samples);
        tick.invoke(f.window.get(), Qt::DirectConnection);
    }
    if (f.window->player().getEntry() != entry)
        state.SkipWithError("a track step was timed");
    if (MainWindowWidgets::time(f.window->form())->seekslider->value() == 0)
        state.SkipWithError("the seek slider did not follow");
}

BENCHMARK(BM_DropOf99TrackImageToFilledTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DisplayTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Glasswell"));
    QCoreApplication::setOrganizationName(QStringLiteral("Holmgrave"));
    QApplication::setStyle(new CustomStyle);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fixture().window.reset();
    return 0;
}
