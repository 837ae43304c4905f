// Construction, window handling and the commands of the main window. Opening
// images lives in MainWindowOpen.cpp, the display tick in MainWindowDisplay.cpp.

#include "player/ui/MainWindow.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/ImageCheck.h"
#include "player/ui/AboutDialog.h"
#include "player/ui/AttributesMenu.h"
#include "player/ui/CellDelegate.h"
#include "player/ui/CheckBoxPalette.h"
#include "player/ui/Constants.h"
#include "player/ui/DamageReport.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MainWindowWidgets.h"
#include "player/ui/MenuBar.h"
#include "player/ui/PlayerSettings.h"
#include "player/ui/SampleRateErrorDialog.h"
#include "player/ui/SeekSlider.h"
#include "player/ui/ToolTipWidget.h"
#include "player/ui/TransportController.h"
#include "player/ui/export/WavExport.h"
#include "player/ui/platform/OSXHideTitleBar.h"
#include "player/ui/platform/OSXPowerNotifier.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMargins>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWidgetAction>
#include <QWindow>

#include <algorithm>
#include <cmath>

using namespace MainWindowWidgets;

namespace {

const QString geometryKey = QStringLiteral("mainWindowGeometry");

} // namespace

bool ContextMenuEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu && event->type() == QEvent::Close && menu->activeAction()) {
        event->ignore();
        return true;
    }
    return false;
}

namespace MainWindow {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Glasswell"));

    std::unique_ptr<QSettings> settings = openPlayerSettings();
    restoreGeometry(settings->value(geometryKey).toByteArray());

    transport = new TransportController(this);
    transport->form = ui;
    transport->transport = &audioPlayer;

    if (Ui::TimeWidget* t = time(ui))
        t->seekslider->setMaximum(10000);
    if (Ui::VolumeSliderWidget* v = volume(ui))
        v->volumeSlider->setMaximum(10000);

    setAcceptDrops(true);

    QPalette windowPalette;
    windowPalette.setBrush(QPalette::All, QPalette::Window, QBrush(backgroundColor, Qt::SolidPattern));
    setPalette(windowPalette);

    attributesMenu = new AttributesMenu(this);
    attributesMenu->installEventFilter(new ContextMenuEventFilter(this));
    setupColumnEntries();

    exporter = new WavExport(this);

    // A device that refuses 44100 Hz gets the sample-rate dialog, whose
    // Rescan, or a device chosen later in the menu, opens the stream. No
    // sound server, or one that does not answer, is a lost output: the device
    // watch tells it and opens the stream once a server answers.
    Audio::DiskStreaming& streaming = audioPlayer.getStreaming();
    sampleRateDialogPending =
        !streaming.engine().initialize(streaming.initializeCallback()) && !streaming.engine().isDeviceLost();
    // A modest rate: finding a loss costs one atomic load, and until it is
    // found the audio thread loops on the failing write.
    deviceWatch = new QTimer(this);
    connect(deviceWatch, &QTimer::timeout, this, &MainWindow::onDeviceCheck);
    deviceWatch->start(50);
    // A released stream that has closed lets the next one open: at once,
    // not at the next tick, since the time between is silence. Queued from
    // the releasing thread; nothing after the close.
    streaming.engine().setWhenReleased([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (deviceWatch && deviceWatch->isActive())
                    onDeviceCheck();
            },
            Qt::QueuedConnection);
    });

    Ui::CentralWidget* c = central(ui);
    menuBar = c ? c->menuBar : nullptr;
    if (menuBar) {
        menuBar->setupOpen();
        menuBar->initialize(attributesMenu);
        menuBar->deviceSetup = &audioPlayer;
        menuBar->setupAudioDevicePrefs();
        menuBar->setupWavExport();
        menuBar->setupAbout();
    }

    if (QTableView* view = tableView(ui))
        connect(view, &QWidget::customContextMenuRequested, this, &MainWindow::onContextMenuRequested);

    if (Ui::TimeWidget* t = time(ui))
        t->seekslider->setEnabled(false);
    if (Ui::VolumeSliderWidget* v = volume(ui))
        v->volumeSlider->setEnabled(false);

    if (menuBar) {
        connect(menuBar->closeButton, &QToolButton::clicked, this, &MainWindow::onActionExitTriggered);
        if (QAction* about = menuBar->getActionAt(4))
            connect(about, &QAction::triggered, this, &MainWindow::onActionAboutTriggered);
        if (QAction* open = menuBar->getActionAt(0))
            connect(open, &QAction::triggered, this, &MainWindow::onActionOpenTriggered);
    }
    if (ui->centralWidget)
        connect(ui->centralWidget, &CentralWidget::resized, this, &MainWindow::onResize);
    if (menuBar) {
        connect(menuBar, &MenuBar::rescanTriggered, this, &MainWindow::onRescan);
        connect(menuBar->minimizeButton, &QToolButton::clicked, this, &MainWindow::onMinimize);
    }

    OSXHideTitleBar::hideTitleBar(static_cast<long>(winId()));
    if (menuBar)
        menuBar->installEventFilter(this);

    // The window is the context: a sleep notice after the window has gone
    // must not reach a destroyed player.
    connect(
        OSXPowerNotifier::getInstance(), &OSXPowerNotifier::systemSleep, this, [this]() { audioPlayer.pause(); },
        Qt::DirectConnection);

    // Last: the native window exists now, so its frame counts where the
    // platform knows it before the window is shown.
    fitIntoScreen();
    // Its events tell when a window manager has framed it.
    if (QWindow* native = windowHandle())
        native->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    if (transport) {
        transport->form = nullptr;
        transport->transport = nullptr;
        transport->setTrackNumberModel(nullptr);
    }
    delete ui;
    ui = nullptr;
}

