// The display tick: every 16 ms the seek slider, track number and meters
// follow what the audio thread has played; the time labels follow the seek
// slider. Reads the engine's shared values without locks (each is a single
// atomic word) and clears only the two peaks. It also looks, until it has
// been told, whether the reader has opened the loaded image, for the damage
// check.

#include "player/ui/MainWindow.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/ImageCheck.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MainWindowWidgets.h"
#include "player/ui/MeterInfo.h"
#include "player/ui/MeterNumericalDisplayWidget.h"
#include "player/ui/SeekSlider.h"

#include <QLabel>
#include <QTableView>

#include <cmath>

using namespace MainWindowWidgets;

namespace {

constexpr double bytesPerSecond = 176400.0;
constexpr float rmsScale = 1.4125f;

float rangeLength(const Audio::Player::Range& range)
{
    return static_cast<float>(static_cast<std::int64_t>(range.second) - static_cast<std::int64_t>(range.first));
}

} // namespace

namespace MainWindow {

float MainWindow::playedBytes() const
{
    float p = 2.0f * static_cast<float>(audioPlayer.getStreaming().values().playedSamples());
    const std::shared_ptr<IDescListProvider> provider = audioPlayer.getDescListProvider();
    if (provider && provider->getIndexOffset() == 1 && audioPlayer.hasRange(1))
        p -= static_cast<float>(audioPlayer.getRanges()[1].first);
    return p;
}

void MainWindow::onTimeout()
{
    checkOpenedImage();

    Ui::TimeWidget* t = time(ui);
    if (!t || !t->seekslider || t->seekslider->isSliderDown())
        return;

    const Audio::Player::Range range = audioPlayer.getCurrentRange();
    const float length = rangeLength(range);
    const float played = playedBytes();
    t->seekslider->setValue(length > 0.0f ? static_cast<int>(played / length * 10000.0f) : 0);

    // An image too short for any range has no entry to step over.
    if (audioPlayer.hasRange(audioPlayer.getEntry()) && playedBytes() >= length) {
        audioPlayer.increaseTrackNumber();
        if (model)
            model->setTrackNumber(audioPlayer.getSteadyTrackNumber());
        updateDisplay();
    }

    updateTrackLabel();

    Audio::PlaybackValues& values = audioPlayer.getStreaming().values();
    MeterInfo info;
    if (values.isRunning()) {
        info.rmsLeft = std::sqrt(values.meanSquareLeft()) * rmsScale;
        info.rmsRight = std::sqrt(values.meanSquareRight()) * rmsScale;
        info.peakLeft = values.peakLeftCopy();
        info.peakRight = values.peakRightCopy();
    }
    if (LevelMeterWidget* meter = levelMeter(ui))
        meter->levelChanged(info);
    if (MeterNumericalDisplayWidget* display = numericalDisplay(ui))
        display->levelChanged(info);

    values.clearPeaks();
}

void MainWindow::onSeekSliderPosChanged(int)
{
    updateTimeLabels();
}

void MainWindow::updateTimeLabels()
{
    Ui::TimeWidget* t = time(ui);
    if (!t || !t->seekslider)
        return;
    const float length = rangeLength(audioPlayer.getCurrentRange());
    const int seconds = static_cast<int>(static_cast<double>(length / 10000.0f * t->seekslider->value()) *
                                         (1.0 / bytesPerSecond));
    updateTrackTimeLabel(seconds);
    updateCdTimeLabel(seconds);
}

void MainWindow::updateTrackLabel()
{
    if (Ui::TimeWidget* t = time(ui))
        t->trackLabel->setText(
            QStringLiteral("%1").arg(audioPlayer.getTrackNumberFromPqDesc(), 2, 10, QLatin1Char('0')));
}

void MainWindow::updateTrackTimeLabel(int seconds)
{
    Ui::TimeWidget* t = time(ui);
    if (!t)
        return;
    int value = seconds;
    if (trackTimeRemaining)
        value = static_cast<int>(static_cast<double>(rangeLength(audioPlayer.getCurrentRange())) / bytesPerSecond -
                                 seconds);
    t->timeLabel->setText(secondsToTimeString(value));
}

void MainWindow::updateCdTimeLabel(int seconds)
{
    Ui::TimeWidget* t = time(ui);
    if (!t || !model)
        return;
    const Audio::Player::Range range = audioPlayer.getCurrentRange();
    float position = static_cast<float>(seconds) + static_cast<float>(range.first / bytesPerSecond);

    // The table's clock: from the end of the first pause, to the lead-out
    // (not to a final marker after it).
    const std::vector<DDP::PQDESCR>& descList = model->getDescList();
    const int pause = DDP::pauseSeconds(descList);
    const float elapsed = position - static_cast<float>(pause);
    // The remaining time is the total less the elapsed time as it is shown,
    // in whole seconds, so that the two add up to the table's total: a track
    // that starts at 01:40.53 of 03:08 has 01:28 left, not 01:27.
    const float value = cdTimeRemaining
        ? static_cast<float>(DDP::discSeconds(DDP::discEnd(descList), pause)) - std::trunc(elapsed)
        : elapsed;

    QString text = secondsToTimeString(static_cast<int>(std::fabs(value)));
    if (value < 0.0f)
        text.prepend(QLatin1Char('-'));
    t->cdTimeLabel->setText(text);
}

void MainWindow::updateDisplay()
{
    QTableView* view = tableView(ui);
    if (!view || !view->model() || !model)
        return;
    const QModelIndex index = view->model()->index(model->getTrackNumber(), 0);
    view->scrollTo(index, QAbstractItemView::EnsureVisible);
    view->viewport()->repaint();
}

} // namespace MainWindow