// The built-in 466 x 702 and a saved size can both be larger than the screen
// (at 144 dpi the form alone is 932 x 1404 pixels), which would leave the
// transport and the meters out of reach. The window is bounded to the free
// area of its screen, but never below what its layout needs, and moved so that
// all of it lies on that area; when even the layout's minimum does not fit,
// its top-left corner, where the menu is, stays on screen.
void MainWindow::fitIntoScreen()
{
    // A maximised or full-screen window already has the screen's size.
    const QScreen* screen = this->screen();
    if (!screen || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    // The style's fonts decide how much room the layout needs.
    ensurePolished();
    const QRect available = screen->availableGeometry();
    // The frame as far as the platform knows it now (an X window manager
    // tells it only once the window is mapped). The native window's numbers,
    // not the widget's: the widget takes a frame that arrives on its own only
    // with its next move.
    const QWindow* native = windowHandle();
    const QMargins margins = native ? native->frameMargins() : QMargins();
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
    const QSize inner = size().boundedTo(available.size() - frame).expandedTo(minimum);
    const QPoint corner = native ? native->framePosition() : pos();
    const QSize outer = inner + frame;
    const QPoint place(std::max(available.left(), std::min(corner.x(), available.right() + 1 - outer.width())),
                       std::max(available.top(), std::min(corner.y(), available.bottom() + 1 - outer.height())));
    setGeometry(QRect(place + QPoint(margins.left(), margins.top()), inner));
}

// An X window manager adds its title bar and borders only once the window is
// mapped, so the fit at construction counted no frame: fitted to the full
// height at the top, the title bar would lie above the screen. The first of
// the native window's events after the frame is known (or a check a moment
// after showing, for a manager that sends none) fits once more; a frame that
// lies on the free area, as the user or a maximised state put it, stays.
void MainWindow::fitFrameOnceKnown()
{
    const QWindow* native = windowHandle();
    if (!frameFitPending || !native || !native->isExposed() || native->frameMargins().isNull())
        return;
    frameFitPending = false;
    const QScreen* screen = this->screen();
    if (screen && !screen->availableGeometry().contains(native->frameGeometry())) {
        // Set before the fit: a platform may tell the new place within it.
        // A window that cannot be made to fit (its minimum is larger than
        // the screen) does not move, and nothing would tell of it.
        fitMovePending = true;
        const QRect before = native->geometry();
        fitIntoScreen();
        if (native->geometry() != before)
            return;
        fitMovePending = false;
    }
    QMetaObject::invokeMethod(this, &MainWindow::showHeldBoxes, Qt::QueuedConnection);
}

bool MainWindow::boxesMayShow() const
{
    return windowPlaced && ((!frameFitPending && !fitMovePending) || boxWaitOver);
}

void MainWindow::setupColumnEntries()
{
    QTableView* view = tableView(ui);
    for (int i = 2; i < static_cast<int>(columnNames.size()); ++i) {
        auto* action = new QWidgetAction(attributesMenu);
        auto* box = new QCheckBox(attributesMenu);
        box->setPalette(createCheckBoxPalette(i));
        QFont font = box->font();
        font.setWeight(QFont::Normal);
        font.setFamily(fontFamily);
        box->setFont(font);
        box->setText(QString::fromUtf8(columnNames[static_cast<std::size_t>(i)].c_str()));
        box->setCheckable(true);
        box->setChecked(!view || !view->isColumnHidden(i));
        action->setDefaultWidget(box);
        attributesMenu->addAction(action);
        connect(
            box, &QCheckBox::toggled, box,
            [this, i](bool checked) {
                QTableView* table = tableView(ui);
                if (!table)
                    return;
                if (checked) {
                    table->showColumn(i);
                    table->resizeColumnToContents(i - 1);
                } else {
                    table->hideColumn(i);
                }
            },
            Qt::DirectConnection);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Queued: the widget takes the native window's new geometry after this.
    if (frameFitPending && watched == windowHandle() &&
        (event->type() == QEvent::Expose || event->type() == QEvent::Move || event->type() == QEvent::Resize))
        QMetaObject::invokeMethod(this, &MainWindow::fitFrameOnceKnown, Qt::QueuedConnection);
    // Where the fit put the window, as the window system tells it.
    if (fitMovePending && watched == windowHandle()
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        fitMovePending = false;
        QMetaObject::invokeMethod(this, &MainWindow::showHeldBoxes, Qt::QueuedConnection);
    }
    if (!windowPlaced && watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowPlaced = true;
        QTimer::singleShot(2000, this, [this] {
            boxWaitOver = true;
            showHeldBoxes();
        });
        QMetaObject::invokeMethod(this, &MainWindow::showHeldBoxes, Qt::QueuedConnection);
    }
    if (watched == menuBar && menuBar) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->buttons() & Qt::LeftButton)
                dragOffset = mouse->localPos().toPoint();
        } else if (event->type() == QEvent::MouseMove) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->buttons() & Qt::LeftButton)
                move(mouse->screenPos().toPoint() - dragOffset);
        }
    }
    return QObject::eventFilter(watched, event);
}

// A box is centred over the window as it is shown. Before the window
// manager has placed the window (mapped, exposed) the window stands where it
// was made, at the screen's corner, and the box would open there; before the
// frame fit's move has come back, the box would open off the window's centre.
// A box of the start waits for both.
void MainWindow::showHeldBoxes()
{
    if (!boxesMayShow())
        return;
    if (sampleRateDialogPending) {
        sampleRateDialogPending = false;
        auto* dialog = new SampleRateErrorDialog(IncompatibleSampleRate, &audioPlayer, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(true);
        dialog->show();
    }
    if (deviceMessageHeld && audioPlayer.getStreaming().engine().isDeviceLost()) {
        deviceMessageHeld = false;
        showDeviceMessage();
    }
}

void MainWindow::showDeviceMessage()
{
    if (deviceMessage)
        return;
    if (!boxesMayShow()) {
        deviceMessageHeld = true;
        return;
    }
    // Not modal: the watch goes on meanwhile and closes it once the device
    // is back.
    auto* dialog = new SampleRateErrorDialog(LostAudioDevice, &audioPlayer, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    dialog->show();
    deviceMessage = dialog;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Nothing reopens the stream after the close. A sound server that does
    // not answer holds the window for a moment at most; the process ends
    // without waiting for that stream.
    if (deviceWatch)
        deviceWatch->stop();
    audioPlayer.getStreaming().engine().releaseStream();

    std::unique_ptr<QSettings> settings = openPlayerSettings();
    settings->setValue(geometryKey, saveGeometry());
    settings.reset();
    if (TableViewWidget* panel = tablePanel(ui))
        panel->saveState();
    QMainWindow::closeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Shown by the program, not given back by the window system (restored
    // from the task bar).
    if (!event->spontaneous()) {
        frameFitPending = true;
        QTimer::singleShot(250, this, &MainWindow::fitFrameOnceKnown);
    }
}

void MainWindow::onSeekSliderReleased()
{
    Ui::TimeWidget* t = time(ui);
    if (!t || !t->seekslider)
        return;
    const float fraction = t->seekslider->value() / 10000.0f;
    const Audio::Player::Range range = audioPlayer.getCurrentRange();
    const int length = static_cast<int>(range.second) - static_cast<int>(range.first);
    audioPlayer.getStreaming().seek(static_cast<double>(fraction), length);
}

void MainWindow::onVolumeSliderValueChanged(int value)
{
    if (LevelMeterWidget* meter = levelMeter(ui))
        meter->setState(LevelMeterWidget::VolumeSliderMoving);
    const float target = static_cast<float>(value / 10000.0);
    audioPlayer.getStreaming().values().setTargetVolume(target);
    setdBValueLabelText(ui, target);
    setVolumeValueLabelText(ui, static_cast<float>(value));
}

void MainWindow::onVolumeSliderReleased()
{
    if (LevelMeterWidget* meter = levelMeter(ui))
        meter->setState(LevelMeterWidget::Playing);
}

void MainWindow::onCellDoubleClicked(QModelIndex idx)
{
    QTableView* view = tableView(ui);
    if (!view || !model)
        return;
    // The last row is the total row: it has no audio of its own.
    const int row = idx.row();
    if (row < 0 || row >= view->verticalHeader()->count() - 1)
        return;
    // A row of a cut image that lies past its audio would play nothing and
    // fall back to the first track at once; the user is told why instead.
    const int entry = model->getIndexOffset() + row;
    if (audioEnd >= 0 && audioPlayer.hasRange(entry)
        && std::int64_t(audioPlayer.getRanges()[std::size_t(entry)].first) >= audioEnd) {
        const int track = asciiToInt(model->getDescList()[std::size_t(entry)].trackNumber, 2);
        showDamageReport({DamageReport::trackPastAudio(
            track, std::int64_t(audioPlayer.getRanges()[std::size_t(entry)].first), audioEnd,
            DDP::pauseSeconds(model->getDescList()))});
        return;
    }
    if (LevelMeterWidget* meter = levelMeter(ui)) {
        meter->setState(LevelMeterWidget::Playing);
        meter->reset();
    }
    audioPlayer.selectTrack(row);
    model->setTrackNumber(audioPlayer.getSteadyTrackNumber());
    if (timer)
        timer->start(16);
    updateDisplay();
}

void MainWindow::onContextMenuRequested(QPoint pos)
{
    QTableView* view = tableView(ui);
    if (!view)
        return;
    attributesMenu->move(view->viewport()->mapToGlobal(pos));
    attributesMenu->show();
}

void MainWindow::onInfoButtonClicked(int32_t id, QToolButton* button)
{
    QTableView* view = tableView(ui);
    if (!qobject_cast<QToolButton*>(button) || !view || !view->model())
        return;
    auto* popup = new ToolTipWidget(view->model(), id, button);
    const QPoint centre = button->mapToGlobal(QPoint(button->width() / 2, button->height() / 2));
    popup->move(centre.x() - 20, centre.y() + 10);
    popup->show();
}

void MainWindow::onExportAsWavButtonClicked(int32_t id)
{
    audioPlayer.pause();
    exporter->setModel(model);
    exporter->exportAsWav(id, folder);
}

void MainWindow::onWavExportAllTriggered()
{
    audioPlayer.pause();
    exporter->setModel(model);
    exporter->exportAsWavAll(folder);
}

void MainWindow::onUpdate()
{
    updateDisplay();
    // Stopped or paused the slider stays at the entry's start, so no value
    // change would bring the labels to the entry that Next or Prev chose.
    updateTimeLabels();
}

void MainWindow::onReset()
{
    if (sender() != transport)
        return;
    if (LevelMeterWidget* meter = levelMeter(ui))
        meter->setState(LevelMeterWidget::StoppedOrPaused);
    if (audioPlayer.getStreaming().getState() == Audio::StreamingState::Stopped) {
        if (Ui::TimeWidget* t = time(ui))
            t->seekslider->setValue(0);
    }
    updateDisplay();
    updateTimeLabels();
}

void MainWindow::onRescan()
{
}

void MainWindow::onDeviceCheck()
{
    Audio::StreamingEngine& engine = audioPlayer.getStreaming().engine();
    const Audio::StreamingEngine::DeviceCheck check = engine.checkDevice();
    switch (check) {
    case Audio::StreamingEngine::DeviceCheck::Lost:
        // Paused where it was, so that Play goes on from there once the
        // device is back; the stream is closed already, so nothing fades.
        audioPlayer.getStreaming().settleAfterDeviceLoss();
        if (audioPlayer.isRunning())
            audioPlayer.pause();
        if (LevelMeterWidget* meter = levelMeter(ui))
            meter->setState(LevelMeterWidget::StoppedOrPaused);
        showDeviceMessage();
        break;
    case Audio::StreamingEngine::DeviceCheck::Restored:
    case Audio::StreamingEngine::DeviceCheck::Fine:
        // Back through this watch, a Play, the message's Rescan or the menu.
        if (engine.isStreamRunning()) {
            deviceMessageHeld = false;
            if (deviceMessage)
                deviceMessage->close();
        }
        break;
    case Audio::StreamingEngine::DeviceCheck::StillLost:
        break;
    }
    // A Rescan may have settled on another back end, and a device that came
    // back may be listed anew: the menu lists what the library object in use
    // has.
    if (menuBar && (check == Audio::StreamingEngine::DeviceCheck::Restored || engine.probeCount() != menuProbeCount)) {
        menuProbeCount = engine.probeCount();
        menuBar->setupAudioDevicePrefs();
    }
}

// Stopped or paused the slider does not move, so the labels would keep the
// old count until the next play.
void MainWindow::onCdTimeLabelClicked()
{
    cdTimeRemaining = !cdTimeRemaining;
    updateTimeLabels();
}

void MainWindow::onTrackTimeLabelClicked()
{
    trackTimeRemaining = !trackTimeRemaining;
    updateTimeLabels();
}

void MainWindow::onActionAboutTriggered()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::onActionExitTriggered()
{
    close();
}

void MainWindow::onMinimize()
{
    showMinimized();
}

void MainWindow::onResize(int deltaX, int deltaY)
{
    resize(width() + deltaX, height() + deltaY);
}

void setdBValueLabelText(Ui::MainWindow* form, float volume)
{
    Ui::VolumeSliderWidget* v = MainWindowWidgets::volume(form);
    if (!v || !v->dBValueLabel)
        return;
    const float dB = volume == 0.0f ? -144.0f : 20.0f * std::log10(volume);
    QString text = QString::number(static_cast<double>(dB), 'f', 1) + QStringLiteral(" dB");
    if (text == QLatin1String("-144.0 dB"))
        text = QString::fromUtf8("\xe2\x88\x9e");
    v->dBValueLabel->setText(text);
}

void setVolumeValueLabelText(Ui::MainWindow* form, float value)
{
    Ui::VolumeSliderWidget* v = MainWindowWidgets::volume(form);
    if (!v || !v->volumeValueLabel)
        return;
    v->volumeValueLabel->setText(QString::number(static_cast<double>(value / 100.0f), 'g', 6) +
                                 QStringLiteral(" %"));
}

} // namespace MainWindow
